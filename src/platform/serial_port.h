#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/ftdi_device.h"

namespace ravix {

// The six line operations of the serial adapter, one operating-system call each.
enum class EscapeCode { SetRts, ClearRts, SetDtr, ClearDtr, SetBreak, ClearBreak };

// Bits of the modem-status word.
inline constexpr uint32_t MS_CTS_ON = 0x10;
inline constexpr uint32_t MS_DSR_ON = 0x20;

inline constexpr uint8_t NOPARITY = 0;
inline constexpr uint8_t ONESTOPBIT = 0;

struct LineSettings {
  uint32_t BaudRate = 0;
  uint8_t ByteSize = 0;
  uint8_t Parity = NOPARITY;
  uint8_t StopBits = ONESTOPBIT;
};

struct ReadTimeouts {
  uint32_t ReadIntervalTimeout = 0;
  uint32_t ReadTotalTimeoutMultiplier = 0;
  uint32_t ReadTotalTimeoutConstant = 0;
};

// One open serial device. Closing it is destroying it.
class SerialDevice {
 public:
  virtual ~SerialDevice() = default;
  virtual bool GetLineSettings(LineSettings& settings) = 0;
  virtual bool SetLineSettings(const LineSettings& settings) = 0;
  virtual bool SetTimeouts(const ReadTimeouts& timeouts) = 0;
  virtual bool Escape(EscapeCode code) = 0;
  virtual bool GetModemStatus(uint32_t& status) = 0;
};

// A serial port this machine has, by the tool's name for it.
struct SerialPortInfo {
  std::string name;         // "COM12"
  std::string description;  // the system's name for it ("USB Serial Port") or its device; may be empty
};

// Opens serial devices by their port name ("COM1" ... "COM8", "COM12", or a device path).
class SerialPorts {
 public:
  virtual ~SerialPorts() = default;
  // Exclusive read/write access; null when the device cannot be opened.
  virtual std::unique_ptr<SerialDevice> Open(const std::string& portName) = 0;
  // As Open; on failure why holds the operating system's reason in words the user can
  // act on (empty where the system gives none).
  virtual std::unique_ptr<SerialDevice> OpenWithReason(const std::string& portName, std::string& why) {
    why.clear();
    return Open(portName);
  }
  // The device a port name stands for, for the Port menu ("/dev/ttyUSB0"); empty if none.
  virtual std::string DeviceBehind(const std::string& portName) = 0;
  // The COM ports present now, in the order of their numbers.
  virtual std::vector<SerialPortInfo> ListPorts() { return {}; }
  // The FTDI chips of this machine, to be driven in synchronous bit-bang mode; null
  // where the library that reaches them is not there.
  virtual FtdiChips* Ftdi() { return nullptr; }
};

}  // namespace ravix
