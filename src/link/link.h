#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "link/adapter.h"
#include "platform/platform.h"
#include "status/status.h"

namespace ravix {

// The adapter and its lines: the serial adapter's modem lines, the parallel
// adapter's data and status registers, the two ways of waiting, adapter detection
// and the bit, byte and word exchange with the controller.
//
// Line roles (the same on both adapters):
//   clock to the controller    RTS            data bit 1 (pin 3)
//   data to the controller     DTR            data bit 0 (pin 2)
//   controller RESET           break of TXD   data bit 3 (pin 5)
//   data from the controller   CTS            status bit 6, ACK (pin 10)
//   loop-back for detection    DSR follows DTR inside the adapter
// Bits of the parallel data register (LptLatch) and their roles.
inline constexpr uint32_t kLptData = 0x01;
inline constexpr uint32_t kLptClock = 0x02;
inline constexpr uint32_t kLptReset = 0x08;

class Link {
 public:
  Link(Platform& platform, Status& status);
  ~Link();
  // The adapters hold on to this link: it stays where it was made.
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // Port choice and access mode (set by start-up and port selection).
  bool SerialPortSelected = false;
  // The line work of the adapter on the chosen port.
  Adapter& Lines() { return SerialPortSelected ? static_cast<Adapter&>(serialAdapter_) : parallelAdapter_; }
  std::string PortName;
  std::string ComDeviceName;
  std::unique_ptr<SerialDevice> ComHandle;
  bool ComPortOpen = false;
  uint16_t LptBase = 0x378;
  bool DirectPortIo = false;
  std::unique_ptr<PortDriver> PortDriverLibrary;  // the port-I/O driver library, may be null
  bool PortDriverReady = false;

  // Link state.
  uint32_t LptLatch = 0;
  uint16_t LptLastRead = 0;
  uint32_t ModemStatus = 0;
  int DelayCount = 0;
  bool AdapterVerified = false;
  uint32_t TxWord = 0;
  uint32_t RxWord = 0;

  // Serial lines: one call each, failures ignored; nothing happens on a closed port.
  void SetRts();
  void ClearRts();
  void SetDtr();
  void ClearDtr();
  void SetBreak();
  void ClearBreak();
  int ReadCts();

  // Parallel registers.
  void WriteLpt();
  void ReadLpt();
  void ReadInput();
  // Sets or clears the given bits of LptLatch and writes it.
  void SetLptLines(uint32_t bits, bool high);

  // Waits.
  void WaitMs(uint32_t n);
  void ShortDelay(int n);
  void CalibrateDelay();

  [[nodiscard]] int OpenComPort();
  void CloseComPort();

  int DetectSerialAdapter();
  void InitParallelAdapter();
  void TransferBit(uint32_t bit);
  void TransferByte();
  void TransferWord();

  // The clock line on its own (the programming interface's extra clock pulse).
  void ClockHigh();
  void ClockLow();

  Clock& clock() { return platform_.clock; }

 private:
  friend class SerialAdapter;
  friend class ParallelAdapter;

  void Escape(EscapeCode code);
  void DriverFailure();

  Platform& platform_;
  Status& status_;
  bool driverFailureShown_ = false;  // reported while no status window was set
  SerialAdapter serialAdapter_{*this};
  ParallelAdapter parallelAdapter_{*this};
};

}  // namespace ravix
