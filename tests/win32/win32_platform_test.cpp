// The Win32 platform code on a real system (under Wine in CI): files, serial port
// names, and the texts at the system's boundary.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <algorithm>
#include <cstdlib>

#include "app/startup.h"
#include "app/tool.h"
#include "platform/file_access.h"
#include "platform/headless/headless_ui.h"
#include "platform/win32/win32_clock.h"
#include "platform/win32/win32_os.h"
#include "platform/win32/win32_serial.h"
#include "platform/win32/win32_text.h"
#include "win32gui/win32_ui.h"

namespace ravix {
namespace {

namespace fs = std::filesystem;

class Win32FilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("ravix-win32-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir);
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "five.bin", std::ios::binary) << "12345";
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const char* name) const { return (dir / name).string(); }
  std::string Content(const char* name) const {
    std::ifstream in(dir / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  size_t Entries() const { return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {})); }
  fs::path dir;
};

TEST_F(Win32FilesTest, ReadsOnlyRegularFilesOfAllowedSize) {
  struct Case {
    std::string path;
    size_t most;
    bool read;
  };
  const std::vector<Case> cases = {
      {Path("five.bin"), 5, true}, {Path("five.bin"), 4, false}, {Path("folder"), 100, false},
      {Path("missing.bin"), 100, false}, {"NUL", 100, false}, {"COM1", 100, false},
  };
  for (const Case& c : cases) {
    std::string why;
    const auto bytes = ReadRegularFile(c.path, c.most, &why);
    EXPECT_EQ(bytes.has_value(), c.read) << c.path << " " << c.most;
    if (c.read) {
      EXPECT_EQ(std::string(bytes->begin(), bytes->end()), "12345");
    } else {
      EXPECT_FALSE(why.empty()) << c.path;
    }
  }
}

TEST_F(Win32FilesTest, OpensForUpdateOnlyWhatItMayChange) {
  std::string why;
  EXPECT_EQ(OpenRegularForUpdate(Path("missing.cfg"), false, &why), nullptr);
  EXPECT_EQ(OpenRegularForUpdate(Path("folder"), true, &why), nullptr);
  EXPECT_EQ(OpenRegularForUpdate("NUL", true, &why), nullptr);
  {
    FilePtr made = OpenRegularForUpdate(Path("new.cfg"), true, &why);
    ASSERT_NE(made, nullptr) << why;
    std::fputs("COM5", made.get());
  }
  EXPECT_EQ(Content("new.cfg"), "COM5");
  {
    FilePtr again = OpenRegularForUpdate(Path("new.cfg"), true, &why);
    ASSERT_NE(again, nullptr);
    std::fputs("COM6", again.get());  // "r+b": over the start, nothing emptied
  }
  EXPECT_EQ(Content("new.cfg"), "COM6");
}

TEST_F(Win32FilesTest, CreatesExclusivelyOnlyUnusedNames) {
  std::string why;
  EXPECT_EQ(CreateExclusive(Path("five.bin"), &why), nullptr);
  EXPECT_EQ(Content("five.bin"), "12345") << "nothing of the user's is emptied";
  EXPECT_EQ(CreateExclusive(Path("folder"), &why), nullptr);
  EXPECT_NE(CreateExclusive(Path("temp.tmp"), &why), nullptr) << why;
}

TEST_F(Win32FilesTest, ReplacesWholeOrNotAtAll) {
  const std::vector<uint8_t> bytes = {'0', '3', '7', '8'};
  std::string why;
  EXPECT_TRUE(ReplaceFile(Path("five.bin"), bytes, &why)) << why;
  EXPECT_EQ(Content("five.bin"), "0378");
  EXPECT_FALSE(ReplaceFile(Path("folder"), bytes, &why));
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  EXPECT_FALSE(ReplaceFile(Path("no-such-folder\\x.cfg"), bytes, &why));
  EXPECT_EQ(Entries(), 2u) << "no temporary file is left beside the target";
}

// A settings file the user names: the device names that every folder has, a
// directory and a folder that is not there are refused; a regular file (also one
// with a 250-character name, past the old path limit) is replaced whole.
TEST_F(Win32FilesTest, AChosenFileIsARegularFileOrRefused) {
  const std::vector<uint8_t> json = {'{', '}'};
  std::string why;
  for (const std::string name : {"NUL", "nul.json", "CON", "Con.txt", "PRN", "AUX.json", "COM1", "com9.json", "LPT1",
                                 "lpt3.txt", "CONOUT$", "NUL .json"}) {
    SCOPED_TRACE(name);
    why.clear();
    EXPECT_FALSE(ReplaceChosenFile(Path(name.c_str()), json, &why));
    EXPECT_NE(why.find("device"), std::string::npos) << why;
    EXPECT_FALSE(ReplaceChosenFile(name, json, &why));
  }
  EXPECT_FALSE(ReplaceChosenFile(Path("folder"), json, &why));
  EXPECT_TRUE(fs::is_directory(dir / "folder"));
  EXPECT_FALSE(ReplaceChosenFile(Path("no-such-folder\\x.json"), json, &why));
  EXPECT_EQ(Entries(), 2u);
  // Names that only begin like a device are files.
  for (const char* name : {"COM10.json", "console.json", "nullable.json", "five.bin"}) {
    EXPECT_TRUE(ReplaceChosenFile(Path(name), json, &why)) << name << ": " << why;
    EXPECT_EQ(Content(name), "{}") << name;
  }
  const std::string longName = std::string(245, 'p') + ".json";
  ASSERT_TRUE(ReplaceChosenFile((dir / longName).string(), json, &why)) << why;
  ASSERT_TRUE(ReplaceChosenFile((dir / longName).string(), json, &why)) << why;
  EXPECT_EQ(Entries(), 6u) << "nothing left beside the targets";
  EXPECT_FALSE(ReplaceFile("NUL", json, &why)) << "update files are never a device either";
}

// Two programs logging into one file each hold a handle of their own: every record
// goes to the end of the file as it is then, none over another's. A device name or a
// directory is no log.
TEST_F(Win32FilesTest, AppendedRecordsOfTwoWritersAllStay) {
  AppendFile first, second;
  std::string why;
  ASSERT_TRUE(first.Open(Path("session.log"), &why)) << why;
  ASSERT_TRUE(second.Open(Path("session.log"), &why)) << why;
  std::string expected;
  for (int i = 0; i < 50; ++i) {
    const std::string a = "first " + std::to_string(i) + "\n", b = "second " + std::to_string(i) + " longer\n";
    ASSERT_TRUE(first.Append(a, &why)) << why;
    ASSERT_TRUE(second.Append(b, &why)) << why;
    expected += a + b;
  }
  EXPECT_EQ(Content("session.log"), expected);
  AppendFile refused;
  EXPECT_FALSE(refused.Open(Path("folder"), &why));
  EXPECT_FALSE(refused.Open("NUL", &why));
  EXPECT_FALSE(refused.Append("x\n", &why));
}

TEST(Win32SerialTest, PortsThatAreNotThereDoNotOpen) {
  Win32SerialPorts ports;
  for (const char* name : {"", "COM99", "\\\\.\\COM98", "NOTAPORT"}) EXPECT_EQ(ports.Open(name), nullptr) << name;
  // The system's reason comes along, so that "COM-Init-Error!" can say why.
  for (const char* name : {"COM7", "COM99", "NOTAPORT"}) {
    std::string why;
    EXPECT_EQ(ports.OpenWithReason(name, why), nullptr) << name;
    EXPECT_FALSE(why.empty()) << name;
    EXPECT_NE(why.back(), '\n') << name;
  }
}

// A COM port above COM8 that the system maps: under Wine a dosdevices link to a
// pseudo-terminal, which scripts/test-windows.sh makes and names in
// RAVIX_TEST_MORE_PORT. It is listed (Wine gives its ports no device-manager names,
// so only the COM name is checked), offered in the Port menu below COM8, and opened
// when chosen there; a pseudo-terminal has no modem lines, so the adapter check says
// no adapter answers, naming the port.
TEST(Win32SerialTest, APortAboveCom8IsListedOfferedAndOpened) {
  const char* mapped = std::getenv("RAVIX_TEST_MORE_PORT");
  if (!mapped) GTEST_SKIP() << "no COM port above COM8 is mapped for this run";
  const std::string name(mapped);
  Win32SerialPorts ports;
  const auto listed = ports.ListPorts();
  const auto found = std::find_if(listed.begin(), listed.end(), [&](const SerialPortInfo& p) { return p.name == name; });
  ASSERT_NE(found, listed.end()) << name << " is not listed";
  EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(), [](const SerialPortInfo& a, const SerialPortInfo& b) {
    return std::stoi(a.name.substr(3)) < std::stoi(b.name.substr(3));
  }));

  const fs::path dir = fs::temp_directory_path() / "ravix-win32-more-port";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path previous = fs::current_path();
  fs::current_path(dir);
  {
    TickClock clock;
    Win32Os os;
    HeadlessUi ui;
    Platform platform{clock, ports, os, ui};
    Tool tool(platform);
    int command = 0;
    ui.events.push_back([&](Window& window, WindowHandler& handler) {
      for (const MenuResource& popup : window.Resource().menu)
        for (const MenuResource& item : popup.items)
          if (item.text.rfind(name + "  ", 0) == 0 || item.text == name) command = item.command;
      if (command == 0) return;
      handler.OnCommand(window, command);
      handler.OnCommand(window, button::kOk);
    });
    RunApplication(tool);
    EXPECT_GE(command, menu::kFirstMorePort) << "no Port menu item for " << name;
    EXPECT_EQ(tool.link.PortName, name);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, "No Adaptor found at " + name + "\n");
    EXPECT_GT(tool.link.Lines().Figures().lineOps.count, 0u) << "the port's calls were timed";
  }
  fs::current_path(previous);
  fs::remove_all(dir);
}

// The microsecond counter moves on, in microseconds, between two tick-counter steps.
TEST(Win32ClockTest, TheMicrosecondCounterIsFineAndWaitsBusy) {
  TickClock clock;
  const uint64_t t0 = clock.MicrosecondCount();
  clock.BusyWaitUs(300);
  const uint64_t waited = clock.MicrosecondCount() - t0;
  EXPECT_GE(waited, 300u);
  EXPECT_LT(waited, 300000u);
  const uint64_t before = clock.MicrosecondCount();
  clock.Pass(20);
  EXPECT_GE(clock.MicrosecondCount() - before, 19000u) << "a sleep of 20 ms";
}

TEST(Win32OsTest, AsksTheVersionOnlyWithTheStructuresTheSystemKnows) {
  Win32Os os;
  for (uint32_t size : {156u, 148u}) EXPECT_EQ(os.GetVersionPlatform(size), VER_PLATFORM_WIN32_NT) << size;
  for (uint32_t size : {0u, 100u, 157u, 4096u}) EXPECT_EQ(os.GetVersionPlatform(size), std::nullopt) << size;
}

// The driver library is found by name and its exports by name at every access.
TEST(Win32OsTest, LoadsThePortDriverAndFindsItsExportsByName) {
  Win32Os os;
  EXPECT_EQ(os.LoadLibrary("DLPORTIO.dll"), nullptr) << "no driver is installed here";
  const std::string drivers = fs::path(RAVIX_TEST_DRIVERS).string();
  auto full = os.LoadLibrary(drivers + "/fake_port_driver.dll");
  ASSERT_NE(full, nullptr);
  EXPECT_TRUE(full->HasExport("DlPortWritePortUshort"));
  EXPECT_TRUE(full->HasExport("DlPortReadPortUlong"));
  EXPECT_FALSE(full->HasExport("DlPortReadPortUshort"));
  full->WritePortUshort(0x378, 0x000B);
  EXPECT_EQ(full->ReadPortUlong(0x379), 0xA5000379u) << "all 32 bits of the answer come through";
  auto older = os.LoadLibrary(drivers + "/fake_port_driver_write_only.dll");
  ASSERT_NE(older, nullptr);
  EXPECT_FALSE(older->HasExport("DlPortReadPortUlong"));
  EXPECT_EQ(older->ReadPortUlong(0x378), 0xFFFFFFFFu) << "a missing export reads as an empty bus";
}

TEST(Win32TextTest, Utf8CrossesTheWideBoundaryUnchanged) {
  for (const std::string text : {"", "COM1", "15.0°", "Größe €", "line\nbreak"})
    EXPECT_EQ(FromWide(ToWide(text)), text);
  EXPECT_EQ(ToWide("°"), std::wstring(L"\u00B0"));
}

TEST(Win32UiTextTest, BoxTextsAndFileFilters) {
  EXPECT_EQ(win32gui::MessageText("COM-Init-Error!", ""), "COM-Init-Error!");
  EXPECT_EQ(win32gui::MessageText("cannot read\n", "Access is denied"), "cannot read\n\n(Access is denied)");
  EXPECT_EQ(win32gui::FileFilter("*.upd"), std::wstring(L"*.upd\0*.upd\0*.*\0*.*\0\0", 21));
  EXPECT_EQ(win32gui::FileFilter(""), std::wstring(L"*.*\0*.*\0\0", 9));
}

}  // namespace
}  // namespace ravix
