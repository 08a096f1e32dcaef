#include "files/firmware_update.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "resources/resources.h"
#include "app/tool.h"
#include "platform/headless/headless_ui.h"
#include "platform/headless/headless_window.h"
#include "sim/sim_adapter.h"
#include "temp_dir.h"

namespace ravix {
namespace {

namespace fs = std::filesystem;

// Headless windows whose question boxes can act on the machine before they answer,
// as a user might delete a file while the question is open.
class HookedUi : public HeadlessUi {
 public:
  std::function<void(std::string_view text)> onMessage;
  // Asked after every byte: the user's stop comes when this reaches zero.
  int stopAfter = -1;
  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                           MessageButtons buttons, std::string_view details) override {
    if (onMessage) onMessage(text);
    return HeadlessUi::MessageBox(owner, caption, text, buttons, details);
  }
  bool StopRequested() override { return stopAfter >= 0 && stopAfter-- == 0; }
  // The program has been asked to end (SIGHUP, SIGTERM).
  bool ending = false;
  bool EndRequested() override { return ending; }
};

// The main window, recording the progress the update shows beside its status field.
class ProgressWindow : public HeadlessWindow {
 public:
  using HeadlessWindow::HeadlessWindow;
  void ShowProgress(int done, int total) override { progress.emplace_back(done, total); }
  void ShowTimeLeft(int seconds) override { left.push_back({seconds, clock ? clock->NowUs() : 0}); }
  std::vector<std::pair<int, int>> progress;
  // The time left shown before each progress, and when it was shown.
  struct Left {
    int seconds;
    uint64_t atUs;
  };
  std::vector<Left> left;
  sim::SimClock* clock = nullptr;
};

// The tool on a simulated machine with its main window.
struct UpdateMachine {
  // The serial adapter on COM1, the main window open, the files in `dir`.
  void Prepare(const fs::path& dir) {
    tool.setupFile.StartDirectory = dir.string();
    tool.link.SelectAdapter(AdapterKindId::Serial);
    tool.link.PortName = tool.link.Serial().ComDeviceName = "COM1";
    tool.status.MainWindow = window;
  }

  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  HookedUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Tool tool{platform};
  std::shared_ptr<ProgressWindow> window = std::make_shared<ProgressWindow>(MainWindowResource(), nullptr);
};

// One machine prepared in a fresh start directory holding the setup file.
class FirmwareUpdateTest : public FreshDirectoryTest, protected UpdateMachine {
 protected:
  FirmwareUpdateTest() : FreshDirectoryTest("ravix-firmware-update-") {}
  void SetUp() override {
    FreshDirectoryTest::SetUp();
    WriteSetupFile("COM1");
    Prepare(dir_);
    window->OnTextChanged = [this](int id, const std::string& text) {
      if (id == IDC_STATUS && onStatus) onStatus(text);
    };
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    WriteWhole(dir_ / name, bytes);
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
  static std::vector<std::string> Texts(const HeadlessUi& of) {
    std::vector<std::string> texts;
    for (const auto& m : of.messages) texts.push_back(m.text);
    return texts;
  }
  std::vector<std::string> Texts() const { return Texts(ui); }
  static std::vector<std::string> PageCommands(sim::SimController& controller) {
    std::vector<std::string> log;
    for (auto& entry : controller.TakeLog())
      if (entry.rfind("page", 0) == 0 || entry.rfind("load", 0) == 0 || entry.rfind("commit", 0) == 0)
        log.push_back(entry);
    return log;
  }
  std::vector<std::string> PageCommands() { return PageCommands(adapter.controller); }
  // The flash holding these bytes and erased elsewhere.
  std::vector<uint8_t> Image(const std::vector<UpdateByte>& bytes) const {
    std::vector<uint8_t> flash(adapter.controller.flash.size(), 0xFF);
    for (const auto& b : bytes) flash[b.address] = b.data;
    return flash;
  }

  std::function<void(const std::string&)> onStatus;
};

TEST_F(FirmwareUpdateTest, WhatIsFlashedIsTheFileAsItWasChosen) {
  struct Case {
    const char* what;
    bool scrambled;
    const char* trigger;  // a status text or a question
    bool replace;         // replaced by another image, or removed
  };
  const std::vector<Case> cases = {
      {"plain, removed once the controller answers", false, "connected", false},
      {"plain, replaced while the question is open", false, "Update starten?", true},
      {"scrambled, replaced while the question is open", true, "Update starten?", true},
      {"scrambled, replaced during the transfer", true, "Update laeuft", true},
  };
  const std::vector<UpdateByte> chosen = {{0x0000, 0x12}, {0x0001, 0x34}, {0x0040, 0x56}};
  const std::vector<UpdateByte> other = {{0x0000, 0xAA}, {0x0041, 0xBB}, {0x0080, 0xCC}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui.messages.clear();
    adapter.controller.flash.assign(adapter.controller.flash.size(), 0xFF);
    auto write = [&](const std::vector<UpdateByte>& bytes) {
      return c.scrambled ? WriteScrambled("x1011_3011.upd", bytes)
                         : Write("x1011_3011.upd", PackPlainUpdate(bytes));
    };
    const std::string path = write(chosen);
    auto change = [&](std::string_view text) {
      if (text != c.trigger) return;
      if (c.replace) write(other);
      else fs::remove(path);
    };
    onStatus = change;
    ui.onMessage = change;
    Run(path);
    onStatus = nullptr;
    ui.onMessage = nullptr;
    EXPECT_EQ(Texts(), std::vector<std::string>{"Update starten?"});
    EXPECT_EQ(window->GetItemText(IDC_STATUS), "OK");
    EXPECT_EQ(adapter.controller.flash, Image(chosen));
  }
}

// A scrambled file of the given update lines, with a checksum that passes: a file the
// packer would never make, such as one with a damaged line.
std::string ScrambledOfLines(const std::vector<std::string>& lines) {
  auto word = [](const std::string& text, size_t at) {
    uint32_t w = 0;
    for (size_t i = 0; i < 4; ++i)
      w |= static_cast<uint32_t>(static_cast<uint8_t>(at + i < text.size() ? text[at + i] : '\n')) << (8 * i);
    return w;
  };
  auto put = [](std::vector<uint8_t>& file, size_t at, uint32_t w) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(w >> (8 * i));
  };
  const uint32_t seed = 5;
  std::vector<uint8_t> file(kHeaderBytes + 8 * lines.size(), 0);
  put(file, kSeedWord * 4, seed);
  uint32_t key = InitialRecordKey(seed);
  for (size_t i = 0; i < lines.size(); ++i, key += RecordStep) {
    put(file, kHeaderBytes + 8 * i, word(lines[i], 0) ^ key);
    put(file, kHeaderBytes + 8 * i + 4, word(lines[i], 5) ^ (key + PairOffset));
  }
  put(file, kChecksumWord * 4, SumUpdateBytes(file) ^ InitialRecordKey(seed));
  return {file.begin(), file.end()};
}

// A damaged scrambled file is refused before the question, as the plain ones of
// tests/scenarios/update/damaged_files are: the controller gets no page, no byte and no
// commit.
TEST_F(FirmwareUpdateTest, ADamagedScrambledFileIsRefusedBeforeTheQuestionAndSendsNothing) {
  struct Case {
    const char* what;
    std::string file;
    const char* message;
  };
  const std::vector<Case> cases = {
      // The reader puts the colon in itself: only a line feed among the address
      // bytes cuts a scrambled line short of it.
      {"a bad third record", ScrambledOfLines({"0000:0012", "0001:0034", "0\n02:0056"}), "file error 5!"},
      {"an at sign among the digits", ScrambledOfLines({"0000:0012", "00@1:0034"}), "file error 6!"},
      {"page 256", ScrambledOfLines({"0000:0012", "4000:0034"}), "Read/write error - code1!"},
      {"no record", ScrambledOfLines({}), "file error 4!"},
  };
  for (bool setUp : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (setUp ? "" : ", controller not set up"));
      ui.messages.clear();
      window->progress.clear();
      adapter.controller.settings[32] = setUp ? 0x10 : 0xFF;
      adapter.controller.settings[33] = setUp ? 0x11 : 0xFF;
      Run(Write("x1011_3011.upd", c.file));
      EXPECT_EQ(Texts(), std::vector<std::string>{c.message});
      EXPECT_EQ(window->GetItemText(IDC_STATUS).find_first_not_of(' '), std::string::npos);
      EXPECT_TRUE(PageCommands().empty());
      EXPECT_TRUE(window->progress.empty());
      EXPECT_FALSE(fs::exists(dir_ / kTempFileName));
    }
  }
}

// However the transfer ends, the progress beside the status field goes and temp.tmp
// with it: left behind, it would refuse the next scrambled update from this directory.
TEST_F(FirmwareUpdateTest, AnEndedTransferHidesItsProgressAndRemovesItsTemporaryFile) {
  using Lines = std::vector<std::string>;
  struct Case {
    const char* what;
    int failLoad, stopAfter;
    Lines messages, pages;
    std::vector<std::pair<int, int>> progress;
  };
  const Lines code2 = {"Update starten?", "Read/write error - code2!"};
  const std::vector<Case> cases = {
      {"to the end", 0, -1, {"Update starten?"},
       {"page 0", "load 0 18", "load 1 52", "commit 0", "page 1", "load 0 86", "commit 1"},
       {{1, 3}, {2, 3}, {3, 3}, {0, 0}}},
      {"the second byte not echoed", 2, -1, code2, {"page 0", "load 0 18", "load 1 52"}, {{1, 3}, {0, 0}}},
      // The stop is asked after every byte: it ends the update after the second one.
      {"stopped", 0, 1, code2, {"page 0", "load 0 18", "load 1 52"}, {{1, 3}, {0, 0}}},
      {"to the end again", 0, -1, {"Update starten?"},
       {"page 0", "load 0 18", "load 1 52", "commit 0", "page 1", "load 0 86", "commit 1"},
       {{1, 3}, {2, 3}, {3, 3}, {0, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui.messages.clear();
    window->progress.clear();
    adapter.controller.failLoadCountdown = c.failLoad;
    ui.stopAfter = c.stopAfter;
    Run(WriteScrambled("x1011_3011.upd", {{0x0000, 0x12}, {0x0001, 0x34}, {0x0040, 0x56}}));
    EXPECT_EQ(Texts(), c.messages);
    EXPECT_EQ(PageCommands(), c.pages);
    EXPECT_EQ(window->progress, c.progress);
    EXPECT_EQ(window->GetItemText(IDC_STATUS), c.messages.size() == 1 ? "OK" : " ");
    EXPECT_FALSE(fs::exists(dir_ / kTempFileName));
  }
}

// Before the question the user is told how long the update takes on this port (and,
// past ten minutes, what a built-in port would take); during it the time left follows
// the measured rate of the lines sent.
TEST_F(FirmwareUpdateTest, TheQuestionTellsTheDurationAndTheProgressTheTimeLeft) {
  struct Case {
    const char* model;
    int lines;
    const char* advice;  // the details' second line, "" for none
  };
  const Case cases[] = {
      {"uart", 200, ""},
      {"ftdi", 64, "This cable has an FTDI chip: chosen as ftdi:SIM it takes about 1 s."},
      {"cp210x-windows", 300, "A built-in serial port takes about 4 s for it, an FTDI cable (ftdi:) about 3 s."},
      // In bit-bang mode; COM1 is the simulated FT232R.
      {"ft232r", 300, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.model);
    adapter.SetModel(*sim::FindAdapterModel(c.model));
    adapter.controller.Reset();
    tool.link.Serial().CloseComPort();
    window->left.clear();
    window->clock = &clock;
    ui.messages.clear();
    std::vector<UpdateByte> bytes;
    for (int a = 0; a < c.lines; ++a) bytes.push_back({static_cast<uint16_t>(a), static_cast<uint8_t>(a * 7)});
    uint64_t askedAt = 0;
    ui.onMessage = [&](std::string_view) { askedAt = clock.NowUs(); };
    Run(Write("x1011_3011.upd", PackPlainUpdate(bytes)));
    ui.onMessage = nullptr;
    ASSERT_EQ(Texts(), std::vector<std::string>{"Update starten?"});
    ASSERT_EQ(window->GetItemText(IDC_STATUS), "OK");
    const double tookS = static_cast<double>(clock.NowUs() - askedAt) / 1e6;
    // The details: the file, the versions its name gives, the controller's, the
    // duration (and the advice past ten minutes), and what must hold until the end.
    const std::string& details = ui.messages[0].details;
    std::vector<std::string> lines;
    for (size_t from = 0, to; from <= details.size(); from = to + 1) {
      to = std::min(details.find('\n', from), details.size());
      lines.push_back(details.substr(from, to - from));
    }
    const std::string keep = "Keep the adapter connected and the controller powered until the status field shows OK.";
    std::vector<std::string> expected = {"File: x1011_3011.upd",
                                         "Its name gives the controller versions 10.11 and 30.11.",
                                         "The controller has version 10.11."};
    ASSERT_EQ(lines.size(), expected.size() + (*c.advice ? 3 : 2)) << details;
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3), expected) << details;
    const std::string said = lines[3];
    EXPECT_EQ(said.rfind("The update takes about ", 0), 0u) << details;
    EXPECT_NE(said.find(" on this port (COM1)."), std::string::npos) << details;
    EXPECT_EQ(*c.advice ? lines[4] : std::string(), c.advice);
    EXPECT_EQ(lines.back(), keep);
    EXPECT_EQ(said, "The update takes " + AboutDuration(tookS) + " on this port (COM1).") << "took " << tookS << " s";
    // One time left a line, each within a tenth of what was really left, counting down
    // (give or take what the cable's jitter does to one line).
    ASSERT_EQ(window->left.size(), static_cast<size_t>(c.lines));
    const uint64_t endUs = clock.NowUs();
    for (size_t i = 0; i < window->left.size(); ++i) {
      const double reallyLeft = static_cast<double>(endUs - window->left[i].atUs) / 1e6;
      EXPECT_NEAR(window->left[i].seconds, reallyLeft, 0.1 * reallyLeft + 1) << "line " << i + 1;
      if (i > 0) {
        EXPECT_LE(window->left[i].seconds, window->left[i - 1].seconds * 1.01 + 1) << "line " << i + 1;
      }
    }
  }
}

// What stands in the way of a transfer is found before the user is asked to start
// it: a "temp.tmp" that is not this update's (left as it is, its full path in the
// box's details), or a request to end the program. A plain update needs no
// temporary file and never looks at one.
TEST_F(FirmwareUpdateTest, NothingStartsThatCannotBeDone) {
  using Lines = std::vector<std::string>;
  struct Case {
    const char* what;
    bool scrambled;
    const char* temp;   // what temp.tmp holds beforehand; null: there is none
    bool endsBefore;    // the program is to end before the update starts
    bool endsAsked;     // ... or while the question is open
    Lines messages;
    bool sent;
    const char* madeAsked = nullptr;  // a temp.tmp that another program makes while the question is open
  };
  const std::vector<Case> cases = {
      {"a user's temp.tmp", true, "mine", false, false, {"Cannot open temp-file"}, false},
      {"an empty one", true, "", false, false, {"Cannot open temp-file"}, false},
      {"a plain update beside it", false, "mine", false, false, {"Update starten?"}, true},
      {"to end before", true, nullptr, true, false, {}, false},
      {"to end while asked", true, nullptr, false, true, {"Update starten?"}, false},
      {"a plain one, to end while asked", false, nullptr, false, true, {"Update starten?"}, false},
      {"nothing in the way", true, nullptr, false, false, {"Update starten?"}, true},
      // Found again when it is made: the file stays the other program's, untouched.
      {"one made while asked", true, nullptr, false, false, {"Update starten?", "Cannot open temp-file"}, false,
       "theirs"},
  };
  const std::vector<UpdateByte> image = {{0x0000, 0x12}, {0x0040, 0x56}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui.messages.clear();
    fs::remove(dir_ / kTempFileName);
    if (c.temp) Write(kTempFileName, c.temp);
    ui.ending = c.endsBefore;
    ui.onMessage = [&](std::string_view text) {
      if (text != "Update starten?") return;
      if (c.endsAsked) ui.ending = true;
      if (c.madeAsked) Write(kTempFileName, c.madeAsked);
    };
    Run(c.scrambled ? WriteScrambled("x1011_3011.upd", image) : Write("x1011_3011.upd", "0000:0012\n0040:0056\n"));
    EXPECT_EQ(Texts(), c.messages);
    EXPECT_EQ(!PageCommands().empty(), c.sent);
    EXPECT_EQ(window->GetItemText(IDC_STATUS), c.sent ? "OK" : " ");
    const char* other = c.temp ? c.temp : c.madeAsked;
    if (other) {
      EXPECT_EQ(ReadWhole(dir_ / kTempFileName), other) << "left as it was";
    } else {
      EXPECT_FALSE(fs::exists(dir_ / kTempFileName));
    }
    if (other && c.scrambled) {
      ASSERT_FALSE(ui.messages.empty());
      EXPECT_EQ(ui.messages.back().caption, "ERROR!");
      EXPECT_EQ(ui.messages.back().details, (dir_ / kTempFileName).string() +
                                                " is there already. It may be deleted when no other update is running.");
    }
  }
}

TEST(UpdateFileName, TheVersionChecksReadTheFileName) {
  struct Case {
    const char* name;
    int first, second;
  };
  const std::vector<Case> cases = {
      {"Y1011-3011.UPD", 0x1011, 0x3011}, {"xabcd_3F0e.upd", 0xABCD, 0x3F0E}, {"x10_30111.upd", 0x10, 0x0111},
      {"x.upd", -1, -1},                  {"x1011.upd", 0x1011, -1},          {"", -1, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(VersionInFileName(c.name, 1), c.first);
    EXPECT_EQ(VersionInFileName(c.name, 6), c.second);
  }
}

// The characters either side of the digit and letter ranges, in every position.
TEST(UpdateLine, OnlyLinesThatNameAnAddressAndAByteAreSent) {
  const std::pair<const char*, bool> cases[] = {
      {"3FFF:FFFF", true},  {"0040:@?56", true},  // 5 and 6 are not read
      {"0040:0056 trailing", true}, {"0040:005", false},  {"", false},           {"0040:00a6", false},
      {"0G40:0056", false}, {":040:0056", false}, {"0@40:0056", false},  {"0040:00;6", false},
      {"0040:005=", false}, {"0040:0/56", false}, {"0040:0G56", false},
  };
  for (const auto& [line, valid] : cases) EXPECT_EQ(UpdateLineCharactersValid(line), valid) << line;
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

TEST_F(FirmwareUpdateTest, ATemporaryFileThatFailsIsNoEndOfData) {
  // A temporary file that cannot be written loses the record: the reader must say so
  // rather than end the data or guess the line.
  tool.updateFile.UpdatePath = WriteScrambled("x.upd", {{0x0000, 0x12}});
  ASSERT_TRUE(tool.updateFile.TakeSnapshot());
  tool.updateFile.UpdateFileKind = UpdateKind::Scrambled;
  UpdateFiles files;
  ASSERT_TRUE(tool.updateFile.OpenLines(files));
  Write("t.tmp", "");
  files.temp = FilePtr(std::fopen((dir_ / "t.tmp").c_str(), "rb"));
  EXPECT_EQ(tool.updateFile.ReadUpdateLine(files), LineResult::ReadError);
  EXPECT_EQ(tool.updateFile.UpdateLine(), "");
  // Nothing opened: nothing read.
  UpdateFiles closed;
  EXPECT_EQ(tool.updateFile.ReadUpdateLine(closed), LineResult::ReadError);
}
// A second tool on a second controller, started from the same directory while the
// first one's transfer holds temp.tmp: it is refused before it sends anything, and the
// first goes on to flash exactly its own image. Once the first has ended, the second
// goes through.
TEST_F(FirmwareUpdateTest, TwoUpdatesFromOneDirectoryNeverShareTheTemporaryFile) {
  UpdateMachine other;
  other.Prepare(dir_);
  const std::vector<UpdateByte> firstImage = {{0x0000, 0x11}, {0x0001, 0x22}, {0x0040, 0x33}};
  const std::vector<UpdateByte> secondImage = {{0x0000, 0x44}, {0x0041, 0x55}, {0x0080, 0x66}};
  const std::string first = WriteScrambled("x1011_3011.upd", firstImage);
  const std::string second = WriteScrambled("y1011_3011.upd", secondImage);
  auto runSecond = [&] {
    other.ui.fileChoices.push_back(second);
    RunFirmwareUpdate(other.tool, *other.window);
  };
  bool started = false;
  onStatus = [&](const std::string& text) {
    if (text == "Update laeuft" && !started) {
      started = true;
      runSecond();
    }
  };
  Run(first);
  ASSERT_TRUE(started);
  EXPECT_EQ(Texts(other.ui), (std::vector<std::string>{"Cannot open temp-file"}));
  EXPECT_TRUE(PageCommands(other.adapter.controller).empty());
  EXPECT_EQ(Texts(), std::vector<std::string>{"Update starten?"});
  EXPECT_EQ(adapter.controller.flash, Image(firstImage));
  EXPECT_EQ(other.adapter.controller.flash, Image({}));

  other.ui.messages.clear();
  runSecond();
  EXPECT_EQ(Texts(other.ui), std::vector<std::string>{"Update starten?"});
  EXPECT_EQ(other.adapter.controller.flash, Image(secondImage));
  EXPECT_EQ(adapter.controller.flash, Image(firstImage));
  EXPECT_FALSE(fs::exists(dir_ / kTempFileName));
}

}  // namespace
}  // namespace ravix
