#include "app/front_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "files/setup_file.h"
#include "sim_fixture.h"

namespace ravix {
namespace {

constexpr FrontFeatures kQt{.shortHelp = true, .log = true, .configDir = true, .measure = true, .qtOptions = true};
constexpr FrontFeatures kWindows{};

struct Parsed {
  FrontStart start;
  FrontOptions options;
  std::string message;
};

Parsed Parse(std::vector<std::string> words, const FrontFeatures& features) {
  words.insert(words.begin(), "ravix-setup");
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  Parsed parsed{};
  parsed.start = ParseFrontOptions(static_cast<int>(argv.size()), argv.data(), features, "USAGE\n",
                                   parsed.options, parsed.message);
  return parsed;
}

struct Refusal {
  std::vector<std::string> words;
  const FrontFeatures* features;
  const char* message;
};

TEST(FrontOptions, RefusesWhatEitherProgramDoesNotTake) {
  const Refusal cases[] = {
      {{"--script"}, &kQt, "ravix-setup: --script needs a script file\n"},
      {{"--screenshot", "shots"}, &kQt, "ravix-setup: --screenshot goes with --script\n"},
      {{"--sim-platform", "9x"}, &kQt, "ravix-setup: --sim-platform needs --simulate\n"},
      {{"--simulate", "--sim-platform", "nt4"}, &kQt, "ravix-setup: unknown simulated platform nt4\n"},
      {{"--sim-state", "c.sim"}, &kWindows, "ravix-setup: --sim-state needs --simulate\n"},
      {{"--simulate", "--sim-state"}, &kQt, "ravix-setup: --sim-state needs a file\n"},
      {{"-style"}, &kQt, "ravix-setup: -style needs a value\n"},
      {{"--frobnicate"}, &kQt, "ravix-setup: unknown argument --frobnicate\nUSAGE\n"},
      // The Windows program has neither the log, the configuration directory nor Qt's options.
      {{"--log", "session.log"}, &kWindows, "ravix-setup: unknown argument --log\nUSAGE\n"},
      {{"--in-config-dir"}, &kWindows, "ravix-setup: unknown argument --in-config-dir\nUSAGE\n"},
      {{"-platform", "offscreen"}, &kWindows, "ravix-setup: unknown argument -platform\nUSAGE\n"},
      {{"--sim-adapter", "ftdi"}, &kWindows, "ravix-setup: --sim-adapter needs --simulate\n"},
      {{"--simulate", "--sim-adapter", "ft2232"}, &kQt,
       "ravix-setup: unknown simulated adapter ft2232 (uart, ftdi, cp210x, ch340, pl2303, cp210x-windows, ft232r)\n"},
      {{"--simulate", "--sim-adapter"}, &kQt,
       "ravix-setup: --sim-adapter needs one of uart, ftdi, cp210x, ch340, pl2303, cp210x-windows, ft232r\n"},
      {{"--timing", "fast"}, &kWindows, "ravix-setup: --timing takes specified or port-aware, not fast\n"},
  };
  for (const auto& c : cases) {
    const Parsed parsed = Parse(c.words, *c.features);
    EXPECT_EQ(parsed.start, FrontStart::Refused) << c.words[0];
    EXPECT_EQ(parsed.message, c.message) << c.words[0];
  }
}

TEST(FrontOptions, TakesEveryOptionOfTheQtProgram) {
  const Parsed parsed = Parse({"--simulate", "--sim-platform", "nt-nodriver", "--sim-state", "c.sim", "--script",
                               "a.script", "--screenshot",
                               "shots", "--log", "s.log", "--in-config-dir", "--measure", "--platform", "offscreen",
                               "-reverse"},
                              kQt);
  ASSERT_EQ(parsed.start, FrontStart::Run) << parsed.message;
  EXPECT_TRUE(parsed.options.simulate);
  EXPECT_EQ(parsed.options.simPlatform, "nt-nodriver");
  EXPECT_EQ(parsed.options.simState, "c.sim");
  EXPECT_EQ(parsed.options.script, "a.script");
  EXPECT_EQ(parsed.options.screenshotDir, "shots");
  EXPECT_EQ(parsed.options.logPath, "s.log");
  EXPECT_TRUE(parsed.options.inConfigDir);
  EXPECT_TRUE(parsed.options.measure);
  EXPECT_EQ(parsed.options.qtPlatform, "offscreen");
  EXPECT_EQ(parsed.options.simAdapter, "uart");
  EXPECT_EQ(parsed.options.timing, Timing::PortAware);
  // Both programs take the adapter model and the timing.
  for (const FrontFeatures* features : {&kQt, &kWindows}) {
    const Parsed cable = Parse({"--simulate", "--sim-adapter", "pl2303", "--timing", "specified"}, *features);
    ASSERT_EQ(cable.start, FrontStart::Run) << cable.message;
    EXPECT_EQ(cable.options.simAdapter, "pl2303");
    EXPECT_EQ(cable.options.timing, Timing::Specified);
  }
}

TEST(FrontOptions, AnswersHelpAndVersionBeforeAnythingElse) {
  EXPECT_EQ(Parse({"--frobnicate", "--help"}, kWindows).start, FrontStart::Help);
  EXPECT_EQ(Parse({"--script", "--version"}, kQt).start, FrontStart::Version);
  EXPECT_EQ(Parse({"-h"}, kQt).start, FrontStart::Help);
  // Only the Qt program knows -h; on Windows it is an unknown argument.
  EXPECT_EQ(Parse({"-h"}, kWindows).start, FrontStart::Refused);
}

TEST(FrontOptions, TellsTheStartDirectoryProblemOnlyWhenThereIsOne) {
  test::SimBench bench;
  SetupFile file{bench.link, bench.status};
  EXPECT_EQ(StartDirectoryProblem(file, "ravix-cli"), "");
  file.StartDirectoryError = "_getcwd error: No such file or directory";
  EXPECT_EQ(StartDirectoryProblem(file, "ravix-cli"), "ravix-cli: _getcwd error: No such file or directory\n");
}

}  // namespace
}  // namespace ravix
