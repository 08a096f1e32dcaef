#include "link/serial_adapter.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace ravix {

SerialAdapter::SerialAdapter(LinkState& link) : Adapter(KindOf(AdapterKindId::Serial), link) {}

void SerialAdapter::Escape(EscapeCode code) {
  if (!ComHandle) return;
  const uint64_t start = link_.NowUs();
  ComHandle->Escape(code);
  figures_.lineOps.Add(link_.NowUs() - start);
}

void SerialAdapter::SetRts() { Escape(EscapeCode::SetRts); }
void SerialAdapter::ClearRts() { Escape(EscapeCode::ClearRts); }
void SerialAdapter::SetDtr() {
  Escape(EscapeCode::SetDtr);
  dtrHigh_ = true;
}
void SerialAdapter::ClearDtr() {
  Escape(EscapeCode::ClearDtr);
  dtrHigh_ = false;
}
void SerialAdapter::SetBreak() { Escape(EscapeCode::SetBreak); }
void SerialAdapter::ClearBreak() { Escape(EscapeCode::ClearBreak); }

int SerialAdapter::ReadCts() {
  uint32_t status = ModemStatus;
  if (ComHandle) {
    const uint64_t start = link_.NowUs();
    const bool read = ComHandle->GetModemStatus(status);
    figures_.statusReads.Add(link_.NowUs() - start);
    if (read) ModemStatus = status;
  }
  return (ModemStatus & MS_CTS_ON) ? 1 : 0;
}

int SerialAdapter::OpenComPort() {
  if (ComPortOpen) return 0;
  ComHandle.reset();
  Status& status = link_.status();
  std::string why;
  auto handle = link_.platform().serial.OpenWithReason(ComDeviceName, why);
  if (!handle) {
    status.ErrorText = "COM-Init-Error!";
    status.SetErrorDetail(why);
    return 1;
  }
  // A port whose set-up fails is let go at once: held open it would keep every other
  // program out (it is opened for exclusive access) while the tool cannot use it.
  const auto setUpFailed = [this, &status](const char* text) {
    status.ErrorText = text;
    ComHandle.reset();
    return 1;
  };
  ComHandle = std::move(handle);
  // Another device: what was timed on the last one says nothing about this one, and
  // how it left DTR is not known.
  figures_ = {};
  reported_ = false;
  dtrHigh_.reset();
  LineSettings settings;
  if (!ComHandle->GetLineSettings(settings)) return setUpFailed("Kann COM-Port Einstellung nicht lesen.");
  settings.BaudRate = 9600;
  settings.ByteSize = 8;
  settings.Parity = NOPARITY;
  settings.StopBits = ONESTOPBIT;
  if (!ComHandle->SetLineSettings(settings)) return setUpFailed("Kann COM-Port Einstellung nicht schreiben.");
  ReadTimeouts timeouts;
  timeouts.ReadIntervalTimeout = 3;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 5;
  if (!ComHandle->SetTimeouts(timeouts)) return setUpFailed("Kann TIMEOUTS nicht schreiben.");
  ComPortOpen = true;
  return 0;
}

void SerialAdapter::CloseComPort() {
  ComHandle.reset();
  ComPortOpen = false;
}

void SerialAdapter::SetClock(bool high) {
  if (!high) {
    ClearRts();
    return;
  }
  SetRts();
  // The controller's bit for this clock is read no sooner than the port can show it.
  if (Rules().SampleAfterRiseUs() > 0) clockRoseUs_ = link_.NowUs();
}

void SerialAdapter::SetData(bool high) { high ? SetDtr() : ClearDtr(); }
// TXD held in break is the released RESET.
void SerialAdapter::SetReset(bool high) { high ? SetBreak() : ClearBreak(); }

uint32_t SerialAdapter::SampleData() {
  // A verified adapter pulls its data line high before the controller drives CTS.
  if (AdapterVerified) {
    SetDtr();
    ShortDelay(1);
  }
  // A chip that answers from its last status report would give the bit of the clock
  // before: its report of this one is still on the way.
  if (const uint32_t after = Rules().SampleAfterRiseUs(); after > 0) link_.WaitUntilUs(clockRoseUs_ + after);
  const uint32_t level = ReadCts() ? 1 : 0;
  ShortDelay(1);
  return level;
}

Adapter::BitShape SerialAdapter::Shape() const {
  if (AdapterVerified) return {.lineOps = 4, .reads = 1, .units = 5, .opsBeforeSample = 1, .unitsBeforeSample = 1};
  return {.lineOps = 3, .reads = 1, .units = 4, .opsBeforeSample = 0, .unitsBeforeSample = 0};
}

int SerialAdapter::Detect() {
  if (OpenComPort() != 0) return 1;
  AdapterVerified = false;
  // Raising DTR changes it only when it was low: left high by the last command, DSR
  // shows high at once whatever the port's delay, and only the falling edge tells.
  const bool riseIsAChange = dtrHigh_ == false;
  Measurement measurement;
  bool measured = false;
  // DSR follows DTR inside the adapter: it must rise with DTR and fall with it.
  for (const bool dtr : {true, false}) {
    SetData(dtr);
    const uint64_t changed = link_.NowUs();
    const uint32_t waitStart = link_.clock().TickCount();
    // A built-in port shows a change at once and is left as the check has always
    // treated it: no read beyond the check's own.
    if (link_.timing == Timing::PortAware && figures_.SlowLineOps() && (!dtr || riseIsAChange)) {
      if (!measured) figures_.measuringReads = 0;
      MeasureShow(dtr, changed, measurement);
      measured = true;
    }
    link_.WaitMsFrom(waitStart, 150);
    ReadCts();
    if (((ModemStatus & MS_DSR_ON) != 0) != dtr) {
      link_.status().ErrorText = "No Adaptor found at " + link_.PortName + "\n";
      return 1;
    }
  }
  if (measured) {
    // Not seen in the measuring reads: the check's own read 150 ms on saw it. A finer
    // figure found earlier on this port stays while this check's bounds hold it.
    const uint32_t atMost = static_cast<uint32_t>(measurement.atMost >= 0 ? measurement.atMost : 150000);
    const bool earlierFits = figures_.showMeasured && static_cast<int64_t>(figures_.showUs) > measurement.above &&
                             figures_.showUs <= atMost;
    if (!earlierFits) figures_.showUs = atMost;
    figures_.showMeasured = true;
  }
  AdapterVerified = true;
  if (!reported_) {
    link_.status().ui().Note(FiguresText());
    reported_ = true;
  }
  return 0;
}

void SerialAdapter::MeasureShow(bool dtr, uint64_t changedUs, Measurement& m) {
  // The first look at a change: widening gaps. The second, once the first has seen
  // it: between the last read that did not show it and the first that did.
  std::vector<uint64_t> offsets;
  if (!m.looked) {
    offsets = {0, 500, 1000, 2000, 4000, 8000, 16000, 32000};
  } else if (m.atMost == 0) {
    offsets = {0};  // shown in the first read: one read to see it again
  } else if (m.atMost > 0) {
    // All but one read between the bounds; the last at twice the upper one, in case
    // this change shows a little later than the first did (a report is a poll apart).
    const uint64_t low = static_cast<uint64_t>(std::max<int64_t>(m.above, 0));
    const uint64_t high = static_cast<uint64_t>(m.atMost);
    constexpr int kBetween = kMeasuringReadsPerWait - 1;
    for (int k = 1; k <= kBetween; ++k) offsets.push_back(low + (high - low) * k / kBetween);
    offsets.push_back(2 * high);
  } else {
    offsets = {40000, 55000, 70000, 85000, 100000, 115000, 130000, 145000};
  }
  const bool refining = m.looked;
  m.looked = true;
  int64_t above = refining ? m.above : -1;
  for (const uint64_t offset : offsets) {
    link_.WaitUntilUs(changedUs + offset);
    // A read right after the change that shows it: the status is live.
    const int64_t at = offset == 0 ? 0 : static_cast<int64_t>(link_.NowUs() - changedUs);
    ReadCts();
    ++figures_.measuringReads;
    if (((ModemStatus & MS_DSR_ON) != 0) == dtr) {
      m.atMost = at;
      m.above = above;
      return;
    }
    above = at;
  }
  m.above = above;
  m.atMost = -1;  // not seen: slower than these reads, the check's own read decides
}

std::string SerialAdapter::FiguresText() const {
  char text[256];
  const char* timing = link_.timing == Timing::PortAware ? "port-aware" : "specified";
  std::string shows = "how late a change shows not measured";
  if (figures_.showMeasured)
    shows = "a change shows " +
            (figures_.showUs == 0 ? std::string("at once") : "after " + Milliseconds(figures_.showUs));
  std::snprintf(text, sizeof text, "port %s (%s adapter): line operation %s, status read %s, %s, timing %s",
                link_.PortName.c_str(), std::string(kind_.name).c_str(), Milliseconds(figures_.LineOpUs()).c_str(),
                Milliseconds(figures_.StatusReadUs()).c_str(), shows.c_str(), timing);
  return text;
}

int SerialAdapter::PulseReset(uint32_t heldMs) {
  if (OpenComPort() != 0) return 1;
  ClearRts();
  ClearDtr();
  ClearBreak();
  link_.WaitMs(100);
  SetBreak();
  link_.WaitMs(heldMs);
  ClearBreak();
  return 0;
}

}  // namespace ravix
