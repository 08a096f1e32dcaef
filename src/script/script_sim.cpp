#include "script/script_sim.h"

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <string_view>

#include "script/script_args.h"
#include "script/script_words.h"

namespace ravix::script {

namespace {

constexpr uint32_t kLastSetting = sim::kSettingBytes - 1;
constexpr uint32_t kLastFlash = sim::kFlashBytes - 1;

uint8_t Byte(Args& args, std::string_view what) { return static_cast<uint8_t>(args.Number(what, 0xFF)); }

// "A [B]": a range of addresses up to last, B not below A.
void Range(Args& args, uint32_t last, uint32_t& first, uint32_t& end) {
  first = args.Number("address", last);
  end = args.More() ? args.Number("address", last) : first;
  args.End();
  if (end < first) throw ScriptError{"the range ends before it begins"};
}

void PrintBytes(const uint8_t* bytes, uint32_t first, uint32_t last,
                const std::function<void(const std::string&)>& print) {
  for (uint32_t address = first; address <= last; ++address) {
    char line[32];
    std::snprintf(line, sizeof line, "sim %u 0x%02X", address, bytes[address]);
    print(line);
  }
}

// What a simulator command works on: its words after the command's own, and the simulator.
struct SimCall {
  Args& args;
  sim::SimAdapter& adapter;
  sim::SimController& controller;
  const std::function<void(const std::string&)>& print;
};

void Reset(SimCall& c) {
  c.args.End();
  c.controller.Reset();
}

void SetByte(SimCall& c) {
  const uint32_t address = c.args.Number("address", kLastSetting);
  const uint8_t value = Byte(c.args, "value");
  c.args.End();
  c.controller.settings[address] = value;
}

void PlugAdapter(SimCall& c) {
  c.adapter.plugged = c.args.OnOff();
  c.args.End();
}

void ConnectController(SimCall& c) {
  c.controller.present = c.args.OnOff();
  c.args.End();
}

void SetKind(SimCall& c) {
  c.controller.otherKind = c.args.Choice("own or other", {"own", "other"}) == 1;
  c.args.End();
}

void Fail(SimCall& c) {
  const size_t step = c.args.Choice("write, load or commit", {"write", "load", "commit"});
  if (step == 0) {
    c.controller.failWriteAddress = static_cast<int>(c.args.Number("address", kLastSetting));
  } else {
    const int count = static_cast<int>(c.args.Number("count", INT32_MAX));
    (step == 1 ? c.controller.failLoadCountdown : c.controller.failCommitCountdown) = count;
  }
  c.args.End();
}

void SilentAfter(SimCall& c) {
  c.controller.silentAfter = static_cast<int>(c.args.Number("count", INT32_MAX));
  c.args.End();
}

void SetIsp(SimCall& c) {
  using State = sim::SimIsp::State;
  constexpr State kStates[] = {State::Ok, State::Locked, State::Erased, State::Absent};
  const size_t state = c.args.Choice("ok, locked, erased, absent or out-of-step",
                                     {"ok", "locked", "erased", "absent", "out-of-step"});
  if (state < std::size(kStates))
    c.controller.isp.state = kStates[state];
  else
    c.controller.isp.outOfStep = static_cast<int>(c.args.Number("bit count", 7));
  c.args.End();
}

void SetSignature(SimCall& c) {
  uint8_t signature[3];
  for (auto& byte : signature) byte = Byte(c.args, "signature byte");
  c.args.End();
  for (int i = 0; i < 3; ++i) c.controller.isp.signature[i] = signature[i];
}

void SetFuses(SimCall& c) {
  const uint8_t high = Byte(c.args, "high fuse byte");
  const uint8_t low = Byte(c.args, "low fuse byte");
  c.args.End();
  c.controller.isp.fuseHigh = high, c.controller.isp.fuseLow = low;
}

void SetLockBits(SimCall& c) {
  c.controller.isp.lockBits = Byte(c.args, "lock byte");
  c.args.End();
}

void SetCalibration(SimCall& c) {
  c.controller.isp.calibration = Byte(c.args, "calibration byte");
  c.args.End();
}

// The program "lies" at PATH (relative to the current directory), so that a scenario
// can bring the files that lie beside an installed program.
void PlaceProgram(SimCall& c) {
  const std::string& path = c.args.Word("program path");
  c.args.End();
  std::error_code error;
  c.adapter.programPath = std::filesystem::absolute(path, error).lexically_normal().string();
}

void RunMotor(SimCall& c) {
  const double hz = c.args.Decimal("frequency", 1e6);
  const double seconds = c.args.Decimal("duration", 1e6);
  const bool afterHigh = c.args.More() && c.args.Choice("low or high", {"low", "high"}) == 1;
  c.args.End();
  c.controller.motor.hz = hz, c.controller.motor.seconds = seconds, c.controller.motor.afterHigh = afterHigh;
}

void DumpSettings(SimCall& c) {
  uint32_t first = 0, last = 0;
  Range(c.args, kLastSetting, first, last);
  PrintBytes(c.controller.settings.data(), first, last, c.print);
}

void DumpFlash(SimCall& c) {
  uint32_t first = 0, last = 0;
  Range(c.args, kLastFlash, first, last);
  if (c.controller.flash.size() <= last) throw ScriptError{"the program memory ends before that"};
  PrintBytes(c.controller.flash.data(), first, last, c.print);
}

void PrintLog(SimCall& c) {
  c.args.End();
  for (const auto& entry : c.controller.TakeLog()) c.print("sim " + entry);
}

void ShowWire(SimCall& c) {
  const bool on = c.args.OnOff();
  c.args.End();
  if (on)
    c.adapter.onWire = c.print;
  else
    c.adapter.onWire = nullptr;
}

struct SimCommand {
  std::string_view word;
  void (*run)(SimCall&);
};

constexpr SimCommand kSimCommands[] = {
    {"reset", Reset},
    {"byte", SetByte},
    {"adapter", PlugAdapter},
    {"controller", ConnectController},
    {"kind", SetKind},
    {"fail", Fail},
    {"silent-after", SilentAfter},
    {"isp", SetIsp},
    {"signature", SetSignature},
    {"fuses", SetFuses},
    {"lockbits", SetLockBits},
    {"calibration", SetCalibration},
    {"motor", RunMotor},
    {"program", PlaceProgram},
    {"dump", DumpSettings},
    {"flash", DumpFlash},
    {"log", PrintLog},
    {"wire", ShowWire},
};

}  // namespace

void RunSimCommand(const std::vector<std::string>& words, sim::SimAdapter& adapter,
                   const std::function<void(const std::string&)>& print) {
  Args args(words, 1);
  const std::string& what = args.Word("simulator command");
  for (const SimCommand& command : kSimCommands) {
    if (command.word != what) continue;
    SimCall call{args, adapter, adapter.controller, print};
    command.run(call);
    return;
  }
  throw ScriptError{"unknown simulator command " + Quote(what)};
}

}  // namespace ravix::script
