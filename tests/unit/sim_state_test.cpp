// The file that keeps the simulated controller between runs: what goes in comes back,
// and a text that is not such a state is refused by line, leaving a fresh controller.
#include "sim/sim_state.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <filesystem>

#include "app/tool_machine.h"
#include "sim/sim_adapter.h"
#include "sim/sim_clock.h"
#include "temp_dir.h"

namespace ravix::sim {
namespace {

class SimStateTest : public testing::Test {
 protected:
  SimClock clock_{true};
  SimController kept_{clock_};
  SimController loaded_{clock_};
};

TEST_F(SimStateTest, EveryKeptByteComesBack) {
  for (size_t a = 0; a < kSettingBytes; ++a) kept_.settings[a] = static_cast<uint8_t>(a * 7 + 3);
  kept_.flash[0] = 0x12;
  kept_.flash[kFlashBytes - 1] = 0x00;  // the last line of program memory
  kept_.flash[4000] = 0xFE;
  kept_.isp.signature[0] = 0x1E, kept_.isp.signature[1] = 0x94, kept_.isp.signature[2] = 0x03;
  kept_.isp.fuseHigh = 0xC9, kept_.isp.fuseLow = 0xEF, kept_.isp.lockBits = 0xFC, kept_.isp.calibration = 0x9B;
  kept_.silentAfter = 3;  // a fault of this run, never kept

  const std::string text = SimStateText(kept_);
  std::string why;
  ASSERT_TRUE(LoadSimStateText(text, loaded_, why)) << why << "\n" << text;
  EXPECT_EQ(loaded_.settings, kept_.settings);
  EXPECT_EQ(loaded_.flash, kept_.flash);
  EXPECT_EQ(std::string(loaded_.isp.signature, loaded_.isp.signature + 3),
            std::string(kept_.isp.signature, kept_.isp.signature + 3));
  EXPECT_EQ(loaded_.isp.fuseHigh, 0xC9);
  EXPECT_EQ(loaded_.isp.fuseLow, 0xEF);
  EXPECT_EQ(loaded_.isp.lockBits, 0xFC);
  EXPECT_EQ(loaded_.isp.calibration, 0x9B);
  EXPECT_EQ(loaded_.silentAfter, -1);
  // Blank program memory is left out: a fresh controller's state is a few lines.
  EXPECT_EQ(SimStateText(SimController(clock_)).find("flash"), std::string::npos);
}

// A hand-written state names a few bytes; the rest is a fresh controller's.
TEST_F(SimStateTest, WhatAFileLeavesOutIsAFreshControllers) {
  std::string why;
  ASSERT_TRUE(LoadSimStateText("ravix-sim-state 1\r\n# transmitter-learned full speed\r\n\r\nsettings 8 1b 0E\r\n",
                               loaded_, why))
      << why;
  auto expected = DefaultSettingImage();
  expected[8] = 0x1B, expected[9] = 0x0E;
  EXPECT_EQ(loaded_.settings, expected);
  EXPECT_EQ(loaded_.flash, std::vector<uint8_t>(kFlashBytes, 0xFF));
}

TEST_F(SimStateTest, ATextThatIsNoStateIsRefusedByLine) {
  struct Case {
    const char* text;
    const char* why;
  };
  const Case cases[] = {
      {"", "line 1: not \"ravix-sim-state 1\""},
      {"{\"format\": 1}\n", "line 1: not \"ravix-sim-state 1\""},
      {"ravix-sim-state\n", "line 1: not \"ravix-sim-state 1\""},
      {"ravix-sim-state 2\nsettings 0 00\n", "a simulated controller's state of a newer version (2) of this program"},
      {"ravix-sim-state 1\nmotor 3\n", "line 2: unknown record \"motor\""},
      {"ravix-sim-state 1\nsettings 58 00\n", "line 2: no setting address from 0 to 57"},
      {"ravix-sim-state 1\nsettings 57 00 00\n", "line 2: setting bytes beyond its last address"},
      {"ravix-sim-state 1\nsettings 0\n", "line 2: settings needs an address and at least one byte"},
      {"ravix-sim-state 1\n\nsettings 0 100\n", "line 3: \"100\" is no hexadecimal byte"},
      {"ravix-sim-state 1\nflash 8191 0G\n", "line 2: \"0G\" is no hexadecimal byte"},
      {"ravix-sim-state 1\nflash -1 00\n", "line 2: no program memory address from 0 to 8191"},
      {"ravix-sim-state 1\nfuses D9\n", "line 2: fuses takes 2 hexadecimal byte(s)"},
      {"ravix-sim-state 1\nsignature 1E 93 07 00\n", "line 2: signature takes 3 hexadecimal byte(s)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    loaded_.settings[19] = 77;
    std::string why;
    EXPECT_FALSE(LoadSimStateText(c.text, loaded_, why));
    EXPECT_EQ(why, c.why);
    EXPECT_EQ(loaded_.settings, DefaultSettingImage());  // nothing of a refused file stays
  }
  EXPECT_TRUE(LooksLikeSimState("ravix-sim-state 2\n"));  // ours, if newer: a run may replace it
  EXPECT_FALSE(LooksLikeSimState("ravix-sim-state one\n"));
}

class KeptMachineTest : public FreshDirectoryTest {
 protected:
  KeptMachineTest() : FreshDirectoryTest("ravix-sim-state-") {}
  static std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("."))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

// The state goes back by a rename beside the file, so that a run that ends half-way
// through writing leaves the old state; nothing else is left in the folder.
TEST_F(KeptMachineTest, TheStateGoesBackWholeAndAlone) {
  std::string why;
  {
    ToolMachine machine(true, "nt", true);
    ASSERT_TRUE(machine.KeepSimStateIn("c.sim", why)) << why;
    machine.sim()->controller.settings[17] = 3;
    ASSERT_TRUE(machine.StoreSimState(why)) << why;
  }
  EXPECT_EQ(Names(), std::vector<std::string>{"c.sim"});
  ToolMachine again(true, "nt", true);
  ASSERT_TRUE(again.KeepSimStateIn("c.sim", why)) << why;
  EXPECT_EQ(again.sim()->controller.settings[17], 3);
}

// Someone put a file of their own where the state goes while the tool ran: it stays.
TEST_F(KeptMachineTest, AFileThatIsNoLongerOursIsNotOverwritten) {
  std::string why;
  ToolMachine machine(true, "nt", true);
  ASSERT_TRUE(machine.KeepSimStateIn("c.sim", why)) << why;
  WriteWhole("c.sim", "my notes\n");
  EXPECT_FALSE(machine.StoreSimState(why));
  EXPECT_EQ(why, "c.sim: is no simulated controller's state (its first line is not \"ravix-sim-state 1\"); left as it "
                 "is, the simulated controller was not kept");
  EXPECT_EQ(ReadWhole("c.sim"), "my notes\n");
  EXPECT_EQ(Names(), std::vector<std::string>{"c.sim"});

  ToolMachine hardware(false, "nt", false);
  EXPECT_FALSE(hardware.KeepSimStateIn("c.sim", why));
  EXPECT_EQ(why, "--sim-state needs --simulate");
}

}  // namespace
}  // namespace ravix::sim
