#include "sim/sim_controller.h"

#include <cstdio>

namespace ravix::sim {

std::array<uint8_t, kSettingBytes> DefaultSettingImage() {
  std::array<uint8_t, kSettingBytes> s{};
  s[4] = 0x98, s[5] = 0x08;    // stop 1.10 ms (2200 half-microseconds)
  s[6] = 0x18, s[7] = 0x0B;    // neutral 1.50 ms (2840, shown with 0.08 ms added)
  s[8] = 0xD8, s[9] = 0x0E;    // full speed 1.90 ms (3800)
  s[10] = 0xC1;                // fixed timing, EMF brake, blocked-motor protection
  s[11] = 0;                   // RPM control never written
  s[12] = 102;                 // set up with the transmitter
  s[13] = 0xFF;                // nothing locked
  s[14] = 20;                  // control speed
  s[15] = 0xA8;                // oscillator calibration
  s[16] = 10;                  // 7.8 kHz at 16 MHz
  s[17] = 2;                   // brake medium
  s[18] = 4;                   // timing 15 degrees
  s[19] = 10;                  // startup power
  s[20] = 3;                   // overtemperature protection on
  s[21] = 55;                  // cut-off at 6.0 V
  s[22] = 3;                   // switch off
  s[23] = 3, s[24] = 0, s[25] = 1;  // log counters
  s[26] = 2;                   // signal tolerance medium
  s[27] = 0, s[28] = 190;      // RPM-control word
  s[30] = 16;                  // clock in MHz
  s[31] = 0x1F;                // every feature
  s[32] = 0x10, s[33] = 0x11;  // V 10.11: type 1, release 0x011
  s[34] = 2;                   // blocked-motor counter
  s[35] = 32;                  // compatibility level
  s[36] = 10, s[37] = 5;       // RPM-control gains
  // Memory 1: fixed timing 22.5 degrees, brake hard, free wheeling; 15.6 kHz.
  const uint8_t memory1[8] = {0x51, 9, 1, 8, 15, 3, 77, 2};
  for (int i = 0; i < 8; ++i) s[40 + i] = memory1[i];
  // Memory 2 is empty: its PWM code reads 255.
  for (int i = 0; i < 8; ++i) s[50 + i] = 0xFF;
  return s;
}

SimController::SimController(SimClock& clock) : clock_(clock) { Reset(); }

void SimController::Reset() {
  present = true;
  otherKind = false;
  settings = DefaultSettingImage();
  flash.assign(kFlashBytes, 0xFF);
  failWriteAddress = -1;
  failLoadCountdown = 0;
  failCommitCountdown = 0;
  silentAfter = -1;
  isp = SimIsp{};
  isp.log = [this](std::string entry) { Log(std::move(entry)); };
  motor = SimMotor{};
  mode_ = Mode::HeldInReset;
  cmd_ = Cmd::Idle;
  rx_ = 0, bits_ = 0, tx_ = 0xFF, answer_ = 0xFF, draining_ = false;
  pageBuffer_.fill(0xFF);
}

std::vector<std::string> SimController::TakeLog() {
  std::vector<std::string> taken;
  taken.swap(log_);
  return taken;
}

void SimController::SetLinesAt(uint64_t us, bool reset, bool clock, bool data) {
  const bool resetRose = reset && !reset_;
  const bool resetFell = !reset && reset_;
  const bool clockRose = clock && !clock_line_;
  const bool clockFell = !clock && clock_line_;
  reset_ = reset, clock_line_ = clock, data_ = data;
  if (!present) return;
  timing.Lines(us, reset, clock, data, mode_ == Mode::Firmware || mode_ == Mode::Programming);

  if (resetFell) {
    // Held in reset. A pulse given with the clock low opens the programming interface.
    isp.Leave();
    motor.Stop();
    if (!clock) {
      mode_ = Mode::Programming;
      isp.Enter();
      timing.Started(us, 99000, "the pause after the programming pulse");
    } else {
      mode_ = Mode::HeldInReset;
    }
    return;
  }
  if (resetRose) {
    isp.Leave();
    if (!clock && data) {
      mode_ = Mode::Firmware;  // the setup firmware listens
      rx_ = 0, bits_ = 0, tx_ = 0xFF, answer_ = 0xFF, cmd_ = Cmd::Idle, draining_ = false;
      timing.Started(us, 499000, "the firmware's start after RESET");
    } else if (clock && data) {
      mode_ = Mode::TestProgram;
      motor.Start(us);
    } else {
      mode_ = Mode::Running;  // runs the motor firmware and ignores the link
    }
    return;
  }

  if (mode_ == Mode::Programming) {
    if (clockRose) isp.RisingEdge(data);
    if (clockFell) isp.FallingEdge();
  } else if (mode_ == Mode::Firmware) {
    if (clockRose) {
      rx_ = static_cast<uint8_t>((rx_ << 1) | (data ? 1 : 0));
      if (++bits_ == 8) FirmwareByte(rx_);
    }
    if (clockFell) {
      // The next bit goes out after the falling edge; after a whole byte the answer to
      // it starts, so that the answer to a byte travels during the next exchange.
      if (bits_ == 8) {
        bits_ = 0;
        tx_ = answer_;
        draining_ = false;
      } else {
        tx_ = static_cast<uint8_t>((tx_ << 1) | 1);
      }
    }
  }
}

bool SimController::DataOutAt(uint64_t us) {
  if (!present) return true;
  switch (mode_) {
    case Mode::Programming:
      return isp.Miso();
    case Mode::Firmware:
      return (silentAfter == 0 && !draining_) ? true : ((tx_ & 0x80) != 0);
    case Mode::TestProgram:
      return motor.DataLine(us);
    default:
      return true;
  }
}

void SimController::FirmwareByte(uint8_t byte) {
  if (silentAfter == 0) return;
  if (silentAfter > 0 && --silentAfter == 0) draining_ = true;
  uint8_t answer = 0;
  const Cmd before = cmd_;
  switch (cmd_) {
    case Cmd::Idle: answer = CommandByte(byte); break;
    case Cmd::ReadAddr:
      answer = byte < kSettingBytes ? settings[byte] : 0xFF;
      LogEntry("read %d", byte);
      cmd_ = Cmd::Idle;
      break;
    case Cmd::WriteAddr:
      address_ = byte;
      cmd_ = Cmd::WriteValue;
      break;
    case Cmd::WriteValue: answer = WriteValue(byte); break;
    case Cmd::PageNum: SelectPage(byte); break;
    case Cmd::LoadOffset:
      offset_ = byte;
      answer = byte;
      cmd_ = Cmd::LoadData;
      break;
    case Cmd::LoadData: answer = LoadData(byte); break;
    case Cmd::Commit2: cmd_ = byte == 85 ? Cmd::Commit3 : Cmd::Idle; break;
    case Cmd::Commit3: answer = Commit(byte); break;
  }
  answer_ = answer;
  CheckGaps(before, byte);
}

void SimController::CheckGaps(Cmd before, uint8_t byte) {
  if (timing.unitUs <= 0) return;
  const double unit = timing.unitUs;
  if (before == Cmd::Idle) {
    if (byte == 87 || byte == 89 || byte == 88) pageCommand_ = true;
    if (byte == 254 || byte == 85 || byte == 86) pageCommand_ = false;
    if (byte == 86) timing.ByteNeededGap(4000, "the wait before 'V'");
  }
  // Waits of n ms on the tick counter promise n - 1 ms each (two waits: n - 2). A byte
  // exchange starts with 2 units and its first bit with one more; the last bit
  // ends with one. The page commands put 4 units between their bytes.
  double gap = (pageCommand_ ? 8 : 4) * unit;
  const char* after = pageCommand_ ? "the short delay between page command bytes" : "the gap between bytes";
  switch (before) {
    case Cmd::Idle:
      if (byte == 85) gap = 8000, after = "the waits after 'U'";
      if (byte == 86) gap = 4000, after = "the wait after 'V'";
      break;
    case Cmd::ReadAddr: gap = 4000, after = "the wait after a setting's address"; break;
    case Cmd::WriteAddr: gap = 4000, after = "the wait after a setting's address"; break;
    case Cmd::WriteValue: gap = 23000, after = "the waits after a setting's value"; break;
    case Cmd::Commit3: gap = 39000, after = "the wait after the commit's '3'"; break;
    default: break;
  }
  timing.ByteDone(gap, after);
}

void SimController::LogEntry(const char* format, int a, int b) {
  char entry[48];
  std::snprintf(entry, sizeof entry, format, a, b);
  Log(entry);
}

uint8_t SimController::CommandByte(uint8_t byte) {
  switch (byte) {
    case 254: {
      const uint8_t answer = otherKind ? 253 : 254;
      LogEntry("link %d", answer);
      return answer;
    }
    case 85: cmd_ = Cmd::ReadAddr; break;
    case 86: cmd_ = Cmd::WriteAddr; break;
    case 87: cmd_ = Cmd::PageNum; break;
    case 89: cmd_ = Cmd::LoadOffset; break;
    case 88: cmd_ = Cmd::Commit2; break;
    default: break;  // fillers and unknown bytes are ignored
  }
  return 0;
}

uint8_t SimController::WriteValue(uint8_t byte) {
  if (address_ < kSettingBytes) settings[address_] = byte;
  uint8_t answer = address_ < kSettingBytes ? settings[address_] : 0xFF;
  if (failWriteAddress == address_) {
    answer = static_cast<uint8_t>(answer ^ 0x5A);
    failWriteAddress = -1;
  }
  LogEntry("write %d %d", address_, byte);
  cmd_ = Cmd::Idle;
  return answer;
}

void SimController::SelectPage(uint8_t byte) {
  page_ = byte;
  // The loader rewrites a page from its old content: bytes not loaded stay as they were.
  for (int i = 0; i < kPageSize; ++i) {
    const size_t at = static_cast<size_t>(page_) * kPageSize + i;
    pageBuffer_[i] = at < flash.size() ? flash[at] : 0xFF;
  }
  LogEntry("page %d", byte);
  cmd_ = Cmd::Idle;
}

uint8_t SimController::LoadData(uint8_t byte) {
  pageBuffer_[offset_ % kPageSize] = byte;
  uint8_t answer = byte;
  if (failLoadCountdown > 0 && --failLoadCountdown == 0) answer = static_cast<uint8_t>(byte ^ 0xFF);
  LogEntry("load %d %d", offset_, byte);
  cmd_ = Cmd::Idle;
  return answer;
}

uint8_t SimController::Commit(uint8_t byte) {
  cmd_ = Cmd::Idle;
  if (byte != 51) return 0;
  for (int i = 0; i < kPageSize; ++i) {
    const size_t at = static_cast<size_t>(page_) * kPageSize + i;
    if (at < flash.size()) flash[at] = pageBuffer_[i];
  }
  uint8_t answer = static_cast<uint8_t>(page_);
  if (failCommitCountdown > 0 && --failCommitCountdown == 0) answer = static_cast<uint8_t>(page_ + 1);
  LogEntry("commit %d", page_);
  return answer;
}

}  // namespace ravix::sim
