// The three everyday jobs on every simulated adapter model, with both timings, in
// virtual seconds: the main window's Read of the active set, a Write of it, and a plain
// update of 8,192 lines from its question on, beside the duration the tool announced
// before asking. A job is "ok" when it ended in "OK" with the controller holding what
// was read, written or flashed. The program exits 0 whenever it ran, whatever the jobs
// gave: the figures are for reading.
//   adapter_models [MODEL...]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "app/startup.h"
#include "app/tool.h"
#include "files/update_file.h"
#include "link/ftdi_adapter.h"
#include "platform/headless/headless_ui.h"
#include "protocol/expected_durations.h"
#include "resources/ids.h"
#include "sim/adapter_models.h"
#include "sim/sim_adapter.h"

using namespace ravix;
namespace fs = std::filesystem;

namespace {

constexpr int kLines = 8192;
constexpr int kPages = kLines / 64;

// The headless windows, with a look at the clock and the port when the update asks.
class WatchingUi : public HeadlessUi {
 public:
  std::function<void()> onQuestion;
  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text, MessageButtons buttons,
                           std::string_view details) override {
    if (buttons == MessageButtons::OkCancel && onQuestion) onQuestion();
    return HeadlessUi::MessageBox(owner, caption, text, buttons, details);
  }
};

struct Figures {
  double readS = 0, writeS = 0, updateS = 0, estimateS = 0;
  int ok = 0;
  // On an FTDI cable, where the update's time went: states on the pins, waits for the
  // chip's samples, millisecond waits.
  uint64_t states = 0, sampleWaits = 0;
  double statesS = 0, sampleWaitS = 0, waitMsS = 0;
};

std::string Trimmed(std::string text) {
  text.erase(0, text.find_first_not_of(' '));
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

Figures RunJobs(const sim::AdapterModel& model, Timing timing, const fs::path& updatePath,
                const std::vector<uint8_t>& image) {
  sim::SimClock clock(true);
  sim::SimAdapter adapter(clock);
  adapter.SetModel(model);
  WatchingUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Tool tool(platform);
  tool.link.timing = timing;
  Figures f;
  const auto seconds = [&clock](uint64_t sinceUs) { return static_cast<double>(clock.NowUs() - sinceUs) / 1e6; };
  const auto statusOk = [](Window& main) { return Trimmed(main.GetItemText(IDC_STATUS)) == "OK"; };

  uint64_t askedAt = 0;
  uint64_t statesAsked = 0, sampleWaitsAsked = 0;
  double roundTripsAsked = 0;
  double waitingUs = 0;
  uint64_t waitBegan = 0;
  tool.link.OnWait = [&](bool begins) {
    if (begins) waitBegan = clock.NowUs();
    else if (askedAt != 0) waitingUs += static_cast<double>(clock.NowUs() - waitBegan);
  };
  FtdiAdapter& ftdi = tool.link.Ftdi();
  ui.onQuestion = [&] {
    askedAt = clock.NowUs();
    f.estimateS = ExpectedDurations(tool.link).UpdateUs(kLines, kPages) / 1e6;
    statesAsked = ftdi.StatesSent(), sampleWaitsAsked = ftdi.Drains().count;
    roundTripsAsked = ftdi.Drains().totalUs;
  };
  ui.events.push_back([&](Window& main, WindowHandler& handler) {
    handler.OnCommand(main, menu::kFirstPort);  // COM1: opens the port and checks the adapter
    uint64_t t0 = clock.NowUs();
    handler.OnCommand(main, panel::kRead);
    f.readS = seconds(t0);
    const bool panelRead = Trimmed(main.GetItemText(panel::kStartupPower)) == "10";
    if (statusOk(main) && tool.settings.LastRead.ControllerVersion == 0x1011 && panelRead) ++f.ok;

    main.SetItemText(panel::kStartupPower, "5");
    t0 = clock.NowUs();
    handler.OnCommand(main, panel::kWrite);
    f.writeS = seconds(t0);
    if (statusOk(main) && adapter.controller.settings[19] == 5) ++f.ok;

    ui.fileChoices.push_back(updatePath.string());
    handler.OnCommand(main, menu::kOpenUpdateFile);
    if (askedAt != 0) f.updateS = seconds(askedAt);
    f.states = ftdi.StatesSent() - statesAsked;
    f.statesS = static_cast<double>(f.states) * ftdi.Timing().StateUs() / 1e6;
    f.sampleWaits = ftdi.Drains().count - sampleWaitsAsked;
    f.sampleWaitS = (ftdi.Drains().totalUs - roundTripsAsked) / 1e6;
    f.waitMsS = waitingUs / 1e6;
    bool flashed = true;
    for (size_t a = 0; a < image.size(); ++a) flashed = flashed && adapter.controller.flash[a] == image[a];
    if (askedAt != 0 && statusOk(main) && flashed) ++f.ok;
    handler.OnCommand(main, button::kOk);
  });
  RunApplication(tool);
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const fs::path dir = fs::temp_directory_path() / ("ravix-adapter-models-" + std::to_string(stamp));
  fs::create_directories(dir);
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
  std::ofstream(dir / "rvsetup.cfg", std::ios::binary) << "COM1";

  std::mt19937 random(8192);
  std::vector<UpdateByte> lines;
  std::vector<uint8_t> image;
  for (int a = 0; a < kLines; ++a) {
    image.push_back(static_cast<uint8_t>(random() & 0xFF));
    lines.push_back({static_cast<uint16_t>(a), image.back()});
  }
  const fs::path updatePath = dir / "x1011_3011.upd";
  std::ofstream(updatePath, std::ios::binary) << PackPlainUpdate(lines);

  std::vector<std::string> wanted(argv + 1, argv + argc);
  std::printf("Virtual seconds on the simulated controller (read and write of the active set, an update of %d\n"
              "lines from its question on, the duration announced before the question); ok = jobs that ended in\n"
              "OK with the controller holding what was read, written or flashed.\n\n",
              kLines);
  struct Row {
    std::string model;
    Figures specified, portAware;
  };
  std::vector<Row> rows;
  for (const sim::AdapterModel& model : sim::AdapterModels()) {
    if (!wanted.empty() && std::find(wanted.begin(), wanted.end(), model.name) == wanted.end()) continue;
    Row row{std::string(model.name), {}, {}};
    for (const Timing timing : {Timing::Specified, Timing::PortAware}) {
      const auto started = std::chrono::steady_clock::now();
      const Figures f = RunJobs(model, timing, updatePath, image);
      (timing == Timing::Specified ? row.specified : row.portAware) = f;
      std::printf("adapter %s timing %s: read %.1f s, write %.1f s, update-8k %.1f s, estimate %.1f s, ok %d/3\n",
                  row.model.c_str(), timing == Timing::Specified ? "specified" : "port-aware", f.readS, f.writeS,
                  f.updateS, f.estimateS, f.ok);
      if (model.bitBang && timing == Timing::PortAware)
        std::printf("  budget of the update: %llu states (%.1f s on the pins), %llu waits for every sample back (%.1f s, "
                    "the states still going out included), millisecond waits %.1f s\n",
                    static_cast<unsigned long long>(f.states), f.statesS,
                    static_cast<unsigned long long>(f.sampleWaits), f.sampleWaitS, f.waitMsS);
      std::fflush(stdout);
      std::fprintf(stderr, "  (%s, %s: computed in %.1f s)\n", row.model.c_str(),
                   timing == Timing::Specified ? "specified" : "port-aware",
                   std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    }
    rows.push_back(row);
  }

  std::printf("\nGoals:\n");
  for (const Row& row : rows) {
    const Figures& s = row.specified;
    const Figures& p = row.portAware;
    const double estimateOff = p.updateS > 0 ? std::fabs(p.estimateS - p.updateS) / p.updateS : 1;
    const char* verdict = "";
    std::string goal;
    if (row.model == "ft232r") {
      goal = "port-aware ok 3/3, read at most 2 s, update-8k at most 60 s, estimate within 20%";
      verdict = p.ok == 3 && p.readS <= 2 && p.updateS <= 60 && estimateOff <= 0.2 ? "met" : "MISSED";
    } else if (row.model == "uart") {
      const auto within = [](double a, double b) { return std::fabs(a - b) <= 0.01 * a; };
      const bool equal = within(s.readS, p.readS) && within(s.writeS, p.writeS) && within(s.updateS, p.updateS);
      goal = "both timings equal within 1%, ok 3/3";
      verdict = equal && s.ok == 3 && p.ok == 3 ? "met" : "MISSED";
    } else if (row.model == "ch340" || row.model == "pl2303") {
      goal = "port-aware ok 3/3 with its estimate within 20%; specified below 3 (stale bits)";
      verdict = p.ok == 3 && estimateOff <= 0.2 && s.ok < 3 ? "met" : "MISSED";
    } else {
      goal = "port-aware ok 3/3 with its estimate within 20%, its update at most a third of the specified one";
      verdict = p.ok == 3 && estimateOff <= 0.2 && p.updateS * 3 <= s.updateS ? "met" : "MISSED";
    }
    std::printf("  %-15s %s: %s (estimate off by %.1f%%)\n", row.model.c_str(), goal.c_str(), verdict,
                100 * estimateOff);
  }
  fs::current_path(previous);
  fs::remove_all(dir);
  return 0;
}
