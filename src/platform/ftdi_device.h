#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace ravix {

// The pins of an FTDI serial chip (FT232R and its kin) in bit-bang mode, as published
// for the chip: D0 TXD, D1 RXD, D2 RTS, D3 CTS, D4 DTR, D5 DSR, D6 DCD, D7 RI. The
// RS-232 transceiver on the cable inverts every line: an asserted RTS or DTR is a 0 on
// its pin, an asserted CTS or DSR reads as 0, and TXD held at space (the break state)
// is D0 = 0. Only TXD, RTS and DTR may be driven; the other pins face the
// transceiver's receivers.
namespace ftdi_pin {
inline constexpr uint8_t kTxd = 0x01;
inline constexpr uint8_t kRxd = 0x02;
inline constexpr uint8_t kRts = 0x04;
inline constexpr uint8_t kCts = 0x08;
inline constexpr uint8_t kDtr = 0x10;
inline constexpr uint8_t kDsr = 0x20;
inline constexpr uint8_t kDcd = 0x40;
inline constexpr uint8_t kRi = 0x80;
inline constexpr uint8_t kOutputs = kTxd | kRts | kDtr;  // the direction mask 0x15
}  // namespace ftdi_pin

// What the chip takes and keeps, as published: one write of more than 64 bytes has been
// seen to hang the chip, and its FIFOs hold 128 bytes out and 256 in, so the tool keeps
// at most 128 states written and not yet read back.
inline constexpr size_t kFtdiMaxWrite = 64;
inline constexpr size_t kFtdiMaxInFlight = 128;

// One FTDI chip opened for synchronous bit-bang mode: each byte written is one state of
// the pins, put on them at the rate set; with each state the chip samples every pin, as
// it was before that state took effect (one state behind), and the samples come back in
// the order of the states. Our own small interface: the libftdi and FTDI-library
// backends and the simulated chip stand behind it. Closing it is destroying it (the
// serial driver then gets the chip back).
class FtdiDevice {
 public:
  virtual ~FtdiDevice() = default;
  // Synchronous bit-bang mode with these pins as outputs.
  virtual bool SetSyncBitBang(uint8_t outputMask) = 0;
  // States a second; the backend does whatever arithmetic its library wants.
  virtual bool SetStateRate(uint32_t statesPerSecond) = 0;
  // How long the chip holds samples back before it sends a short packet.
  virtual bool SetLatencyTimer(uint8_t ms) = 0;
  // The shortest latency timer the library takes (1 ms; 2 ms through FTDI's own).
  virtual uint8_t ShortestLatencyMs() const { return 1; }
  // Empties both FIFOs.
  virtual bool Purge() = 0;
  // At most kFtdiMaxWrite states; false when the chip did not take them.
  virtual bool Write(std::span<const uint8_t> states) = 0;
  // The samples that have come back, at most samples.size(); 0 when none has yet
  // (a read can return nothing at once), -1 when the chip is gone.
  virtual int Read(std::span<uint8_t> samples) = 0;
  // The library's words for the last failure.
  virtual std::string LastError() { return {}; }
};

// An FTDI chip on this machine.
struct FtdiChipInfo {
  std::string serial;       // the chip's serial number ("A50285BI")
  std::string description;  // its product string ("FT232R USB UART")
  std::string serialPort;   // the port its serial driver gives it ("COM12", "/dev/ttyUSB0"); empty when none
};

// Why a chip could not be opened, so that the message can say what to do.
enum class FtdiOpenFailure { None, NoSuchDevice, Permission, Busy, Other };

// The FTDI chips of this machine and the library that opens them; absent (null from
// SerialPorts::Ftdi) where the library is not there.
class FtdiChips {
 public:
  virtual ~FtdiChips() = default;
  virtual std::vector<FtdiChipInfo> List() = 0;
  // The chip with that serial number; null with failure and the library's words in why.
  virtual std::unique_ptr<FtdiDevice> Open(const std::string& serial, FtdiOpenFailure& failure,
                                           std::string& why) = 0;
  // The serial number of the FTDI chip a serial port name stands for, or "": a COM port
  // that is an FTDI chip could be driven in bit-bang mode instead.
  virtual std::string ChipBehindPort(const std::string& portName);
  // The chip the tool drives in bit-bang mode when this serial port name is chosen: none
  // on a real machine, where a COM port stays a serial port; the simulated FT232R stands
  // behind every name.
  virtual std::string BitBangChipFor(const std::string& /*portName*/) { return {}; }
};

inline std::string FtdiChips::ChipBehindPort(const std::string& portName) {
  if (portName.empty()) return {};
  for (const FtdiChipInfo& chip : List())
    if (chip.serialPort == portName) return chip.serial;
  return {};
}

}  // namespace ravix
