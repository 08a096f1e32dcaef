// How long a firmware update of an 8 KiB image takes on the simulated controller,
// beside what its mandated waits alone need. With the real clock the simulated
// adapter costs only CPU time, so the difference is the tool's own overhead (line
// operations, short delays, file reading). With the virtual clock every serial line
// operation costs the 8 microseconds the simulation charges for it, an estimate of a
// real adapter. On the real clock it also prints the processor time spent inside the
// millisecond waits beside their wall time: the waits sleep, and should cost little.
//   update_time [IMAGE_BYTES]
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "resources/resources.h"
#include "app/tool.h"
#include "files/firmware_update.h"
#include "platform/headless/headless_ui.h"
#include "sim/sim_adapter.h"

using namespace ravix;
namespace fs = std::filesystem;

namespace {

struct Figures {
  double wallS = 0;        // the command from start to end, by the steady clock
  double clockS = 0;       // the same by the simulation's clock
  double waitsS = 0;       // the millisecond waits the procedure mandates
  uint64_t lineOps = 0;    // platform calls on the adapter
  uint64_t bytes = 0, pages = 0;
  double waitWallS = 0, waitCpuS = 0;  // inside WaitMs: by the steady clock, and the processor's time
  uint64_t waits = 0;
  bool ok = false;
};

Figures RunUpdate(bool virtualTime, const std::string& path) {
  sim::SimClock clock(virtualTime);
  sim::SimAdapter adapter(clock);
  HeadlessUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Tool tool(platform);
  tool.setupFile.StartDirectory = fs::path(path).parent_path().string();
  tool.link.SelectAdapter(AdapterKindId::Serial);
  tool.link.PortName = tool.link.Serial().ComDeviceName = "COM1";
  auto window = ui.CreateWindow(MainWindowResource(), nullptr);
  tool.status.MainWindow = window;

  // The controller runs its firmware already (as after a Read), so that the update's
  // own waits are the only ones: no adapter check, no extra restart.
  tool.link.DetectSerialAdapter();
  tool.protocol.RestartController();
  adapter.controller.TakeLog();
  adapter.calls = {};
  ui.fileChoices.push_back(path);

  Figures f;
  std::chrono::steady_clock::time_point waitBegan;
  std::clock_t cpuBegan = 0;
  tool.link.OnWait = [&](bool begins) {
    if (begins) {
      waitBegan = std::chrono::steady_clock::now();
      cpuBegan = std::clock();
      return;
    }
    f.waitWallS += std::chrono::duration<double>(std::chrono::steady_clock::now() - waitBegan).count();
    f.waitCpuS += static_cast<double>(std::clock() - cpuBegan) / CLOCKS_PER_SEC;
    ++f.waits;
  };
  const auto start = std::chrono::steady_clock::now();
  const uint64_t clockStart = clock.NowUs();
  RunFirmwareUpdate(tool, *window);
  f.wallS = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  f.clockS = static_cast<double>(clock.NowUs() - clockStart) / 1e6;
  f.lineOps = adapter.calls.Total();
  f.ok = window->GetItemText(1044) == "OK";

  // Mandated waits: the update restart (100 + 1000 ms), 15 ms per setting read, 40 ms
  // per setting write and per page commit, one second showing "OK".
  uint64_t reads = 0, writes = 0, commits = 0, links = 0;
  for (const auto& entry : adapter.controller.TakeLog()) {
    if (entry.rfind("read", 0) == 0) ++reads;
    if (entry.rfind("write", 0) == 0) ++writes;
    if (entry.rfind("commit", 0) == 0) ++commits;
    if (entry.rfind("load", 0) == 0) ++f.bytes;
    if (entry.rfind("link", 0) == 0) ++links;
  }
  if (links != 4) {
    std::fprintf(stderr, "update_time: the controller needed a restart; the wait count would be wrong\n");
    std::exit(1);
  }
  f.pages = commits;
  f.waitsS = (1100.0 + 15.0 * static_cast<double>(reads) + 40.0 * static_cast<double>(writes + commits) + 1000.0) / 1e3;
  return f;
}

void Print(const char* kind, const char* clockName, const Figures& f, bool realClock) {
  const double measured = realClock ? f.wallS : f.clockS;
  std::printf("%-9s %-18s %6.3f s   mandated waits %6.3f s   rest %6.3f s   ratio %5.3f   %llu line operations",
              kind, clockName, measured, f.waitsS, measured - f.waitsS, measured / f.waitsS,
              static_cast<unsigned long long>(f.lineOps));
  if (realClock) {
    std::printf(" (%.2f us each)", (measured - f.waitsS) * 1e6 / static_cast<double>(f.lineOps));
  } else {
    std::printf(" (computed in %.2f s)", f.wallS);
  }
  std::printf("%s\n", f.ok ? "" : "   FAILED");
  if (realClock)
    std::printf("%-9s %-18s %llu waits: %.3f s wall, %.3f s processor inside WaitMs (%.1f%%)\n", kind,
                "  waiting", static_cast<unsigned long long>(f.waits), f.waitWallS, f.waitCpuS,
                f.waitWallS > 0 ? 100 * f.waitCpuS / f.waitWallS : 0.0);
}

}  // namespace

int main(int argc, char** argv) {
  const size_t imageBytes = argc > 1 ? std::strtoul(argv[1], nullptr, 0) : 8192;
  if (imageBytes == 0 || imageBytes > 0x2000) {
    std::fprintf(stderr, "usage: update_time [IMAGE_BYTES], 1 to 8192\n");
    return 2;
  }
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path dir = fs::temp_directory_path() / ("ravix-update-time-" + std::to_string(stamp));
  fs::create_directories(dir);
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
  std::ofstream(dir / "rvsetup.cfg", std::ios::binary) << "COM1";

  std::mt19937 random(8192);
  std::vector<UpdateByte> image;
  for (size_t a = 0; a < imageBytes; ++a)
    image.push_back({static_cast<uint16_t>(a), static_cast<uint8_t>(random() & 0xFF)});
  const std::string plain = PackPlainUpdate(image);
  const auto scrambled = PackScrambledUpdate(image, {0x1011, 0x3011}, 1);
  const fs::path plainPath = dir / "plain" / "x1011_3011.upd";
  const fs::path scrambledPath = dir / "scrambled" / "x1011_3011.upd";
  fs::create_directories(plainPath.parent_path());
  fs::create_directories(scrambledPath.parent_path());
  std::ofstream(plainPath, std::ios::binary) << plain;
  std::ofstream(scrambledPath, std::ios::binary)
      .write(reinterpret_cast<const char*>(scrambled.data()), static_cast<std::streamsize>(scrambled.size()));

  std::printf("firmware update of %zu bytes (%zu pages) over the serial adapter, simulated controller\n", imageBytes,
              (imageBytes + 63) / 64);
  for (const auto& [kind, path] : {std::pair{"plain", plainPath}, std::pair{"scrambled", scrambledPath}}) {
    Print(kind, "real clock", RunUpdate(false, path.string()), true);
    Print(kind, "virtual clock", RunUpdate(true, path.string()), false);
  }
  fs::current_path(previous);
  fs::remove_all(dir);
  return 0;
}
