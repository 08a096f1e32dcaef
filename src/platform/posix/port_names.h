#pragma once
#include <string>
#include <vector>

namespace ravix {

// Where the serial devices are looked for; tests point these at a fake tree.
struct PortNameRoots {
  std::string sysClassTty = "/sys/class/tty";
  std::string dev = "/dev";
};

// The port names of the tool ("COM1", "COM2", ...) on Linux. They name the serial
// devices that exist, numbered in this order: the ttyS ports that have a UART
// behind them, then the USB serial adapters (ttyUSB), then the CDC-ACM devices
// (ttyACM), each family by number. COM1 to COM8 are the Port menu's first eight
// rows; the devices after the eighth are COM9 and on. A full device path
// ("/dev/ttyAMA0") stands for itself, so any other device can still be used.
//
// The list is read anew at every look-up: adapters come and go while the tool runs.
class PortNames {
 public:
  explicit PortNames(PortNameRoots roots = {});

  // The devices that the names COM1, COM2, ... stand for, in that order.
  std::vector<std::string> SerialDevices() const;
  // The device path behind a port name, or "" when it names no device.
  std::string DeviceBehind(const std::string& portName) const;

  // A serial device that counts as present while its node is gone ("ttyUSB0"): the
  // tool holds its FTDI chip in bit-bang mode with the kernel's driver detached, and
  // the COM numbers of the devices after it must not shift meanwhile.
  void Hold(const std::string& ttyName, bool held);

  // COM256 is the highest name Windows gives; no machine has more.
  static constexpr int kMaxPorts = 256;

 private:
  bool HasUart(const std::string& ttyName) const;

  PortNameRoots roots_;
  std::vector<std::string> held_;
};

}  // namespace ravix
