#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/serial_port.h"
#include "platform/win32/ftd2xx_chips.h"

namespace ravix {

// One COM port opened with CreateFileA. The UART never carries data for the tool:
// what matters are the modem lines, each switched by one EscapeCommFunction call.
class Win32SerialDevice : public SerialDevice {
 public:
  // handle: an open communications handle, closed with the device.
  explicit Win32SerialDevice(void* handle) : handle_(handle) {}
  ~Win32SerialDevice() override;
  Win32SerialDevice(const Win32SerialDevice&) = delete;
  Win32SerialDevice& operator=(const Win32SerialDevice&) = delete;

  bool GetLineSettings(LineSettings& settings) override;
  // Changes the four fields in the DCB last read and leaves every other field
  // (the DTR and RTS control modes among them) as it was read.
  bool SetLineSettings(const LineSettings& settings) override;
  bool SetTimeouts(const ReadTimeouts& timeouts) override;
  bool Escape(EscapeCode code) override;
  bool GetModemStatus(uint32_t& status) override;

 private:
  void* handle_;
  // The DCB as GetCommState gave it (kept as bytes so that this header needs no
  // system headers); valid once a read has succeeded.
  alignas(8) std::array<unsigned char, 64> dcb_{};
  bool dcbRead_ = false;
};

// The COM ports by name ("COM1" ... "COM8", "COM12", or a device path like "\\.\COM12").
class Win32SerialPorts : public SerialPorts {
 public:
  std::unique_ptr<SerialDevice> Open(const std::string& portName) override;
  std::unique_ptr<SerialDevice> OpenWithReason(const std::string& portName, std::string& why) override;
  // The device the name is linked to ("\Device\Serial0"), or "" when there is none.
  std::string DeviceBehind(const std::string& portName) override;
  // The COM names the system knows (its DOS device names), each with the name Windows
  // gives the device where it gives one ("USB Serial Port").
  std::vector<SerialPortInfo> ListPorts() override;
  // The FTDI cables through ftd2xx.dll, loaded at the first look; null without it.
  FtdiChips* Ftdi() override;

 private:
  std::unique_ptr<Ftd2xxChips> ftdi_;
  bool ftdiLooked_ = false;
};

}  // namespace ravix
