#include "link/adapter.h"

#include "link/link.h"

namespace ravix {

namespace {
constexpr uint16_t kLptAck = 0x4000;  // status bit 6 in the high byte of the 16-bit read
}  // namespace

void SerialAdapter::SetClock(bool high) { high ? link_.SetRts() : link_.ClearRts(); }
void SerialAdapter::SetData(bool high) { high ? link_.SetDtr() : link_.ClearDtr(); }
// TXD held in break is the released RESET.
void SerialAdapter::SetReset(bool high) { high ? link_.SetBreak() : link_.ClearBreak(); }
void SerialAdapter::ReadInput() { link_.ReadCts(); }

uint32_t SerialAdapter::SampleData() {
  // A verified adapter pulls its data line high before the controller drives CTS.
  if (link_.AdapterVerified) {
    link_.SetDtr();
    link_.ShortDelay(1);
  }
  const uint32_t level = link_.ReadCts() ? 1 : 0;
  link_.ShortDelay(1);
  return level;
}

int SerialAdapter::Detect() {
  if (link_.OpenComPort() != 0) return 1;
  link_.AdapterVerified = false;
  // DSR follows DTR inside the adapter: it must rise with DTR and fall with it.
  for (const bool dtr : {true, false}) {
    SetData(dtr);
    link_.WaitMs(150);
    link_.ReadCts();
    if (((link_.ModemStatus & MS_DSR_ON) != 0) != dtr) {
      link_.status_.ErrorText = "No Adaptor found at " + link_.PortName + "\n";
      return 1;
    }
  }
  link_.AdapterVerified = true;
  return 0;
}

int SerialAdapter::PulseReset(uint32_t heldMs) {
  if (link_.OpenComPort() != 0) return 1;
  link_.ClearRts();
  link_.ClearDtr();
  link_.ClearBreak();
  link_.WaitMs(100);
  link_.SetBreak();
  link_.WaitMs(heldMs);
  link_.ClearBreak();
  return 0;
}

int SerialAdapter::PulseProgrammingReset() { return PulseReset(1); }
int SerialAdapter::PulseProgrammingResetLong() { return PulseReset(200); }

void ParallelAdapter::SetClock(bool high) { link_.SetLptLines(kLptClock, high); }
void ParallelAdapter::SetData(bool high) { link_.SetLptLines(kLptData, high); }
void ParallelAdapter::SetReset(bool high) { link_.SetLptLines(kLptReset, high); }
void ParallelAdapter::ReadInput() { link_.ReadLpt(); }

uint32_t ParallelAdapter::SampleData() {
  link_.ReadLpt();
  return (link_.LptLastRead & kLptAck) ? 1 : 0;
}

void ParallelAdapter::Prepare() {
  if (link_.DirectPortIo) {
    // Clear the direction bit of the control register so that the data lines drive.
    Os& os = link_.platform_.os;
    const auto control = static_cast<uint16_t>(link_.LptBase + 2);
    os.PortOut8(control, static_cast<uint8_t>(os.PortIn16(control) & 0xFF & ~0x20));
    link_.WaitMs(10);
    link_.SetLptLines(kLptData | kLptClock | kLptReset, false);
    link_.WaitMs(10);
  } else if (link_.PortDriverReady) {
    link_.SetLptLines(kLptData | kLptClock | kLptReset, false);
  }
}

// The parallel port is fast enough that the short pulse is timed by the delay loop.
int ParallelAdapter::PulseProgrammingReset() {
  Prepare();
  link_.WaitMs(30);
  SetReset(true);
  link_.ShortDelay(10);
  SetReset(false);
  return 0;
}

int ParallelAdapter::PulseProgrammingResetLong() {
  Prepare();
  link_.SetLptLines(kLptData | kLptClock | kLptReset, false);
  link_.WaitMs(1);
  SetReset(true);
  link_.WaitMs(1);
  link_.WaitMs(200);
  SetReset(false);
  return 0;
}

}  // namespace ravix
