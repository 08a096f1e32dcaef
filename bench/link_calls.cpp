// Platform calls per exchange and per setting command, on each adapter kind, beside
// the number the link's algorithms call for; and the virtual time of each.
//
// The bit period is made of line operations and short-delay reads only, and the
// controller sees every line change as it happens: nothing may be added, cached or
// batched. The counted figures must equal the mandated ones; the program exits with
// status 1 when one does not.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "link/link.h"
#include "platform/headless/headless_ui.h"
#include "protocol/setup_protocol.h"
#include "sim/sim_adapter.h"

using ravix::sim::CallCounts;

namespace {

enum class Kind { Serial, ParallelDriver, ParallelDirect };

const char* KindName(Kind kind) {
  switch (kind) {
    case Kind::Serial: return "serial";
    case Kind::ParallelDriver: return "parallel, driver";
    case Kind::ParallelDirect: return "parallel, direct";
  }
  return "?";
}

// What the algorithms call for, built from their parts.
//   ShortDelay n: 5 x n x DelayCount input reads (a modem-status read; a driver read,
//     whose export is looked up first; or a port instruction).
//   Serial bit, adapter verified: data (1 escape), delay, clock up (1), delay, DTR up
//     again (1), delay, sample (1 modem read), delay, clock down (1), delay: 4 escapes,
//     1 read, 5 delay units.
//   Parallel bit: data (1 write), delay, clock up (1), delay, sample (1 read), clock
//     down (1), delay: 3 writes, 1 read, 3 delay units; through the driver each access
//     looks its export up first.
//   TransferByte: ShortDelay 2 and 8 bits. TransferWord: 16 bits. ReadSettingByte:
//     3 bytes ('U', address, 0). WriteSettingByte: 4 bytes ('V', address, value, 0).
struct Mandate {
  Kind kind;
  uint64_t delayCount;

  CallCounts Reads(uint64_t n) const {
    CallCounts c;
    if (kind == Kind::Serial) c.modem = n;
    if (kind == Kind::ParallelDriver) c.lptRead = n, c.exportLookup = n;
    if (kind == Kind::ParallelDirect) c.directIn = n;
    return c;
  }
  CallCounts Writes(uint64_t n) const {
    CallCounts c;
    if (kind == Kind::Serial) c.escape = n;
    if (kind == Kind::ParallelDriver) c.lptWrite = n, c.exportLookup = n;
    if (kind == Kind::ParallelDirect) c.directOut = n;
    return c;
  }
  CallCounts ShortDelay(uint64_t units) const { return Reads(5 * units * delayCount); }
  CallCounts Bit() const {
    if (kind == Kind::Serial) return Sum({Writes(4), Reads(1), ShortDelay(5)});
    return Sum({Writes(3), Reads(1), ShortDelay(3)});
  }
  CallCounts Byte() const { return Sum({ShortDelay(2), Times(Bit(), 8)}); }
  CallCounts Word() const { return Times(Bit(), 16); }
  CallCounts ReadSetting() const { return Times(Byte(), 3); }
  CallCounts WriteSetting() const { return Times(Byte(), 4); }

  static CallCounts Sum(std::initializer_list<CallCounts> parts) {
    CallCounts s;
    for (const auto& p : parts) {
      s.escape += p.escape, s.modem += p.modem, s.lptWrite += p.lptWrite, s.lptRead += p.lptRead;
      s.exportLookup += p.exportLookup, s.directOut += p.directOut, s.directIn += p.directIn;
      s.open += p.open, s.config += p.config;
    }
    return s;
  }
  static CallCounts Times(const CallCounts& c, uint64_t n) {
    CallCounts s;
    for (uint64_t i = 0; i < n; ++i) s = Sum({s, c});
    return s;
  }
};

bool Same(const CallCounts& a, const CallCounts& b) {
  return a.escape == b.escape && a.modem == b.modem && a.lptWrite == b.lptWrite && a.lptRead == b.lptRead &&
         a.exportLookup == b.exportLookup && a.directOut == b.directOut && a.directIn == b.directIn &&
         a.open == b.open && a.config == b.config;
}

// One simulated machine in virtual time with the controller's firmware running.
struct Machine {
  ravix::sim::SimClock clock{true};
  ravix::sim::SimAdapter adapter{clock};
  ravix::HeadlessUi ui;
  ravix::Platform platform{clock, adapter, adapter, ui};
  ravix::Status status{ui};
  ravix::Link link{platform, status};
  ravix::SetupProtocol protocol{link, status};
  int calibrated = 0;

  explicit Machine(Kind kind) {
    if (kind == Kind::Serial) {
      link.SelectAdapter(ravix::AdapterKindId::Serial);
      link.PortName = link.Serial().ComDeviceName = "COM1";
      link.DetectSerialAdapter();
      protocol.RestartController();
    } else {
      link.PortName = "0378";
      if (kind == Kind::ParallelDirect) {
        link.Parallel().DirectPortIo = true;
      } else {
        link.Parallel().PortDriverLibrary = adapter.LoadLibrary("DLPORTIO.dll");
        link.Parallel().PortDriverReady = true;
      }
      link.InitParallelAdapter();
      protocol.RestartController();
    }
    link.CalibrateDelay();
    calibrated = link.DelayCount;
  }
};

struct Row {
  const char* name;
  std::function<bool(Machine&)> run;  // false when the controller answered wrongly
  std::function<CallCounts(const Mandate&)> mandated;
  bool timed;  // has millisecond waits: its tick reads are not a fixed number
};

}  // namespace

int main() {
  const Row rows[] = {
      {"TransferByte",
       [](Machine& m) {
         m.link.TxWord = 254;
         m.link.TransferByte();
         return true;
       },
       [](const Mandate& d) { return d.Byte(); }, false},
      {"TransferWord",
       [](Machine& m) {
         m.link.TxWord = 0xFEFE;
         m.link.TransferWord();
         return true;
       },
       [](const Mandate& d) { return d.Word(); }, false},
      {"ReadSettingByte", [](Machine& m) { return m.protocol.ReadSettingByte(12) == 102; },
       [](const Mandate& d) { return d.ReadSetting(); }, true},
      {"WriteSettingByte", [](Machine& m) { return m.protocol.WriteSettingByte(14, 21) == 0; },
       [](const Mandate& d) { return d.WriteSetting(); }, true},
  };

  std::printf("Platform calls per operation on the simulated adapter (counted / mandated)\n");
  std::printf("esc = serial line operation, modem = modem-status read, drv-w/drv-r = driver write/read,\n");
  std::printf("look = driver export lookup, out/in = port instruction; ticks = tick-counter reads\n\n");
  std::printf("%-17s %2s %-17s %9s %11s %9s %11s %9s %9s %11s %15s %6s %10s\n", "adapter", "DC", "operation", "esc",
              "modem", "drv-w", "drv-r", "look", "out", "in", "total", "ticks", "virtual");

  bool allEqual = true, allAnswered = true;
  for (Kind kind : {Kind::Serial, Kind::ParallelDriver, Kind::ParallelDirect}) {
    // DelayCount as the calibration finds it on the simulated machine, and a larger one
    // to show that the delay reads scale with it.
    for (int pass = 0; pass < 2; ++pass) {
      Machine m(kind);
      const int delayCount = pass == 0 ? m.calibrated : 3;
      m.link.DelayCount = delayCount;
      const Mandate mandate{kind, static_cast<uint64_t>(delayCount)};
      for (const auto& row : rows) {
        m.adapter.calls = {};
        const uint64_t ticks0 = m.clock.tickReads;
        const uint64_t t0 = m.clock.NowUs();
        if (!row.run(m)) allAnswered = false;
        const uint64_t us = m.clock.NowUs() - t0;
        const uint64_t ticks = m.clock.tickReads - ticks0;
        const CallCounts c = m.adapter.calls;
        const CallCounts d = row.mandated(mandate);
        // An exchange has no millisecond wait: it must not read the tick counter at all.
        const bool equal = Same(c, d) && (row.timed || ticks == 0);
        allEqual = allEqual && equal;
        auto cell = [](uint64_t counted, uint64_t mandated) {
          return std::to_string(counted) + "/" + std::to_string(mandated);
        };
        std::printf("%-17s %2d %-17s %9s %11s %9s %11s %9s %9s %11s %15s %6llu %7.2f ms%s\n", KindName(kind),
                    delayCount, row.name, cell(c.escape, d.escape).c_str(), cell(c.modem, d.modem).c_str(),
                    cell(c.lptWrite, d.lptWrite).c_str(), cell(c.lptRead, d.lptRead).c_str(),
                    cell(c.exportLookup, d.exportLookup).c_str(), cell(c.directOut, d.directOut).c_str(),
                    cell(c.directIn, d.directIn).c_str(), cell(c.Total(), d.Total()).c_str(),
                    static_cast<unsigned long long>(ticks), static_cast<double>(us) / 1000.0,
                    equal ? "" : "  <-- differs");
      }
    }
  }
  std::printf("\nSetting commands wait 15 ms (read) and 40 ms (write) on the tick counter besides their bit times.\n");
  if (!allAnswered) std::printf("FAIL: the simulated controller did not answer as expected\n");
  if (!allEqual) std::printf("FAIL: counted calls differ from the mandated ones\n");
  if (allEqual && allAnswered) std::printf("OK: every counted figure equals the mandated one\n");
  return allEqual && allAnswered ? 0 : 1;
}
