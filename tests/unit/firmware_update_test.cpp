#include "files/firmware_update.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "app/resources.h"
#include "app/tool.h"
#include "platform/headless/headless_ui.h"
#include "sim/sim_adapter.h"

namespace ravix {
namespace {

namespace fs = std::filesystem;

// Headless windows whose question boxes can act on the machine before they answer,
// as a user might delete a file while the question is open.
class HookedUi : public HeadlessUi {
 public:
  std::function<void(std::string_view text)> onMessage;
  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                           MessageButtons buttons, std::string_view details) override {
    if (onMessage) onMessage(text);
    return HeadlessUi::MessageBox(owner, caption, text, buttons, details);
  }
};

// The tool on a simulated machine with the serial adapter on COM1, the main window
// open and a fresh start directory holding the setup file.
class FirmwareUpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    dir_ = fs::temp_directory_path() / ("ravix-firmware-update-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::current_path(dir_);
    std::ofstream(dir_ / "rvsetup.cfg", std::ios::binary) << "COM1";
    tool.setupFile.StartDirectory = dir_.string();
    tool.link.SerialPortSelected = true;
    tool.link.PortName = tool.link.ComDeviceName = "COM1";
    window = ui.CreateWindow(MainWindowResource(), nullptr);
    tool.status.MainWindow = window;
    window->OnTextChanged = [this](int id, const std::string& text) {
      if (id == 1044) {
        statusTexts.push_back(text);
        if (onStatus) onStatus(text);
      }
    };
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(dir_);
  }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  }
  std::string WriteScrambled(const std::string& name, const std::vector<UpdateByte>& bytes) {
    const auto file = PackScrambledUpdate(bytes, {}, 99);
    return Write(name, std::string(file.begin(), file.end()));
  }
  void Run(const std::string& path) {
    ui.fileChoices.push_back(path);
    RunFirmwareUpdate(tool, *window);
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& m : ui.messages) texts.push_back(m.text);
    return texts;
  }
  std::vector<std::string> PageCommands() {
    std::vector<std::string> log;
    for (auto& entry : adapter.controller.TakeLog())
      if (entry.rfind("page", 0) == 0 || entry.rfind("load", 0) == 0 || entry.rfind("commit", 0) == 0)
        log.push_back(entry);
    return log;
  }

  fs::path previous_, dir_;
  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  HookedUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Tool tool{platform};
  std::shared_ptr<Window> window;
  std::vector<std::string> statusTexts;
  std::function<void(const std::string&)> onStatus;
};

TEST_F(FirmwareUpdateTest, AScrambledUpdateDeletesItsTemporaryFileAndLeavesNothingOpen) {
  const std::string path = WriteScrambled("x1011_3011.upd", {{0x0000, 0x12}, {0x0001, 0x34}, {0x0040, 0x56}});
  Run(path);
  EXPECT_EQ(Texts(), std::vector<std::string>{"Update starten?"});
  EXPECT_EQ(PageCommands(), (std::vector<std::string>{"page 0", "load 0 18", "load 1 52", "commit 0", "page 1",
                                                      "load 0 86", "commit 1"}));
  EXPECT_FALSE(fs::exists(dir_ / kTempFileName));
  EXPECT_EQ(tool.updateFile.UpdateFileName, "x1011_3011.upd");
  EXPECT_EQ(tool.settings.ControllerVersion, SettingsState::kVersionInvalid);
  EXPECT_EQ(ui.beeps, 1);
  EXPECT_EQ(window->GetItemText(1044), "OK");
  EXPECT_FALSE(window->IsItemEnabled(1044));
  // The file could be replaced at once: nothing holds it open.
  EXPECT_TRUE(fs::remove(path));
}

TEST_F(FirmwareUpdateTest, AFailedTransferLeavesTheTemporaryFileWithTheLastRecordsLine) {
  adapter.controller.failLoadCountdown = 2;
  Run(WriteScrambled("x1011_3011.upd", {{0x0000, 0x12}, {0x0001, 0x34}, {0x0040, 0x56}}));
  EXPECT_EQ(Texts(), (std::vector<std::string>{"Update starten?", "Read/write error - code2!"}));
  std::ifstream temp(dir_ / kTempFileName, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(temp), {}), "0001:0034\n");
}

TEST_F(FirmwareUpdateTest, AnotherDeviceAfterTheUpdateRestartIsNamed) {
  // The controller answers at first and turns out to be another device once restarted.
  onStatus = [this](const std::string& text) {
    if (text == "connecting....") adapter.controller.otherKind = true;
  };
  Run(Write("x1011_3011.upd", "0000:0012\r\n"));
  EXPECT_EQ(Texts(), std::vector<std::string>{"angeschlossenes Gerät ist kein Ravix-Micro!"});
  EXPECT_EQ(ui.messages[0].caption, "ERROR!");
  EXPECT_EQ(ui.messages[0].owner, nullptr);
  EXPECT_EQ(window->GetItemText(1044), " ");
  EXPECT_FALSE(window->IsItemEnabled(1044));
  EXPECT_TRUE(PageCommands().empty());
}

TEST_F(FirmwareUpdateTest, AFileThatDisappearsIsReportedWhereItIsMissed) {
  struct Case {
    const char* what;
    bool scrambled;
    const char* trigger;  // a status text or a question
    std::vector<std::string> messages;
  };
  const std::vector<Case> cases = {
      {"gone before its kind is read", false, "connected", {"file error 1!"}},
      {"plain, gone while the question is open", false, "Update starten?", {"Update starten?", "file error 2!"}},
      {"scrambled, gone while the question is open", true, "Update starten?", {"Update starten?", "file error 3!"}},
      {"scrambled, gone before the checksum", true, "connected", {"file error 1!"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui.messages.clear();
    const std::string path = c.scrambled ? WriteScrambled("x1011_3011.upd", {{0x0000, 0x12}})
                                         : Write("x1011_3011.upd", "0000:0012\r\n");
    auto remove = [&](std::string_view text) {
      if (text == c.trigger) fs::remove(path);
    };
    onStatus = remove;
    ui.onMessage = remove;
    Run(path);
    EXPECT_EQ(Texts(), c.messages);
    EXPECT_EQ(window->GetItemText(1044), " ");
    EXPECT_FALSE(window->IsItemEnabled(1044));
    EXPECT_TRUE(PageCommands().empty());
  }
}

TEST_F(FirmwareUpdateTest, TheVersionChecksReadTheFileName) {
  struct Case {
    const char* name;
    int first;
    int second;
  };
  const std::vector<Case> cases = {
      {"x1011_3011.upd", 0x1011, 0x3011},
      {"Y1011-3011.UPD", 0x1011, 0x3011},
      {"xabcd_3F0e.upd", 0xABCD, 0x3F0E},
      {"x10_30111.upd", 0x10, 0x0111},
      {"firmware.upd", -1, -1},
      {"x.upd", -1, -1},
      {"x1011.upd", 0x1011, -1},
      {"", -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(VersionInFileName(c.name, 1), c.first);
    EXPECT_EQ(VersionInFileName(c.name, 6), c.second);
  }
}

TEST_F(FirmwareUpdateTest, OnlyLinesThatNameAnAddressAndAByteAreSent) {
  struct Case {
    const char* line;
    bool valid;
  };
  const std::vector<Case> cases = {
      {"0000:0012", true},   {"3FFF:FFFF", true},   {"0040:@?56", true},  // 5 and 6 are not read
      {"0040:0056 trailing", true},
      {"0040:005", false},   {"", false},           {"0040:00a6", false}, {"0G40:0056", false},
      {":040:0056", false},  {"0@40:0056", false},  {"0040:00;6", false}, {"0040:005=", false},
      {"0040:0/56", false},  {"0040:0G56", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(UpdateLineCharactersValid(c.line), c.valid);
  }
}

TEST_F(FirmwareUpdateTest, TheUpdateRestartHoldsResetForATenthAndWaitsASecond) {
  ASSERT_EQ(tool.link.DetectSerialAdapter(), 0);
  std::vector<std::pair<uint64_t, std::string>> wire;
  adapter.onWire = [&](const std::string& line) {
    if (line.rfind("wire modem", 0) != 0) wire.emplace_back(clock.NowUs(), line);
  };
  const uint64_t start = clock.NowUs();
  RestartForUpdate(tool.link);
  const uint64_t end = clock.NowUs();
  ASSERT_EQ(wire.size(), 3u);
  EXPECT_EQ(wire[0].second, "wire break 0");
  EXPECT_EQ(wire[1].second, "wire rts 0");
  EXPECT_EQ(wire[2].second, "wire break 1");
  // A wait on the millisecond tick may end up to a tick early in microseconds.
  EXPECT_GE(wire[2].first - wire[1].first, 99000u);
  EXPECT_LT(wire[2].first - wire[1].first, 102000u);
  EXPECT_GE(end - wire[2].first, 999000u);
  EXPECT_LT(end - start, 1103000u);
}

TEST_F(FirmwareUpdateTest, ReadFailuresAreNoEndOfData) {
  // A file opened for writing cannot be read: the reader must say so rather than end.
  UpdateFiles files;
  files.update = FilePtr(std::fopen((dir_ / "w.upd").c_str(), "wb"));
  tool.updateFile.UpdateFileKind = UpdateKind::Plain;
  EXPECT_EQ(tool.updateFile.ReadUpdateLine(files), LineResult::ReadError);
  tool.updateFile.UpdateFileKind = UpdateKind::Scrambled;
  files.temp = FilePtr(std::fopen((dir_ / "t.tmp").c_str(), "w+b"));
  EXPECT_EQ(tool.updateFile.ReadUpdateLine(files), LineResult::ReadError);
  // A temporary file that cannot be written loses the record.
  files.update = OpenForReading(WriteScrambled("x.upd", {{0x0000, 0x12}}));
  std::fseek(files.update.get(), kHeaderBytes, SEEK_SET);
  files.temp = OpenForReading(Write("t.tmp", ""));
  EXPECT_EQ(tool.updateFile.ReadUpdateLine(files), LineResult::ReadError);
}

}  // namespace
}  // namespace ravix
