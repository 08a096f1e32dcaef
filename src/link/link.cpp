#include "link/link.h"

#include <cstdio>

namespace ravix {

namespace {
constexpr uint16_t kLptAck = 0x4000;  // status bit 6 in the high byte of the 16-bit read
}  // namespace

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

void Link::ReadInput() {
  if (SerialPortSelected)
    ReadCts();
  else
    ReadLpt();
}

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

int Link::DetectSerialAdapter() {
  if (!SerialPortSelected) return 0;
  if (OpenComPort() != 0) return 1;
  AdapterVerified = false;
  // DSR follows DTR inside the adapter: it must rise with DTR and fall with it.
  SetDtr();
  WaitMs(150);
  ReadCts();
  if (!(ModemStatus & MS_DSR_ON)) {
    status_.ErrorText = "No Adaptor found at " + PortName + "\n";
    return 1;
  }
  ClearDtr();
  WaitMs(150);
  ReadCts();
  if (ModemStatus & MS_DSR_ON) {
    status_.ErrorText = "No Adaptor found at " + PortName + "\n";
    return 1;
  }
  AdapterVerified = true;
  return 0;
}

void Link::InitParallelAdapter() {
  if (SerialPortSelected) return;
  if (DirectPortIo) {
    // Clear the direction bit of the control register so that the data lines drive.
    const uint16_t control = platform_.os.PortIn16(static_cast<uint16_t>(LptBase + 2));
    platform_.os.PortOut8(static_cast<uint16_t>(LptBase + 2), static_cast<uint8_t>(control & 0xFF & ~0x20));
    WaitMs(10);
    LptLatch &= ~(kLptData | kLptClock | kLptReset);
    WriteLpt();
    WaitMs(10);
  } else if (PortDriverReady) {
    LptLatch &= ~(kLptData | kLptClock | kLptReset);
    WriteLpt();
  }
}

void Link::TransferBit(uint32_t bit) {
  if (SerialPortSelected) {
    if (bit)
      SetDtr();
    else
      ClearDtr();
    ShortDelay(1);
    SetRts();
    ShortDelay(1);
    if (AdapterVerified) {
      SetDtr();
      ShortDelay(1);
    }
    RxWord = RxWord * 2 + (ReadCts() ? 1 : 0);
    ShortDelay(1);
    ClearRts();
    ShortDelay(1);
  } else {
    LptLatch = bit ? (LptLatch | kLptData) : (LptLatch & ~kLptData);
    WriteLpt();
    ShortDelay(1);
    LptLatch |= kLptClock;
    WriteLpt();
    ShortDelay(1);
    ReadLpt();
    RxWord = RxWord * 2 + ((LptLastRead & kLptAck) ? 1 : 0);
    LptLatch &= ~kLptClock;
    WriteLpt();
    ShortDelay(1);
  }
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

void Link::ClockHigh() {
  if (SerialPortSelected) {
    SetRts();
  } else {
    LptLatch |= kLptClock;
    WriteLpt();
  }
}

void Link::ClockLow() {
  if (SerialPortSelected) {
    ClearRts();
  } else {
    LptLatch &= ~kLptClock;
    WriteLpt();
  }
}

}  // namespace ravix
