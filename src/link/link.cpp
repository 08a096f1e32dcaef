#include "link/link.h"

#include <cstdio>

namespace ravix {

Link::Link(Platform& platform, Status& status) : platform_(platform), status_(status) {}
Link::~Link() = default;

void Link::Escape(EscapeCode code) {
  if (ComHandle) ComHandle->Escape(code);
}

void Link::SetRts() { Escape(EscapeCode::SetRts); }
void Link::ClearRts() { Escape(EscapeCode::ClearRts); }
void Link::SetDtr() { Escape(EscapeCode::SetDtr); }
void Link::ClearDtr() { Escape(EscapeCode::ClearDtr); }
void Link::SetBreak() { Escape(EscapeCode::SetBreak); }
void Link::ClearBreak() { Escape(EscapeCode::ClearBreak); }

int Link::ReadCts() {
  uint32_t status = ModemStatus;
  if (ComHandle && ComHandle->GetModemStatus(status)) ModemStatus = status;
  return (ModemStatus & MS_CTS_ON) ? 1 : 0;
}

// Without direct port access and without the driver's export the tool cannot reach
// the parallel port at all: it says so and ends the window that runs the command.
//
// Every bit makes several accesses, and the command winds down after the window has
// ended: once the window is ended (or, with no window to end, once the box has been
// shown) the remaining accesses fail quietly, so the user sees one box, not hundreds.
void Link::DriverFailure() {
  auto window = status_.StatusWindow.lock();
  if (window ? window->Ended() : driverFailureShown_) return;
  platform_.ui.MessageBox(nullptr, "Error", "Error during driver access!");
  if (window)
    window->End(1);
  else
    driverFailureShown_ = true;
}

void Link::WriteLpt() {
  if (DirectPortIo) {
    platform_.os.PortOut8(LptBase, static_cast<uint8_t>(LptLatch & 0xFF));
    return;
  }
  if (PortDriverLibrary && PortDriverLibrary->HasExport("DlPortWritePortUshort")) {
    PortDriverLibrary->WritePortUshort(LptBase, static_cast<uint16_t>(LptLatch & 0xFFFF));
    return;
  }
  DriverFailure();
}

void Link::ReadLpt() {
  if (DirectPortIo) {
    LptLastRead = platform_.os.PortIn16(LptBase);
    return;
  }
  if (PortDriverLibrary && PortDriverLibrary->HasExport("DlPortReadPortUlong")) {
    LptLastRead = static_cast<uint16_t>(PortDriverLibrary->ReadPortUlong(LptBase) & 0xFFFF);
    return;
  }
  DriverFailure();
}

void Link::SetLptLines(uint32_t bits, bool high) {
  LptLatch = high ? (LptLatch | bits) : (LptLatch & ~bits);
  WriteLpt();
}

void Link::ReadInput() { Lines().ReadInput(); }

void Link::WaitMs(uint32_t n) {
  const uint32_t t0 = platform_.clock.TickCount();
  if (n == 0) return;
  // Unsigned difference: correct across the wrap of the 32-bit tick counter.
  while (static_cast<uint32_t>(platform_.clock.TickCount() - t0) < n) {
  }
}

void Link::ShortDelay(int n) {
  if (DelayCount == 0) DelayCount = 1;
  if (n == 0) n = 1;
  // One unit is five passes of DelayCount reads of the adapter's real input: the
  // delay lasts at least as long as a port access, on slow and fast machines alike.
  const long long passes = 5LL * n;
  if (passes <= 0) return;
  for (long long i = 0; i < passes; ++i)
    for (int r = 0; r < DelayCount; ++r) ReadInput();
}

void Link::CalibrateDelay() {
  uint32_t count = 0;
  const uint32_t t0 = platform_.clock.TickCount();
  uint32_t t;
  do {
    t = platform_.clock.TickCount();
    ReadInput();
    ++count;
  } while (static_cast<uint32_t>(t - t0) < 50);
  // About 1.35 microseconds of reads per pass (50 ms / 37000), rounded up.
  DelayCount = static_cast<int>(count / 37000 + 1);
}

int Link::OpenComPort() {
  if (ComPortOpen) return 0;
  ComHandle.reset();
  std::string why;
  auto handle = platform_.serial.OpenWithReason(ComDeviceName, why);
  if (!handle) {
    status_.ErrorText = "COM-Init-Error!";
    status_.SetErrorDetail(why);
    return 1;
  }
  // A port whose set-up fails is let go at once: held open it would keep every other
  // program out (it is opened for exclusive access) while the tool cannot use it.
  const auto setUpFailed = [this](const char* text) {
    status_.ErrorText = text;
    ComHandle.reset();
    return 1;
  };
  ComHandle = std::move(handle);
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

void Link::CloseComPort() {
  ComHandle.reset();
  ComPortOpen = false;
}

int Link::DetectSerialAdapter() { return Lines().Detect(); }

void Link::InitParallelAdapter() { Lines().Prepare(); }

void Link::TransferBit(uint32_t bit) {
  Adapter& lines = Lines();
  lines.SetData(bit != 0);
  ShortDelay(1);
  lines.SetClock(true);
  ShortDelay(1);
  RxWord = RxWord * 2 + lines.SampleData();
  lines.SetClock(false);
  ShortDelay(1);
}

void Link::TransferByte() {
  RxWord = 0;
  ShortDelay(2);
  for (int i = 0; i < 8; ++i) TransferBit((TxWord >> (7 - i)) & 1);
  RxWord &= 0xFF;
}

void Link::TransferWord() {
  for (int i = 0; i < 16; ++i) TransferBit((TxWord >> (15 - i)) & 1);
}

void Link::ClockHigh() { Lines().SetClock(true); }
void Link::ClockLow() { Lines().SetClock(false); }

}  // namespace ravix
