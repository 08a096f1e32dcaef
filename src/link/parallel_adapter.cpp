#include "link/parallel_adapter.h"

namespace ravix {

namespace {
constexpr uint16_t kLptAck = 0x4000;  // status bit 6 in the high byte of the 16-bit read
}  // namespace

ParallelAdapter::ParallelAdapter(LinkState& link) : Adapter(KindOf(AdapterKindId::Parallel), link) {}

// Without direct port access and without the driver's export the tool cannot reach
// the parallel port at all: it says so and ends the window that runs the command.
//
// Every bit makes several accesses, and the command winds down after the window has
// ended: once the window is ended (or, with no window to end, once the box has been
// shown) the remaining accesses fail quietly, so the user sees one box, not hundreds.
void ParallelAdapter::DriverFailure() {
  Status& status = link_.status();
  auto window = status.StatusWindow.lock();
  if (window ? window->Ended() : driverFailureShown_) return;
  link_.status().Refuse("Error", "Error during driver access!");
  if (window)
    window->End(1);
  else
    driverFailureShown_ = true;
}

void ParallelAdapter::WriteLpt() {
  if (DirectPortIo) {
    link_.platform().os.PortOut8(LptBase, static_cast<uint8_t>(LptLatch & 0xFF));
    return;
  }
  if (PortDriverLibrary && PortDriverLibrary->HasExport("DlPortWritePortUshort")) {
    PortDriverLibrary->WritePortUshort(LptBase, static_cast<uint16_t>(LptLatch & 0xFFFF));
    return;
  }
  DriverFailure();
}

void ParallelAdapter::ReadLpt() {
  if (DirectPortIo) {
    LptLastRead = link_.platform().os.PortIn16(LptBase);
    return;
  }
  if (PortDriverLibrary && PortDriverLibrary->HasExport("DlPortReadPortUlong")) {
    LptLastRead = static_cast<uint16_t>(PortDriverLibrary->ReadPortUlong(LptBase) & 0xFFFF);
    return;
  }
  DriverFailure();
}

void ParallelAdapter::SetLptLines(uint32_t bits, bool high) {
  LptLatch = high ? (LptLatch | bits) : (LptLatch & ~bits);
  WriteLpt();
}

// ACK taken as read, without inversion.
bool ParallelAdapter::ReadDataLine() {
  ReadLpt();
  return (LptLastRead & kLptAck) != 0;
}

void ParallelAdapter::Prepare() {
  if (DirectPortIo) {
    // Clear the direction bit of the control register so that the data lines drive.
    Os& os = link_.platform().os;
    const auto control = static_cast<uint16_t>(LptBase + 2);
    os.PortOut8(control, static_cast<uint8_t>(os.PortIn16(control) & 0xFF & ~0x20));
    link_.WaitMs(10);
    SetLptLines(kLptData | kLptClock | kLptReset, false);
    link_.WaitMs(10);
  } else if (PortDriverReady) {
    SetLptLines(kLptData | kLptClock | kLptReset, false);
  }
}

// The parallel port is fast enough that the short pulse is timed by the delay loop.
int ParallelAdapter::PulseProgrammingReset() {
  Prepare();
  link_.WaitMs(30);
  SetReset(true);
  ShortDelay(10);
  SetReset(false);
  return 0;
}

int ParallelAdapter::PulseProgrammingResetLong() {
  Prepare();
  SetLptLines(kLptData | kLptClock | kLptReset, false);
  link_.WaitMs(1);
  SetReset(true);
  link_.WaitMs(1);
  link_.WaitMs(200);
  SetReset(false);
  return 0;
}

}  // namespace ravix
