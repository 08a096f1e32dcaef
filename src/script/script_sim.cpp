#include "script/script_sim.h"

#include <cstdio>

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

}  // namespace

void RunSimCommand(const std::vector<std::string>& words, sim::SimAdapter& adapter,
                   const std::function<void(const std::string&)>& print) {
  Args args(words, 1);
  sim::SimController& controller = adapter.controller;
  const std::string& what = args.Word("simulator command");

  if (what == "reset") {
    args.End();
    controller.Reset();
  } else if (what == "byte") {
    const uint32_t address = args.Number("address", kLastSetting);
    const uint8_t value = Byte(args, "value");
    args.End();
    controller.settings[address] = value;
  } else if (what == "adapter") {
    adapter.plugged = args.OnOff();
    args.End();
  } else if (what == "controller") {
    controller.present = args.OnOff();
    args.End();
  } else if (what == "kind") {
    controller.otherKind = args.Choice("own or other", {"own", "other"}) == 1;
    args.End();
  } else if (what == "fail") {
    const size_t step = args.Choice("write, load or commit", {"write", "load", "commit"});
    if (step == 0) {
      controller.failWriteAddress = static_cast<int>(args.Number("address", kLastSetting));
    } else {
      const int count = static_cast<int>(args.Number("count", INT32_MAX));
      (step == 1 ? controller.failLoadCountdown : controller.failCommitCountdown) = count;
    }
    args.End();
  } else if (what == "silent-after") {
    controller.silentAfter = static_cast<int>(args.Number("count", INT32_MAX));
    args.End();
  } else if (what == "isp") {
    const size_t state = args.Choice("ok, locked, erased, absent or out-of-step",
                                     {"ok", "locked", "erased", "absent", "out-of-step"});
    using State = sim::SimIsp::State;
    switch (state) {
      case 0: controller.isp.state = State::Ok; break;
      case 1: controller.isp.state = State::Locked; break;
      case 2: controller.isp.state = State::Erased; break;
      case 3: controller.isp.state = State::Absent; break;
      default: controller.isp.outOfStep = static_cast<int>(args.Number("bit count", 7)); break;
    }
    args.End();
  } else if (what == "signature") {
    uint8_t signature[3];
    for (auto& byte : signature) byte = Byte(args, "signature byte");
    args.End();
    for (int i = 0; i < 3; ++i) controller.isp.signature[i] = signature[i];
  } else if (what == "fuses") {
    const uint8_t high = Byte(args, "high fuse byte");
    const uint8_t low = Byte(args, "low fuse byte");
    args.End();
    controller.isp.fuseHigh = high, controller.isp.fuseLow = low;
  } else if (what == "lockbits") {
    controller.isp.lockBits = Byte(args, "lock byte");
    args.End();
  } else if (what == "calibration") {
    controller.isp.calibration = Byte(args, "calibration byte");
    args.End();
  } else if (what == "motor") {
    const double hz = args.Decimal("frequency", 1e6);
    const double seconds = args.Decimal("duration", 1e6);
    const bool afterHigh = args.More() && args.Choice("low or high", {"low", "high"}) == 1;
    args.End();
    controller.motor.hz = hz, controller.motor.seconds = seconds, controller.motor.afterHigh = afterHigh;
  } else if (what == "dump") {
    uint32_t first = 0, last = 0;
    Range(args, kLastSetting, first, last);
    PrintBytes(controller.settings.data(), first, last, print);
  } else if (what == "flash") {
    uint32_t first = 0, last = 0;
    Range(args, kLastFlash, first, last);
    if (controller.flash.size() <= last) throw ScriptError{"the program memory ends before that"};
    PrintBytes(controller.flash.data(), first, last, print);
  } else if (what == "log") {
    args.End();
    for (const auto& entry : controller.TakeLog()) print("sim " + entry);
  } else if (what == "wire") {
    const bool on = args.OnOff();
    args.End();
    if (on)
      adapter.onWire = print;
    else
      adapter.onWire = nullptr;
  } else {
    throw ScriptError{"unknown simulator command " + Quote(what)};
  }
}

}  // namespace ravix::script
