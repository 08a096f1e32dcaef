#include "link/ftdi_adapter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace ravix {

namespace {

using namespace ftdi_pin;

// A chip that sends nothing back for this long has gone (unplugged, or its driver hung).
constexpr uint64_t kLostAfterUs = 1000000;
// What a chip that has gone shows: every input released.
constexpr uint8_t kIdlePins = 0xFF;

bool Asserted(uint8_t sample, uint8_t pin) { return (sample & pin) == 0; }

#if defined(_WIN32)
constexpr const char* kNoFtdiLibrary =
    "FTDI cables in bit-bang mode need ftd2xx.dll, which FTDI's driver installs; it was not found.";
#elif defined(RAVIX_HAVE_LIBFTDI)
constexpr const char* kNoFtdiLibrary = "FTDI cables in bit-bang mode are not offered here.";
#else
constexpr const char* kNoFtdiLibrary =
    "FTDI cables in bit-bang mode need libftdi: this build has none (install libftdi1-dev and build again).";
#endif

}  // namespace

FtdiAdapter::FtdiAdapter(LinkState& link) : Adapter(KindOf(AdapterKindId::Ftdi), link) {}

FtdiAdapter::StateTiming FtdiAdapter::TimingForUnit(uint32_t unitUs) {
  unitUs = std::clamp(unitUs, LinkState::kShortestFtdiUnitUs, LinkState::kLongestFtdiUnitUs);
  // Whole states never shorter than asked: the rate rounds down.
  const uint32_t oneStateRate = 1000000 / unitUs;
  if (oneStateRate >= kSlowestRate) return {std::min(oneStateRate, kFastestRate), 1};
  // As few states as keep each at most 20 us, at the rate that makes them the unit.
  const uint32_t longestStateUs = 1000000 / kSlowestRate;
  const uint32_t states = (unitUs + longestStateUs - 1) / longestStateUs;
  return {static_cast<uint32_t>(uint64_t{states} * 1000000 / unitUs), static_cast<int>(states)};
}

int FtdiAdapter::OpenChip() {
  if (device_ && !lost_) return 0;
  CloseChip();
  Status& status = link_.status();
  const auto fail = [&status](const char* text, const std::string& detail) {
    status.ErrorText = text;
    status.SetErrorDetail(detail);
    return 1;
  };
  FtdiChips* chips = link_.platform().serial.Ftdi();
  if (!chips) return fail("COM-Init-Error!", kNoFtdiLibrary);
  std::string serial = ChipSerial;
  const std::vector<FtdiChipInfo> present = chips->List();
  if (serial.empty()) {
    if (present.empty()) return fail("COM-Init-Error!", "No FTDI cable is plugged in.");
    if (present.size() > 1) {
      std::string names;
      for (const FtdiChipInfo& chip : present) names += (names.empty() ? "ftdi:" : ", ftdi:") + chip.serial;
      return fail("COM-Init-Error!", "Several FTDI cables are plugged in; choose one: " + names + ".");
    }
    serial = present.front().serial;
  }
  openedSerial_ = serial;
  description_.clear();
  for (const FtdiChipInfo& chip : present)
    if (chip.serial == serial) description_ = chip.description;
  FtdiOpenFailure failure = FtdiOpenFailure::None;
  std::string why;
  device_ = chips->Open(serial, failure, why);
  if (!device_) {
    switch (failure) {
      case FtdiOpenFailure::NoSuchDevice:
        return fail("COM-Init-Error!", "No FTDI cable with the serial number " + serial + " is plugged in.");
      case FtdiOpenFailure::Permission:
        return fail("COM-Init-Error!",
                    "No permission to open the FTDI cable " + serial +
                        ": install the rule 60-ravix-setup-ftdi.rules into /lib/udev/rules.d (the package does), "
                        "then plug the cable in again.");
      case FtdiOpenFailure::Busy:
        return fail("COM-Init-Error!", "The FTDI cable " + serial + " is in use by another program; close it first.");
      default: return fail("COM-Init-Error!", why);
    }
  }
  const StateTiming timing = Timing();
  latencyMs_ = device_->ShortestLatencyMs();
  // Samples come back when the latency timer runs out: short, or every answer waits 16 ms.
  if (!device_->SetSyncBitBang(kOutputs) || !device_->SetStateRate(timing.statesPerSecond) ||
      !device_->SetLatencyTimer(latencyMs_) || !device_->Purge()) {
    const std::string detail = device_->LastError();
    device_.reset();
    return fail("Kann COM-Port Einstellung nicht schreiben.", detail);
  }
  queue_.clear();
  queuedTotal_ = written_ = received_ = 0;
  bits_.clear();
  bitsArrived_ = 0;
  pinsWanted_ = UINT64_MAX;
  streaming_ = false;
  stream_.clear();
  lost_ = false;
  reported_ = false;
  roundTrips_ = {};
  figures_ = {};
  // The lines as the tool left them: the chip may come up with its pins elsewhere.
  Put();
  Send();
  return 0;
}

void FtdiAdapter::CloseChip() {
  if (!device_) return;
  // What is queued still goes onto the pins (a RESET held low stays held).
  if (!lost_) Drain();
  device_.reset();
}

void FtdiAdapter::ChipLost() {
  if (lost_) return;
  lost_ = true;
  // The exchanges cannot fail: what is queued or on the way reads as released lines,
  // and the protocol's checks see a controller that does not answer.
  for (uint64_t i = received_; i < written_ + queue_.size(); ++i) TakeSample(i, kIdlePins);
  written_ += queue_.size();
  received_ = written_;
  queue_.clear();
}

void FtdiAdapter::StopStream() {
  streaming_ = false;
  stream_.clear();
}

void FtdiAdapter::Put() {
  queue_.push_back(pins_);
  ++queuedTotal_;
}

void FtdiAdapter::Change(uint8_t pin, bool asserted) {
  StopStream();
  pins_ = static_cast<uint8_t>(asserted ? pins_ & ~pin : pins_ | pin);
  Put();
}

void FtdiAdapter::Hold(int states) {
  StopStream();
  for (int i = 0; i < states; ++i) Put();
}

void FtdiAdapter::WantBit() {
  StopStream();
  bits_.push_back({queuedTotal_, kIdlePins});
}

void FtdiAdapter::TakeSample(uint64_t index, uint8_t value) {
  if (bitsArrived_ < bits_.size() && bits_[bitsArrived_].index == index) bits_[bitsArrived_++].value = value;
  if (index == pinsWanted_) pinsSample_ = value;
  if (streaming_ && index >= streamFrom_) stream_.push_back(value);
}

bool FtdiAdapter::ReadSome() {
  if (lost_ || !device_) return false;
  uint8_t samples[256];
  const int n = device_->Read(samples);
  if (n < 0) {
    ChipLost();
    return false;
  }
  for (int i = 0; i < n; ++i) TakeSample(received_++, samples[i]);
  return n > 0;
}

void FtdiAdapter::AwaitSamples(uint64_t count) {
  if (received_ >= count || !device_) return;
  const uint64_t start = link_.NowUs();
  uint64_t lastSeen = start;
  while (received_ < count && !lost_) {
    if (ReadSome()) {
      lastSeen = link_.NowUs();
      continue;
    }
    if (link_.NowUs() - lastSeen > kLostAfterUs) {
      ChipLost();
      break;
    }
    link_.WaitUs(kPollUs);
  }
}

void FtdiAdapter::Send() {
  if (!device_) {
    // No chip: nothing reaches a controller, and what would have come back is idle.
    for (uint64_t i = written_; i < written_ + queue_.size(); ++i) TakeSample(i, kIdlePins);
    written_ += queue_.size();
    received_ = written_;
    queue_.clear();
    return;
  }
  while (!queue_.empty() && !lost_) {
    const uint64_t inFlight = written_ - received_;
    if (inFlight >= kFtdiMaxInFlight) {
      AwaitSamples(received_ + 1);
      continue;
    }
    const size_t n = std::min({queue_.size(), kFtdiMaxWrite, static_cast<size_t>(kFtdiMaxInFlight - inFlight)});
    if (!device_->Write(std::span<const uint8_t>(queue_.data(), n))) {
      ChipLost();
      return;
    }
    written_ += n;
    queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(n));
    ReadSome();
  }
}

void FtdiAdapter::Drain() {
  Send();
  if (received_ == written_ || !device_) return;
  const uint64_t start = link_.NowUs();
  AwaitSamples(written_);
  roundTrips_.Add(link_.NowUs() - start);
}

void FtdiAdapter::TakeInBits() {
  if (bits_.empty()) return;
  Drain();
  uint32_t& rx = link_.RxRegister();
  for (const Wanted& bit : bits_) rx = rx * 2 + (Asserted(bit.value, kCts) ? 1 : 0);
  bits_.clear();
  bitsArrived_ = 0;
}

void FtdiAdapter::ForgetBits() {
  bits_.clear();
  bitsArrived_ = 0;
}

void FtdiAdapter::SettleLines() {
  if (queue_.empty() && written_ == received_) return;
  Drain();
}

uint8_t FtdiAdapter::ReadPins() {
  StopStream();
  pinsWanted_ = queuedTotal_;
  pinsSample_ = kIdlePins;
  Put();
  Drain();
  pinsWanted_ = UINT64_MAX;
  return pinsSample_;
}

void FtdiAdapter::SetClock(bool high) {
  Change(kRts, high);
  Send();
}

void FtdiAdapter::SetData(bool high) {
  Change(kDtr, high);
  Send();
}

// TXD held at space (the break state) is the released RESET.
void FtdiAdapter::SetReset(bool high) {
  Change(kTxd, high);
  Send();
}

uint32_t FtdiAdapter::SampleData() {
  const int unit = Timing().statesPerUnit;
  if (AdapterVerified) {
    Change(kDtr, true);
    Hold(unit);
  }
  StopStream();
  pinsWanted_ = queuedTotal_;
  Hold(unit);
  Drain();
  pinsWanted_ = UINT64_MAX;
  return Asserted(pinsSample_, kCts) ? 1 : 0;
}

void FtdiAdapter::ReadInput() {
  Hold(1);
  Send();
}

bool FtdiAdapter::ReadDataLine() {
  if (!device_) return false;
  if (!streaming_) {
    Send();
    streaming_ = true;
    streamFrom_ = queuedTotal_;
  }
  uint64_t lastSeen = link_.NowUs();
  while (stream_.empty()) {
    // The window stays full of states that hold the lines: one sample each, at the
    // unit's rate, as long as the chip can take them.
    const uint64_t inFlight = written_ - received_ + queue_.size();
    for (uint64_t i = inFlight; i < kFtdiMaxInFlight; ++i) Put();
    Send();
    if (lost_) return false;
    if (!stream_.empty() || ReadSome()) {
      lastSeen = link_.NowUs();
      continue;
    }
    if (link_.NowUs() - lastSeen > kLostAfterUs) {
      ChipLost();
      return false;
    }
    link_.WaitUs(kPollUs);
  }
  const uint8_t sample = stream_.front();
  stream_.pop_front();
  return Asserted(sample, kCts);
}

void FtdiAdapter::TransferBit(uint32_t bit) {
  // The serial adapter's bit, a state for each line change and each delay unit:
  // data, delay, clock up, delay, [DTR up again, delay,] sample, delay, clock down, delay.
  const int unit = Timing().statesPerUnit;
  Change(kDtr, bit != 0);
  Hold(unit);
  Change(kRts, true);
  Hold(unit);
  if (AdapterVerified) {
    Change(kDtr, true);
    Hold(unit);
  }
  WantBit();
  Hold(unit);
  Change(kRts, false);
  Hold(unit);
}

void FtdiAdapter::TransferByte() {
  link_.SetRxWord(0);
  Hold(2 * Timing().statesPerUnit);
  for (int i = 0; i < 8; ++i) TransferBit((link_.TxWord >> (7 - i)) & 1);
  Send();
}

void FtdiAdapter::TransferWord() {
  for (int i = 0; i < 16; ++i) TransferBit((link_.TxWord >> (15 - i)) & 1);
  Send();
}

void FtdiAdapter::ShortDelay(int n) {
  if (n == 0) n = 1;
  if (n < 0) return;
  Hold(n * Timing().statesPerUnit);
  Send();
}

void FtdiAdapter::CalibrateDelay() {
  link_.DelayCount = 1;
  link_.WaitMs(50);
}

int FtdiAdapter::Detect() {
  if (OpenChip() != 0) return 1;
  AdapterVerified = false;
  // DSR follows DTR inside the adapter: it must rise with DTR and fall with it.
  for (const bool dtr : {true, false}) {
    Change(kDtr, dtr);
    link_.WaitMs(150);
    if (Asserted(ReadPins(), kDsr) != dtr) {
      link_.status().ErrorText = "No Adaptor found at " + link_.PortName + "\n";
      return 1;
    }
  }
  AdapterVerified = true;
  if (!reported_) {
    link_.status().ui().Note(FiguresText());
    reported_ = true;
  }
  return 0;
}

int FtdiAdapter::PulseReset(uint32_t heldMs) {
  if (OpenChip() != 0) return 1;
  Change(kRts, false);
  Change(kDtr, false);
  Change(kTxd, false);
  link_.WaitMs(100);
  SetReset(true);
  link_.WaitMs(heldMs);
  SetReset(false);
  return 0;
}

Adapter::BitShape FtdiAdapter::Shape() const {
  if (AdapterVerified) return {.lineOps = 4, .reads = 1, .units = 5, .opsBeforeSample = 1, .unitsBeforeSample = 1};
  return {.lineOps = 3, .reads = 1, .units = 4, .opsBeforeSample = 0, .unitsBeforeSample = 0};
}

double FtdiAdapter::ExpectedByteUs() const {
  const StateTiming timing = Timing();
  const int unit = timing.statesPerUnit;
  const int bit = AdapterVerified ? 4 + 5 * unit : 3 + 4 * unit;
  return (2 * unit + 8 * bit) * timing.StateUs();
}

double FtdiAdapter::ExpectedShortDelayUs(int n) const {
  if (n == 0) n = 1;
  if (n < 0) return 0;
  return n * Timing().UnitUs();
}

double FtdiAdapter::ExpectedAnswerUs() const {
  // The last state's sample comes back a round trip after it went onto the pins: the
  // latency timer, at the least one USB frame, and half a look on average.
  return std::max<int>(latencyMs_, 1) * 1000.0 + kPollUs / 2.0;
}

std::string FtdiAdapter::FiguresText() const {
  const StateTiming timing = Timing();
  char text[256];
  std::snprintf(text, sizeof text,
                "port %s (%s adapter): cable %s%s%s, %u states a second, delay unit %s (%d state%s), latency timer "
                "%u ms",
                link_.PortName.c_str(), std::string(kind_.name).c_str(), openedSerial_.c_str(),
                description_.empty() ? "" : " ", description_.empty() ? "" : ("(" + description_ + ")").c_str(),
                timing.statesPerSecond, Milliseconds(timing.UnitUs()).c_str(), timing.statesPerUnit,
                timing.statesPerUnit == 1 ? "" : "s", static_cast<unsigned>(latencyMs_));
  return text;
}

}  // namespace ravix
