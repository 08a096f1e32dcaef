#pragma once
#include <termios.h>

#include <memory>
#include <optional>
#include <string>

#include "platform/posix/port_names.h"
#include "platform/posix/unique_fd.h"
#include "platform/serial_port.h"
#ifdef RAVIX_HAVE_LIBFTDI
#include "platform/libftdi/libftdi_chips.h"
#endif

namespace ravix {

// One serial device opened through termios. The UART never carries data for the
// tool: what matters are the modem lines, each switched by one ioctl.
class PosixSerialDevice : public SerialDevice {
 public:
  // Opens path for exclusive read/write access; null when it cannot be opened, is
  // no terminal, or another program holds it, with the reason in *why. A refused
  // open leaves no lock or exclusive flag behind.
  static std::unique_ptr<PosixSerialDevice> Open(const std::string& path, std::string* why = nullptr);

  explicit PosixSerialDevice(UniqueFd fd) : fd_(std::move(fd)) {}
  // Restores the line settings and output lines found at the open.
  ~PosixSerialDevice() override;

  bool GetLineSettings(LineSettings& settings) override;
  // Raw mode with the given speed, size, parity and stop bits; false when the device
  // refuses them (or accepts them only in part).
  bool SetLineSettings(const LineSettings& settings) override;
  bool SetTimeouts(const ReadTimeouts& timeouts) override;
  bool Escape(EscapeCode code) override;
  bool GetModemStatus(uint32_t& status) override;

 private:
  UniqueFd fd_;
  // As found at the open: the line settings, and DTR and RTS where the device has them.
  std::optional<termios> found_;
  std::optional<int> foundLines_;
};

// The serial ports by the tool's names: "COM1", "COM2", ... as PortNames numbers the
// devices, or a full device path.
class PosixSerialPorts : public SerialPorts {
 public:
  explicit PosixSerialPorts(PortNameRoots roots = {});

  std::unique_ptr<SerialDevice> Open(const std::string& portName) override;
  std::unique_ptr<SerialDevice> OpenWithReason(const std::string& portName, std::string& why) override;
  std::string DeviceBehind(const std::string& portName) override;
  std::vector<SerialPortInfo> ListPorts() override;
  // The FTDI chips through libftdi, where the build has it.
  FtdiChips* Ftdi() override;

 private:
  PortNames names_;
#ifdef RAVIX_HAVE_LIBFTDI
  LibftdiChips ftdi_;
#endif
};

}  // namespace ravix
