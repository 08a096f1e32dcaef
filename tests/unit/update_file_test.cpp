#include "files/update_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "files/setup_file.h"
#include "platform/headless/headless_ui.h"
#include "sim/sim_adapter.h"
#include "temp_dir.h"

namespace ravix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

void PutLe(std::vector<uint8_t>& file, size_t offset, uint32_t word) {
  if (file.size() < offset + 4) file.resize(offset + 4, 0);
  for (int i = 0; i < 4; ++i) file[offset + i] = static_cast<uint8_t>(word >> (8 * i));
}

uint32_t Le(const char* four) {
  return static_cast<uint8_t>(four[0]) | static_cast<uint8_t>(four[1]) << 8 | static_cast<uint8_t>(four[2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(four[3])) << 24;
}

// A fresh directory, current for the test, with the tool's file objects over it.
class UpdateFileTest : public FreshDirectoryTest {
 protected:
  UpdateFileTest() : FreshDirectoryTest("ravix-update-file-") {}
  void SetUp() override {
    FreshDirectoryTest::SetUp();
    setupFile.StartDirectory = dir_.string();
  }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = dir_ / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path.string();
  }

  // Every line the reader delivers from the file's snapshot, through temp.tmp for a
  // scrambled file as in the transfer.
  std::vector<std::string> ReadAll(const std::string& path) {
    update.UpdatePath = path;
    EXPECT_TRUE(update.TakeSnapshot());
    UpdateFiles files;
    EXPECT_TRUE(update.OpenLines(files));
    if (update.UpdateFileKind == UpdateKind::Scrambled) {
      EXPECT_TRUE(files.CreateTemp());
    }
    std::vector<std::string> lines;
    LineResult result;
    while ((result = update.ReadUpdateLine(files)) == LineResult::Line) {
      lines.emplace_back(update.UpdateLine());
      if (lines.size() > 1000) break;
    }
    EXPECT_EQ(result, LineResult::EndOfData);
    if (update.UpdateFileKind == UpdateKind::Scrambled) lastTempLine = ReadWhole(dir_ / kTempFileName);
    else onlyPadding = update.OnlyPaddingFollows(files);
    return lines;
  }

  UpdateKind Detect(const std::string& path) {
    update.UpdatePath = path;
    EXPECT_TRUE(update.TakeSnapshot());
    return update.DetectUpdateFileKind();
  }
  int Check(const std::string& path) {
    update.UpdatePath = path;
    EXPECT_TRUE(update.TakeSnapshot());
    UpdateFiles files;
    return update.CheckUpdateFile(files);
  }

  std::string lastTempLine;
  bool onlyPadding = false;  // after the last plain line
  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  HeadlessUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Status status{ui};
  Link link{platform, status};
  SetupFile setupFile{link, status};
  UpdateFile update{status};
};

// A zero byte or 0xFF at a line start ends the data; only padding of them may follow
// (update/damaged_files shows the files refused for what follows).
TEST_F(UpdateFileTest, PlainFilesYieldTheirLinesWhateverTheLineEnds) {
  const std::string longLine = "0000:0012" + std::string(100, 'A');
  struct Case {
    const char* what;
    std::string content;
    std::vector<std::string> lines;
    bool onlyPadding;
  };
  const std::vector<Case> cases = {
      {"LF", "0000:0012\n0001:0034\n", {"0000:0012", "0001:0034"}, true},
      {"lone CR", "0000:0012\r0001:0034\r", {"0000:0012", "0001:0034"}, true},
      {"no line end after the last line", "0000:0012\r\n0001:0034", {"0000:0012", "0001:0034"}, true},
      {"CR CR LF is a line and an empty line", "0000:0012\r\r\n0001:0034", {"0000:0012", "", "0001:0034"}, true},
      {"empty line in the middle", "0000:0012\n\n0001:0034\n", {"0000:0012", "", "0001:0034"}, true},
      {"a file of one line end", "\r\n", {""}, true},
      {"0xFF at a line start", "0000:0012\r\n\xFF" "0001:0034\r\n", {"0000:0012"}, false},
      {"zero at a line start", "0000:0012\r\n\0" "0001:0034\r\n"s, {"0000:0012"}, false},
      {"a DOS end-of-file mark after zeros", "0000:0012\r\n\0\x1A"s, {"0000:0012"}, false},
      {"0xFF inside a line ends only that line", "0000:00\xFF" "12\n0001:0034\n", {"0000:00", "12", "0001:0034"},
       true},
      {"zero inside a line cuts the delivered text", "0000:\0" "0012\n0001:0034\n"s, {"0000:", "0001:0034"}, true},
      {"the empty file", "", {}, true},
      {"a first byte of zero", "\0" "000:0012\n"s, {}, false},
      {"a long line keeps 79 characters and the next line follows", longLine + "\n0001:0034\n",
       {longLine.substr(0, 79), "0001:0034"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    update.UpdateFileKind = UpdateKind::Plain;
    EXPECT_EQ(ReadAll(Write("plain.upd", Bytes(c.content))), c.lines);
    EXPECT_EQ(onlyPadding, c.onlyPadding);
  }
}

TEST_F(UpdateFileTest, TheByteAtOffsetFourTellsTheKind) {
  struct Case {
    const char* what;
    std::string content;
    UpdateKind kind;
  };
  const std::vector<Case> cases = {
      {"a plain line", "0000:0012\r\n", UpdateKind::Plain},
      {"eight bytes with the colon", "0000:001", UpdateKind::Plain},
      {"seven bytes with the colon", "0000:00", UpdateKind::Scrambled},
      {"the empty file", "", UpdateKind::Scrambled},
      {"no colon at offset 4", "000:00012\r\n", UpdateKind::Scrambled},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Detect(Write("kind.upd", Bytes(c.content))), c.kind);
    EXPECT_EQ(update.UpdateFileKind, c.kind);
  }
}

TEST_F(UpdateFileTest, ScrambledDataEndsAtTheLastWholeRecordOrAnAllOnesSecondWord) {
  const std::vector<UpdateByte> bytes = {{0x0000, 0x12}, {0x0001, 0x34}, {0x0040, 0x56}};
  const std::vector<uint8_t> packed = PackScrambledUpdate(bytes, {}, 11);
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    size_t lines;
  };
  std::vector<Case> cases;
  cases.push_back({"exactly the header", {packed.begin(), packed.begin() + kHeaderBytes}, 0});
  cases.push_back({"whole records", packed, 3});
  auto cut = packed;
  cut.resize(packed.size() - 3);
  cases.push_back({"a length not a multiple of 4", cut, 2});
  cut.resize(packed.size() - 4);
  cases.push_back({"a record without its second word", cut, 2});
  auto ended = packed;
  PutLe(ended, 160 + 8 + 4, 0xFFFFFFFF);
  cases.push_back({"an all-ones second word", ended, 1});
  auto firstWord = packed;
  PutLe(firstWord, 160 + 8, 0xFFFFFFFF);
  cases.push_back({"an all-ones first word does not end the data", firstWord, 3});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    update.UpdateFileKind = UpdateKind::Scrambled;
    update.RecordKey = InitialRecordKey(11);
    EXPECT_EQ(ReadAll(Write("x.upd", c.file)).size(), c.lines);
  }
}

// The checksums below are worked out by hand: word 0 = 0x11111111 adds 8, the seed
// 1 adds 1, the record words 0xF and 0x10 add 15 and 1; words 19 to 21 never count.
// A file too short for a header counts 120 for each of its 19 missing words, against a
// checksum word and a seed that read as all ones.
TEST_F(UpdateFileTest, TheChecksumCountsTheRightWords) {
  auto build = [](uint32_t sum, uint32_t secondWord, size_t extra) {
    std::vector<uint8_t> file(kHeaderBytes, 0);
    PutLe(file, 0, 0x11111111);
    PutLe(file, 76, 0xFFFFFFFF);  // words 19 and 21 are read over
    PutLe(file, 84, 0x12345678);
    PutLe(file, 88, 1);
    PutLe(file, 160, 0x0000000F);
    PutLe(file, 164, secondWord);
    file.resize(file.size() + extra, 0x77);
    PutLe(file, 80, sum ^ InitialRecordKey(1));
    return file;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> file;
    bool passes;
    uint32_t seed = 1;
  };
  const std::vector<Case> cases = {
      {"too short for a header", Bytes("0000:00"), false, 0xFFFFFFFF},
      {"matching sum", build(25, 0x10, 0), true},
      {"sum off by one", build(26, 0x10, 0), false},
      {"sum off by one the other way", build(24, 0x10, 0), false},
      {"a trailing part word does not count", build(25, 0x10, 3), true},
      {"a trailing whole word counts", build(25, 0x10, 4), false},
      {"an all-ones word ends the sum", build(24, 0xFFFFFFFF, 0), true},
      {"nothing after an all-ones word counts", build(24, 0xFFFFFFFF, 4), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ui.messages.clear();
    EXPECT_EQ(Check(Write("sum.upd", c.file)), c.passes ? 0 : 1);
    EXPECT_EQ(update.RecordKey, InitialRecordKey(c.seed));
    if (c.passes) {
      EXPECT_TRUE(ui.messages.empty());
    } else {
      ASSERT_EQ(ui.messages.size(), 1u);
      EXPECT_EQ(ui.messages[0].text, "wrong file!");
    }
  }
}

TEST_F(UpdateFileTest, PackedFilesReadBackAsTheirBytes) {
  std::vector<UpdateByte> bytes;
  for (int a = 0; a < 200; ++a) bytes.push_back({static_cast<uint16_t>(a * 37 % 0x4000), static_cast<uint8_t>(a)});
  bytes.push_back({0x3FFF, 0xFF});
  bytes.push_back({0x0100, 0x00});
  std::vector<std::string> expected;
  for (const auto& b : bytes) expected.push_back(FormatUpdateLine(b));
  EXPECT_EQ(expected.front(), "0000:0000");
  EXPECT_EQ(FormatUpdateLine({0x3FFF, 0xFF}), "3FFF:00FF");

  const std::string plain = PackPlainUpdate(bytes);
  EXPECT_EQ(plain.substr(0, 11), "0000:0000\r\n");
  update.UpdatePath = Write("plain.upd", Bytes(plain));
  EXPECT_EQ(Detect(update.UpdatePath), UpdateKind::Plain);
  EXPECT_EQ(ReadAll(update.UpdatePath), expected);

  for (uint32_t seed : {0u, 1u, 0xDEADBEEFu, 0xFFFFFFFEu}) {
    SCOPED_TRACE(seed);
    uint32_t used = 0;
    const auto scrambled = PackScrambledUpdate(bytes, {0x1011, 0x3011}, seed, &used);
    EXPECT_EQ(scrambled.size(), static_cast<size_t>(kHeaderBytes) + 8 * bytes.size());
    update.UpdatePath = Write("scrambled.upd", scrambled);
    EXPECT_EQ(Detect(update.UpdatePath), UpdateKind::Scrambled);
    ASSERT_EQ(Check(update.UpdatePath), 0);
    EXPECT_EQ(update.RecordKey, InitialRecordKey(used));
    std::vector<std::string> lines = ReadAll(update.UpdatePath);
    ASSERT_EQ(lines.size(), expected.size());
    for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(lines[i], expected[i] + "\n");
    // The temporary file held the last record's line (Windows lets nobody else read it
    // while the update holds it), and went with the update.
#ifndef _WIN32
    EXPECT_EQ(lastTempLine, lines.back());
#endif
    EXPECT_FALSE(fs::exists(dir_ / kTempFileName));
  }
  EXPECT_TRUE(ui.messages.empty());
}

// A seed whose first key turns the first record's second word into all ones must
// be moved on, or the file would end before its first line.
TEST_F(UpdateFileTest, PackingAvoidsWordsThatWouldEndTheData) {
  const std::vector<UpdateByte> bytes = {{0x0000, 0x12}};
  const uint32_t k = ~Le("0012") - PairOffset;  // the key that makes the second word all ones
  const uint32_t badSeed = (k ^ KeyMask) - KeyStart;
  ASSERT_EQ(InitialRecordKey(badSeed), k);
  uint32_t used = 0;
  const auto file = PackScrambledUpdate(bytes, {}, badSeed, &used);
  EXPECT_NE(used, badSeed);
  update.UpdatePath = Write("x.upd", file);
  ASSERT_EQ(Check(update.UpdatePath), 0);
  update.UpdateFileKind = UpdateKind::Scrambled;
  EXPECT_EQ(ReadAll(update.UpdatePath), std::vector<std::string>{"0000:0012\n"});
}

TEST_F(UpdateFileTest, OnlyAFileNameEndingInUpdIsAnUpdateFile) {
  struct Case {
    const char* what;
    std::string path;
    size_t at;
  };
  const std::vector<Case> cases = {
      {"upper case", "/a/b/X1011_3011.UPD", 15},
      {"mixed case", "/a/b/x.uPd", 6},
      {"a folder named *.upd before the file", "/a/fw.upd/x1011_3011.upd", 20},
      {"an extension that goes on", "/a/x.updated", std::string::npos},
      {"a folder named *.upd, the file not", "/a/fw.upd/x1011_3011.hex", std::string::npos},
      {"the folder itself", "/a/fw.upd/", std::string::npos},
      {"no separator", "x.upd", 1},
      {"position 0 is not searched", ".upd", std::string::npos},
      {"no extension", "/a/b/x.hex", std::string::npos},
      {"a match at position 250 counts", "/" + std::string(249, 'd') + ".upd", 250},
      {"a match past position 250 does not", "/" + std::string(250, 'd') + ".upd", std::string::npos},
      {"deep but in reach", "/" + std::string(245, 'd') + "/x.upd", 248},
      {"too deep", "/" + std::string(248, 'd') + "/x.upd", std::string::npos},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(FindUpdExtension(c.path), c.at);
  }
  EXPECT_EQ(FileNamePart("/a/new.upd.d/x1011_3011.upd"), "x1011_3011.upd");
  EXPECT_EQ(FileNamePart("x.upd"), "x.upd");
#ifndef _WIN32
  // A backslash is part of a name on POSIX systems.
  EXPECT_EQ(FileNamePart("/dir/a\\b.upd"), "a\\b.upd");
#else
  EXPECT_EQ(FileNamePart("C:\\dir\\x.upd"), "x.upd");
  EXPECT_EQ(FileNamePart("C:/dir/x.upd"), "x.upd");
  EXPECT_EQ(FindUpdExtension("C:\\a.upd\\x.hex"), std::string::npos);
#endif
}

// The path stored at offset 32 of the setup file, up to its terminating zero.
std::string StoredPath(const std::string& setupFile) {
  if (setupFile.size() <= 32) return {};
  return setupFile.substr(32, setupFile.find('\0', 32) - 32);
}

// The refusals (a name without ".upd", no setup file) are shown by the scenarios
// update/name_rule and update/setup_file_unwritable.
TEST_F(UpdateFileTest, RememberingStoresTheChosenPathAndTakesItsName) {
  Write("rvsetup.cfg", Bytes("COM1"));
  const std::string chosen = Write("fw.upd/X1011_3011.UPD", Bytes("0000:0012\r\n"));
  update.UpdatePath = chosen;
  ASSERT_TRUE(update.TakeSnapshot());
  UpdateFiles files;
  files.dataAt = 0;
  EXPECT_EQ(update.RememberUpdateFile(setupFile, files), kRemembered);
  EXPECT_FALSE(files.dataAt);  // closed again
  EXPECT_EQ(update.UpdatePath, chosen);
  EXPECT_EQ(update.UpdateFileName, "X1011_3011.UPD");
  EXPECT_EQ(StoredPath(ReadSetupFile()), chosen);
  EXPECT_EQ(fs::current_path(), dir_);
}

TEST_F(UpdateFileTest, ChoosingTakesTheDialogsPathOnlyWhenOneCameBack) {
  update.UpdatePath = "/earlier/x.upd";
  ui.fileChoices = {std::nullopt, std::string(), std::string("/new/x1011_3011.upd")};
  EXPECT_FALSE(update.ChooseUpdateFile());
  EXPECT_FALSE(update.ChooseUpdateFile());
  EXPECT_EQ(update.UpdatePath, "/earlier/x.upd");
  EXPECT_TRUE(update.ChooseUpdateFile());
  EXPECT_EQ(update.UpdatePath, "/new/x1011_3011.upd");
}

}  // namespace
}  // namespace ravix
