#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "link/adapter.h"
#include "platform/ftdi_device.h"

namespace ravix {

// The adapter on an FTDI USB cable driven in the chip's synchronous bit-bang mode. The
// roles lie where they lie on the serial port (RTS clock, DTR data out and loop-back to
// DSR, the break state of TXD the controller's RESET, CTS data in); but instead of one
// USB round trip per line change, every line change of the bit, byte and command
// sequences becomes one state of the pins and a short-delay unit a number of states
// that hold them, all queued and written in batches. The chip puts them on the pins at
// the rate the tool sets and samples the inputs with each, so the controller sees
// every change of the sequences in their order, each level held at least its unit;
// only the moment at which the tool learns an answer moves. It waits for the chip's
// samples where an answer decides what comes next (the link's receive register is
// read), before a millisecond wait (the pins hold their level meanwhile), and where
// the window of unread states is full; it drains the other samples as it goes.
class FtdiAdapter final : public Adapter {
 public:
  explicit FtdiAdapter(LinkState& link);
  ~FtdiAdapter() override { CloseChip(); }

  // The chip's serial number ("A50285BI"); empty: the only FTDI cable there is.
  std::string ChipSerial;
  // The loop-back answered: every bit drives DTR high again after the rising clock
  // edge, before the sample, as on the serial adapter.
  bool AdapterVerified = false;

  // Opens and sets up the chip once; 1 with ErrorText (and what to do in its detail).
  [[nodiscard]] int OpenChip();
  void CloseChip();
  bool ChipOpen() const { return device_ != nullptr; }
  // The chip opened last, and its product string.
  const std::string& OpenedSerial() const { return openedSerial_; }
  const std::string& ChipDescription() const { return description_; }

  void SetClock(bool high) override;
  void SetData(bool high) override;
  void SetReset(bool high) override;
  uint32_t SampleData() override;
  // The rev counter's busy sampling: a stream of held states, one sample each.
  bool ReadDataLine() override;
  void ReadInput() override;
  int Detect() override;
  void Prepare() override {}
  int PulseProgrammingReset() override { return PulseReset(1); }
  int PulseProgrammingResetLong() override { return PulseReset(200); }

  void TransferBit(uint32_t bit) override;
  void TransferByte() override;
  void TransferWord() override;
  void ShortDelay(int n) override;
  // No reads to count: the unit is a number of states. The 50 ms the measurement
  // takes on the serial adapter pass with the pins held.
  void CalibrateDelay() override;

  double ExpectedByteUs() const override;
  double ExpectedShortDelayUs(int n) const override;
  double ExpectedAnswerUs() const override;

  void TakeInBits() override;
  void ForgetBits() override;
  void SettleLines() override;

  // The timing the unit asked for gives: states a second, states per unit.
  struct StateTiming {
    uint32_t statesPerSecond;
    int statesPerUnit;
    double StateUs() const { return 1e6 / statesPerSecond; }
    double UnitUs() const { return statesPerUnit * StateUs(); }
  };
  // One state per unit up to 20 us; beyond, as few states as keep each at most 20 us
  // (some chips' pulse widths are wrong at low rates), never shorter than the unit.
  static StateTiming TimingForUnit(uint32_t unitUs);
  StateTiming Timing() const { return TimingForUnit(link_.ftdiUnitUs); }

  // What the chip has done since it was opened.
  uint64_t StatesSent() const { return written_; }
  // The waits for every sample of what was sent (an answer, a millisecond wait ahead):
  // how many, and how long they took, the states still going out included.
  const TimedCalls& Drains() const { return roundTrips_; }
  uint8_t LatencyMs() const { return latencyMs_; }
  // The chip's figures in one line, for the session log and port-check.
  std::string FiguresText() const;

  // How often the tool looks for samples that have not come yet.
  static constexpr uint32_t kPollUs = 100;
  static constexpr uint32_t kFastestRate = 142857;  // 7 us states
  static constexpr uint32_t kSlowestRate = 50000;   // 20 us states

 protected:
  BitShape Shape() const override;

 private:
  // One state with the role's pin changed (the transceiver inverts: 0 is asserted).
  void Change(uint8_t pin, bool asserted);
  void Hold(int states);
  // The sample that comes with the next state shows the data line now.
  void WantBit();
  void Put();
  // Writes what is queued, at most 64 states a write and 128 unread; waits for samples
  // only when that window is full.
  void Send();
  // Writes everything and waits until the chip has sent back the sample of every state
  // written: all of them are on the pins.
  void Drain();
  // Reads what has come back; false when nothing has.
  bool ReadSome();
  void AwaitSamples(uint64_t count);
  void ChipLost();
  void StopStream();
  uint8_t ReadPins();
  int PulseReset(uint32_t heldMs);
  void TakeSample(uint64_t index, uint8_t value);

  std::unique_ptr<FtdiDevice> device_;
  std::string openedSerial_;  // the chip opened (ChipSerial, or the only one there was)
  std::string description_;
  uint8_t latencyMs_ = 0;
  bool lost_ = false;      // the chip stopped answering; the exchanges go on with idle samples
  bool reported_ = false;  // the figures went to the session log since the chip opened
  // The outputs as the last queued state sets them: all lines released.
  uint8_t pins_ = ftdi_pin::kOutputs;
  std::vector<uint8_t> queue_;
  uint64_t queuedTotal_ = 0;  // states queued since the chip opened (the next state's index)
  uint64_t written_ = 0;      // states written
  uint64_t received_ = 0;     // samples read back
  // The samples whose data bits go into the receive register, in order.
  struct Wanted {
    uint64_t index;
    uint8_t value;
  };
  std::deque<Wanted> bits_;
  size_t bitsArrived_ = 0;
  uint64_t pinsWanted_ = UINT64_MAX;
  uint8_t pinsSample_ = 0xFF;
  // The rev counter's stream.
  bool streaming_ = false;
  uint64_t streamFrom_ = 0;
  std::deque<uint8_t> stream_;
  TimedCalls roundTrips_;
};

}  // namespace ravix
