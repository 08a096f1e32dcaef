#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "link/adapter.h"

namespace ravix {

// The adapter on a serial port's modem lines: RTS is the clock, DTR the data to the
// controller (and loops back to DSR inside the adapter), the break state of TXD its
// RESET, CTS the data from it. Each line change is one operating-system call.
class SerialAdapter final : public Adapter {
 public:
  explicit SerialAdapter(LinkState& link);

  // The name handed to the operating system ("COM1", "COM12", "/dev/ttyUSB0").
  std::string ComDeviceName;
  std::unique_ptr<SerialDevice> ComHandle;
  bool ComPortOpen = false;
  // The last modem status read; kept when a read fails.
  uint32_t ModemStatus = 0;
  // The adapter passed the loop-back test: every bit drives DTR high again after the
  // rising clock edge, before the sample.
  bool AdapterVerified = false;

  // One call each, timed; failures ignored; nothing happens on a closed port.
  void SetRts();
  void ClearRts();
  void SetDtr();
  void ClearDtr();
  void SetBreak();
  void ClearBreak();
  // Reads the modem status into ModemStatus; 1 when CTS is on.
  int ReadCts();

  // 9600 8N1 with short read time-outs, opened once; 1 with ErrorText on failure.
  [[nodiscard]] int OpenComPort();
  void CloseComPort();

  void SetClock(bool high) override;
  void SetData(bool high) override;
  void SetReset(bool high) override;
  uint32_t SampleData() override;
  bool ReadDataLine() override { return ReadCts() != 0; }
  void ReadInput() override { ReadCts(); }
  // Opens the port and tests the DTR-to-DSR loop-back; with the port-aware timing on a
  // slow port it measures, inside the test's waits, how late DSR shows a change.
  int Detect() override;
  void Prepare() override {}
  int PulseProgrammingReset() override { return PulseReset(1); }
  int PulseProgrammingResetLong() override { return PulseReset(200); }

  // The port's figures in one line, for the session log.
  std::string FiguresText() const;

  // The measurement's reads after a change of DTR: the first pass (DTR rising) looks
  // at widening gaps, the second (DTR falling) between the last read that did not
  // show the change and the first that did. At most this many reads in each.
  static constexpr int kMeasuringReadsPerWait = 8;

 protected:
  BitShape Shape() const override;

 private:
  void Escape(EscapeCode code);
  int PulseReset(uint32_t heldMs);
  // What the adapter check knows of how late a change shows: one read at `above`
  // microseconds after a change did not show it, one at `atMost` did (-1: none).
  struct Measurement {
    bool looked = false;
    int64_t above = -1;
    int64_t atMost = -1;
  };
  // Reads DSR at the moments of one look after DTR changed at changedUs, until it shows
  // the new level; narrows the measurement.
  void MeasureShow(bool dtr, uint64_t changedUs, Measurement& measurement);

  uint64_t clockRoseUs_ = 0;
  // DTR as the tool last drove it; not known after the open.
  std::optional<bool> dtrHigh_;
  bool reported_ = false;  // the figures went to the session log since the port opened
};

}  // namespace ravix
