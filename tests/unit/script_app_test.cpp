#include <gtest/gtest.h>

#include <sstream>

#include "platform/headless/headless_ui.h"
#include "script/script_run.h"
#include "sim/sim_adapter.h"
#include "temp_dir.h"

namespace ravix::test {
namespace {

// The whole tool under a script in a directory of its own, on the simulated machine.
class ScriptedToolTest : public FreshDirectoryTest {
 protected:
  ScriptedToolTest() : FreshDirectoryTest("ravix-script-app-") {}

  enum class Machine { Nt, NtWithoutDriver, Win9x };

  int Run(const std::string& text, Machine machine = Machine::Nt) {
    sim::SimClock clock(true);
    sim::SimAdapter adapter(clock);
    adapter.platformId = machine == Machine::Win9x ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT;
    adapter.driverPresent = machine != Machine::NtWithoutDriver;
    HeadlessUi backend;
    std::istringstream script(text);
    transcript_.str("");
    return RunScriptedTool(clock, adapter, adapter, backend, &adapter, script, transcript_);
  }

  std::ostringstream transcript_;
};

TEST_F(ScriptedToolTest, StoresThePortAtStartAndAtEndOnly) {
  struct Case {
    const char* name;
    Machine machine;
    const char* stored;  // null: no setup file yet
    const char* script;
    int exit;
    const char* file;
  };
  const Case cases[] = {
      {"first start with the driver", Machine::Nt, nullptr, "press 2\n", 0, "0378"},
      {"first start on the 9x line", Machine::Win9x, nullptr, "press 2\n", 0, "0378"},
      {"first start without the driver", Machine::NtWithoutDriver, nullptr, "press 2\n", 0, "COM2"},
      {"a parallel port without the driver falls back", Machine::NtWithoutDriver, "0278", "", 0, "COM2"},
      {"a parallel port with the driver stays", Machine::Nt, "0278", "", 0, "0278"},
      {"End stores the chosen port", Machine::Nt, "COM5", "press 1157\npress 2\n", 0, "COM3"},
      {"End stores a port without adapter", Machine::Nt, "COM5", "sim adapter off\npress 1157\npress 2\n", 0, "COM3"},
      {"End stores a parallel row", Machine::Nt, "COM5", "press 1154\npress 2\n", 0, "03BC"},
      {"command 1 stores nothing", Machine::Nt, "COM5", "press 1157\npress 1\n", 0, "COM5"},
      {"the script's end stores nothing", Machine::Nt, "COM5", "press 1157\n", 0, "COM5"},
      {"a failed script stores nothing", Machine::Nt, "COM5", "press 1157\nbogus\npress 2\n", 2, "COM5"},
  };
  for (const auto& c : cases) {
    std::filesystem::remove("rvsetup.cfg");
    if (c.stored) WriteSetupFile(c.stored);
    EXPECT_EQ(Run(c.script, c.machine), c.exit) << c.name << "\n" << transcript_.str();
    EXPECT_EQ(ReadSetupFile(), c.file) << c.name;
  }
}

TEST_F(ScriptedToolTest, EndRewritesOnlyThePortName) {
  // A file with an update path and the motor values behind the port name.
  std::string stored = "COM1" + std::string(26, '\0') + "\r\n/home/u/x.upd" + std::string(1, '\0') +
                       std::string(20, ' ');
  stored.resize(256, '\0');
  stored += "14" + std::string(2, '\0') + "3.25";
  WriteSetupFile(stored);
  EXPECT_EQ(Run("press 1158\npress 2\n"), 0);
  EXPECT_EQ(ReadSetupFile(), "COM4" + stored.substr(4));
}

}  // namespace
}  // namespace ravix::test
