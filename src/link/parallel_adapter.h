#pragma once
#include <cstdint>
#include <memory>

#include "link/adapter.h"

namespace ravix {

// Bits of the parallel data register (LptLatch) and their roles.
inline constexpr uint32_t kLptData = 0x01;
inline constexpr uint32_t kLptClock = 0x02;
inline constexpr uint32_t kLptReset = 0x08;

// The adapter on a parallel port: data bits 0, 1 and 3 are data, clock and RESET, the
// ACK line (status bit 6) the data from the controller. The port is reached with direct
// port instructions (the 9x line) or through the port-I/O driver library.
class ParallelAdapter final : public Adapter {
 public:
  explicit ParallelAdapter(LinkState& link);

  // Data register at LptBase, status at LptBase + 1, control at LptBase + 2.
  uint16_t LptBase = 0x378;
  bool DirectPortIo = false;
  std::unique_ptr<PortDriver> PortDriverLibrary;  // may be null
  bool PortDriverReady = false;
  // Shadow of the data register: every output writes it; bits change by
  // read-modify-write of the shadow, never by reading the port.
  uint32_t LptLatch = 0;
  // The last read: data register in the low byte, status register in the high byte.
  uint16_t LptLastRead = 0;

  // The parallel port can be reached at all (directly or through the driver).
  bool Reachable() const { return DirectPortIo || PortDriverReady; }

  void WriteLpt();
  void ReadLpt();
  // Sets or clears the given bits of LptLatch and writes it.
  void SetLptLines(uint32_t bits, bool high);

  void SetClock(bool high) override { SetLptLines(kLptClock, high); }
  void SetData(bool high) override { SetLptLines(kLptData, high); }
  void SetReset(bool high) override { SetLptLines(kLptReset, high); }
  uint32_t SampleData() override { return ReadDataLine() ? 1 : 0; }
  bool ReadDataLine() override;
  void ReadInput() override { ReadLpt(); }
  int Detect() override { return 0; }
  // Drives data out, clock and reset low (the direct access also makes the data lines drive).
  void Prepare() override;
  int PulseProgrammingReset() override;
  int PulseProgrammingResetLong() override;

 protected:
  BitShape Shape() const override {
    return {.lineOps = 3, .reads = 1, .units = 3, .opsBeforeSample = 0, .unitsBeforeSample = 1};
  }

 private:
  void DriverFailure();
  bool driverFailureShown_ = false;  // reported while no status window was set
};

}  // namespace ravix
