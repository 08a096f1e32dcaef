#include "files/setup_file.h"
#include "link/port_table.h"
#include "link/port_table.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "link/port_table.h"
#include "platform/headless/headless_ui.h"
#include "sim/sim_adapter.h"
#include "temp_dir.h"

namespace ravix {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// A fresh directory, current for the test; the previous directory comes back after it.
class SetupFileTest : public FreshDirectoryTest {
 protected:
  SetupFileTest() : FreshDirectoryTest("ravix-setup-file-") {}

  void Access(bool direct, bool driver) {
    link.Parallel().DirectPortIo = direct;
    link.Parallel().PortDriverReady = driver;
  }

  sim::SimClock clock{true};
  sim::SimAdapter adapter{clock};
  HeadlessUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Status status{ui};
  Link link{platform, status};
  SetupFile file{link, status};
};

TEST_F(SetupFileTest, InitTakesThePortNameFromTheFileOrTheDefault) {
  struct Case {
    const char* what;
    std::optional<std::string> stored;  // nothing: no file
    bool direct, driver;
    std::string portName, fileAfter;
  };
  const Case cases[] = {
      {"new file, direct port access", std::nullopt, true, false, "0378", "0378"},
      {"new file, driver library", std::nullopt, false, true, "0378", "0378"},
      {"new file, no parallel access", std::nullopt, false, false, "COM2", "COM2"},
      {"parallel port without access", "0378"s, false, false, "COM2", "COM2"},
      {"parallel port with driver", "0278"s, false, true, "0278", "0278"},
      {"serial port, no parallel access", "COM5"s, false, false, "COM5", "COM5"},
      {"serial port, direct access", "COM5"s, true, false, "COM5", "COM5"},
      {"only the name is rewritten", "03BC\0\0\r\npath"s, false, false, "COM2", "COM2\0\0\r\npath"s},
      {"a line end ends the name", "CO\r\nxy"s, true, false, "CO", "CO\r\nxy"},
      {"empty file starts like a new one", ""s, false, false, "COM2", "COM2"},
      {"empty file, driver library", ""s, false, true, "0378", "0378"},
  };
  // Read only (a run with a port of its own), the same name comes out and the file
  // stays as it was, or missing.
  for (const bool writable : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.what) + (writable ? "" : ", read only"));
      fs::remove(dir_ / "rvsetup.cfg");
      if (c.stored) WriteSetupFile(*c.stored);
      Access(c.direct, c.driver);
      link.PortName.clear();
      file.Writable = writable;
      EXPECT_EQ(file.InitSetupFile(), 0);
      EXPECT_EQ(link.PortName, c.portName);
      EXPECT_EQ(fs::exists(dir_ / "rvsetup.cfg"), writable || c.stored.has_value());
      EXPECT_EQ(ReadSetupFile(), writable ? c.fileAfter : c.stored.value_or(""));
      EXPECT_EQ(fs::path(file.StartDirectory), fs::current_path());
    }
  }
}

// Read only, nothing that would be stored reaches the file; the motor values are
// taken from it and kept for the run.
TEST_F(SetupFileTest, AReadOnlyFileTakesNoStore) {
  const std::string stored = "COM5"s + std::string(252, '\0') + " 6\0\0"s + "2.50";
  WriteSetupFile(stored);
  file.Writable = false;
  ASSERT_EQ(file.InitSetupFile(), 0);
  link.PortName = "COM7";
  EXPECT_EQ(file.SavePortName(), 0);
  EXPECT_EQ(file.StoreUpdatePath("/home/me/x1011_3011.upd"), 0);
  EXPECT_EQ(file.LoadRpmValues(), 0);
  EXPECT_EQ(file.PoleCount, 6);
  EXPECT_FLOAT_EQ(file.GearRatio, 2.5f);
  EXPECT_EQ(file.StoreRpmValues(12, 3.25f), 0);
  EXPECT_EQ(file.PoleCount, 12);
  EXPECT_FLOAT_EQ(file.GearRatio, 3.25f);
  EXPECT_EQ(ReadSetupFile(), stored);
}

// A current directory that is gone cannot be the start directory: the reason is kept
// for the front end, and the library prints nothing itself.
TEST_F(SetupFileTest, InitInADeletedDirectoryKeepsTheReasonForTheFrontEnd) {
  fs::create_directory(dir_ / "gone");
  fs::current_path(dir_ / "gone");
  std::error_code error;
  if (!fs::remove(dir_ / "gone", error)) {
    fs::current_path(dir_);
    GTEST_SKIP() << "this system keeps a current directory from being removed";
  }
  ::testing::internal::CaptureStderr();
  static_cast<void>(file.InitSetupFile());
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(file.StartDirectory, "");
  EXPECT_EQ(file.StartDirectoryError.rfind("_getcwd error: ", 0), 0u) << file.StartDirectoryError;
  fs::current_path(dir_);
  ASSERT_EQ(file.InitSetupFile(), 0);
  EXPECT_EQ(file.StartDirectoryError, "");
}

TEST_F(SetupFileTest, SavePortNameWritesOnlyTheFirstFourBytes) {
  WriteSetupFile("COM1\0\0\r\nold"s);
  ASSERT_EQ(file.InitSetupFile(), 0);
  link.PortName = "COM7";
  EXPECT_EQ(file.SavePortName(), 0);
  EXPECT_EQ(ReadSetupFile(), "COM7\0\0\r\nold"s);
}

// The port field of a file with an update path behind it: bytes 0 to 29.
std::string Field(const std::string& bytes) { return bytes.substr(0, 30); }
constexpr char kBehind[] = "\r\nC:\\x1011_3011.upd";

// A port beyond the table (above COM8, a device, a cable) is kept behind the marker,
// its name in bytes 4 to 29 with a zero after it; the fields behind stay. A name of
// the table goes back to bytes 0 to 3 alone, and one longer than 25 bytes is not kept.
TEST_F(SetupFileTest, LongPortNamesGoBehindTheMarker) {
  WriteSetupFile(std::string(30, '\0') + kBehind);
  ASSERT_EQ(file.InitSetupFile(), 0);
  const std::string zeros(26, '\0');
  struct Case {
    std::string name, field;
  };
  const Case cases[] = {
      {"COM12", "*EXTCOM12" + zeros.substr(5)},
      {"COM9", "*EXTCOM9" + zeros.substr(4)},
      // Names of no row of the table stay long: "v" would leave "EXT" behind it, and
      // "**ET" would read back as a parallel port.
      {"v", "*EXTv" + zeros.substr(1)},
      {"**ET", "*EXT**ET" + zeros.substr(4)},
      {"/dev/ttyUSB0", "*EXT/dev/ttyUSB0" + zeros.substr(12)},
      {"ftdi:A50285BI", "*EXTftdi:A50285BI" + zeros.substr(13)},
      {std::string(25, 'x'), "*EXT" + std::string(25, 'x') + zeros.substr(25)},
      // Too long for the field: the file keeps what it held.
      {std::string(26, 'y'), "*EXT" + std::string(25, 'x') + zeros.substr(25)},
      {"COM3", "COM3" + std::string(25, 'x') + zeros.substr(25)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    link.PortName = c.name;
    EXPECT_EQ(file.SavePortName(), 0);
    const std::string bytes = ReadSetupFile();
    EXPECT_EQ(Field(bytes), c.field);
    EXPECT_EQ(bytes.substr(30), kBehind);
  }
}

// What the start takes from the long form: the name behind the marker, when it is
// one; a marker with nothing usable behind it counts as no port stored at all.
TEST_F(SetupFileTest, InitTakesALongNameFromBehindTheMarker) {
  struct Case {
    const char* what;
    std::string stored;
    bool driver;
    std::string portName;
    bool storedLong;
  };
  const std::string pad(20, '\0');
  const Case cases[] = {
      {"COM12", "*EXTCOM12\0"s + pad, false, "COM12", true},
      {"a name of one character", "*EXTv\0"s + pad, false, "v", true},
      {"four characters of no port", "*EXT**ET\0"s + pad, false, "**ET", true},
      {"a device path without parallel access", "*EXT/dev/ttyUSB1\0"s + pad, false, "/dev/ttyUSB1", true},
      {"a name that fills the field", "*EXT" + std::string(25, 'z') + "\0"s, true, std::string(25, 'z'), true},
      {"a name without its terminator", "*EXT" + std::string(26, 'z'), false, "COM2", false},
      {"nothing behind the marker", "*EXT"s, true, "0378", false},
      {"a control byte in the name", "*EXTCOM\x01" + pad, false, "COM2", false},
      {"a blank in the name", "*EXTCOM 12\0"s + pad, false, "COM2", false},
      {"the marker in the other case", "*extCOM12\0"s + pad, true, "*ext", false},
      // A parallel port, however it was stored, needs parallel access.
      {"a parallel port in the long form without access", "*EXT0378\0"s + pad, false, "COM2", true},
      {"a parallel port in the long form with access", "*EXT0378\0"s + pad, true, "0378", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(dir_ / "rvsetup.cfg");
    WriteSetupFile(c.stored);
    Access(false, c.driver);
    link.PortName.clear();
    EXPECT_EQ(file.InitSetupFile(), 0);
    EXPECT_EQ(link.PortName, c.portName);
    EXPECT_EQ(file.PortNameStoredLong, c.storedLong);
    // Written back as it is kept: a name of the table in bytes 0 to 3, any other long.
    if (c.storedLong) {
      EXPECT_EQ(Field(ReadSetupFile()).substr(0, 4), PortRowOfName(c.portName) >= 0 ? c.portName : "*EXT");
    }
  }
}

// The tool's releases before long names read the port from bytes 0 to 3 only: up to
// four characters before a line end, cut at a zero byte and at any control byte; an
// empty name gives the default port, a name not beginning with "C" without parallel
// access gives COM2, and a name of no row of the port table the default again. A
// file written with a long name must leave such a reader on its default port, never on
// a port made of the marker's or the name's bytes.
std::string PortOfReleasedReader(const std::string& bytes, bool parallelAccess) {
  std::string name = bytes.substr(0, std::min(bytes.find('\n'), size_t{4}));
  name = name.substr(0, name.find('\0'));
  name.resize(static_cast<size_t>(
      std::find_if(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 32; }) -
      name.begin()));
  const std::string fallback = parallelAccess ? "0378" : "COM2";
  if (name.empty()) return fallback;
  if (!parallelAccess && name.front() != 'C') return "COM2";
  return PortRowOfName(name) >= 0 ? name : fallback;
}

TEST_F(SetupFileTest, TheReleasedReaderTakesTheMarkerForNoPort) {
  // The marker names no port of the table and does not begin with "C": a reader
  // without parallel access falls back to COM2, one with it to its default 0378.
  EXPECT_LT(PortRowOfName(SetupFile::LongPortMarker), 0);
  EXPECT_NE(SetupFile::LongPortMarker.front(), 'C');
  for (const char* name : {"COM12", "COM9", "/dev/ttyUSB0", "ftdi:A50285BI", "0378x"}) {
    for (const bool parallel : {false, true}) {
      SCOPED_TRACE(std::string(name) + (parallel ? " with" : " without") + " parallel access");
      fs::remove(dir_ / "rvsetup.cfg");
      WriteSetupFile("COM5");
      ASSERT_EQ(file.InitSetupFile(), 0);
      link.PortName = name;
      ASSERT_EQ(file.SavePortName(), 0);
      EXPECT_EQ(PortOfReleasedReader(ReadSetupFile(), parallel), parallel ? "0378" : "COM2");
      // And this release reads the name back.
      Access(false, parallel);
      link.PortName.clear();
      ASSERT_EQ(file.InitSetupFile(), 0);
      EXPECT_EQ(link.PortName, name);
    }
  }
}

TEST_F(SetupFileTest, EveryOperationReturnsToTheStartDirectory) {
  WriteSetupFile("COM3");
  ASSERT_EQ(file.InitSetupFile(), 0);
  fs::create_directory(dir_ / "elsewhere");
  fs::current_path(dir_ / "elsewhere");
  link.PortName = "COM4";
  EXPECT_EQ(file.SavePortName(), 0);
  EXPECT_EQ(ReadSetupFile(), "COM4");
  EXPECT_EQ(fs::current_path(), dir_);
  EXPECT_FALSE(fs::exists(dir_ / "elsewhere" / "rvsetup.cfg"));

  fs::current_path(dir_ / "elsewhere");
  EXPECT_EQ(file.StoreUpdatePath("a.upd"), 0);
  EXPECT_EQ(fs::current_path(), dir_);
  fs::current_path(dir_ / "elsewhere");
  EXPECT_EQ(file.LoadRpmValues(), 0);
  EXPECT_EQ(fs::current_path(), dir_);
  EXPECT_FALSE(fs::exists(dir_ / "elsewhere" / "rvsetup.cfg"));
}

TEST_F(SetupFileTest, UpdatePathLayout) {
  const std::string blanks(20, ' ');
  const std::string head = "COM2" + std::string(26, '\0') + "\r\n";
  struct Case {
    const char* what;
    std::string before;
    std::string path;
    std::string after;
  };
  const std::string longPath(250, 'p');
  const std::string longTail = std::string(202, 'p') + "x";
  const Case cases[] = {
      {"ten characters into a 4-byte file", "COM2", "C:\\a\\b.upd", head + "C:\\a\\b.upd" + '\0' + blanks},
      {"shorter over longer keeps the rest beyond the blanks",
       head + std::string(40, 'L') + '\0' + blanks, "short", head + "short" + '\0' + blanks +
       std::string(40 - 5 - 21, 'L') + '\0' + blanks},
      {"a path longer than 203 keeps its last 203 characters", "COM2", longPath + "x",
       head + longTail + '\0' + blanks},
      // Cutting to 203 bytes would keep the second byte of the two-byte character alone.
      {"the shortened path starts at a whole character", "COM2", "dir/\xC3\xA4" + std::string(202, 'q'),
       head + std::string(202, 'q') + '\0' + blanks},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteSetupFile(c.before);
    EXPECT_EQ(file.StoreUpdatePath(c.path), 0);
    const std::string after = ReadSetupFile();
    EXPECT_EQ(after, c.after);
    EXPECT_LE(after.size(), 256u);
  }
  WriteSetupFile("COM2");
  ASSERT_EQ(file.StoreUpdatePath(longPath), 0);
  EXPECT_EQ(ReadSetupFile().size(), 256u) << "the longest field ends right before the pole count";
}

TEST_F(SetupFileTest, LoadRpmValuesTakesDefaultsAndWritesBack) {
  const std::string head = "COM2" + std::string(252, '\0');
  struct Case {
    const char* what;
    std::string before;
    int poles;
    float gear;
    std::string fieldsAfter;  // from offset 256 to the end
  };
  const Case cases[] = {
      {"file ends before 256", "COM2", 2, 1.0f, " 2\0\0" "1.00"s},
      {"stored values", head + "14\0\0" "3.25"s, 14, 3.25f, "14\0\0" "3.25"s},
      {"one-digit count", head + " 6\0\0" "12.50"s, 6, 12.5f, " 6\0\0" "12.50"s},
      {"zero values take the defaults", head + " 0\0\0" "0.00"s, 2, 1.0f, " 2\0\0" "1.00"s},
      {"text that is no number", head + "ab\0\0" "x1"s, 2, 1.0f, " 2\0\0" "1.00"s},
      {"no gear ratio after the count", head + " 8"s, 8, 1.0f, " 8\0\0" "1.00"s},
      {"a line end after the gear ratio is dropped", head + "10\0\0" "2.00\r\n"s, 10, 2.0f, "10\0\0" "2.00"s},
      {"comma is no decimal point here", head + "12\0\0" "2,5"s, 12, 2.0f, "12\0\0" "2.00"s},
      {"negative count and ratio", head + "-4\0\0" "-2.5"s, 2, 1.0f, " 2\0\0" "1.00"s},
      {"ratio that is not finite", head + " 4\0\0" "inf"s, 4, 1.0f, " 4\0\0" "1.00"s},
      {"ratio that is no number", head + " 4\0\0" "nan"s, 4, 1.0f, " 4\0\0" "1.00"s},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WriteSetupFile(c.before);
    file.PoleCount = 0;
    file.GearRatio = 0.0f;
    EXPECT_EQ(file.LoadRpmValues(), 0);
    EXPECT_EQ(file.PoleCount, c.poles);
    EXPECT_FLOAT_EQ(file.GearRatio, c.gear);
    const std::string after = ReadSetupFile();
    ASSERT_GE(after.size(), 256u);
    EXPECT_EQ(after.substr(0, 4), "COM2");
    EXPECT_EQ(after.substr(4, 252), std::string(252, '\0'));
    EXPECT_EQ(after.substr(256), c.fieldsAfter);
  }
  EXPECT_TRUE(ui.messages.empty());
}

// A count wider than its two characters is refused, the file left as it was.
TEST_F(SetupFileTest, StoreRpmValuesEndsTheFileAfterTheGearRatio) {
  WriteSetupFile("COM2");
  EXPECT_EQ(file.StoreRpmValues(12, 12.34f), 0);
  EXPECT_EQ(ReadSetupFile().substr(256), "12\0\0" "12.34"s);
  EXPECT_EQ(file.StoreRpmValues(4, 1.5f), 0);
  EXPECT_EQ(ReadSetupFile().substr(256), " 4\0\0" "1.50"s);
  EXPECT_EQ(file.PoleCount, 4);
  EXPECT_FLOAT_EQ(file.GearRatio, 1.5f);
  file.PoleCount = 0;
  EXPECT_EQ(file.LoadRpmValues(), 0);
  EXPECT_EQ(file.PoleCount, 4);
  EXPECT_FLOAT_EQ(file.GearRatio, 1.5f);
  EXPECT_EQ(file.StoreRpmValues(100, 3.0f), 1);
  EXPECT_EQ(ReadSetupFile().substr(256), " 4\0\0" "1.50"s);
  EXPECT_EQ(file.PoleCount, 4);
}

TEST_F(SetupFileTest, MissingFileShowsTheOpenErrorAndKeepsTheValues) {
  file.PoleCount = 6;
  file.GearRatio = 2.5f;
  EXPECT_EQ(file.LoadRpmValues(), 1);
  EXPECT_EQ(file.StoreRpmValues(8, 3.0f), 1);
  EXPECT_EQ(file.PoleCount, 6);
  EXPECT_FLOAT_EQ(file.GearRatio, 2.5f);
  // The update's path is stored into an existing file only, without a box of its own.
  EXPECT_EQ(file.StoreUpdatePath("x.upd"), 1);
  EXPECT_EQ(status.ErrorText, "Open Error 'rvsetup.cfg'!");
  ASSERT_EQ(ui.messages.size(), 2u);
  for (const auto& m : ui.messages) {
    EXPECT_EQ(m.owner, nullptr);
    EXPECT_EQ(m.caption, "Error!");
    EXPECT_EQ(m.text, "open error 'rvsetup.cfg'");
  }
  EXPECT_FALSE(fs::exists(dir_ / "rvsetup.cfg"));
}

// Whatever bears the file's name without being a regular file of its own (a directory,
// which nobody can open or replace, a link to the user's file, a dangling link, a pipe)
// counts as a file that cannot be opened: start-up goes on with the default port,
// every store is refused, and nothing of the user's is written or created.
TEST_F(SetupFileTest, ALinkOrAnythingButARegularFileIsNeverWritten) {
  struct Case {
    const char* what;
    std::function<void()> make;
  };
  const std::string theirs = "COM5\0\0\r\ntheir own file"s;
  const Case cases[] = {
      {"directory", [&] { fs::create_directory(dir_ / "rvsetup.cfg"); }},
#ifndef _WIN32
      {"link to a regular file",
       [&] {
         WriteWhole(dir_ / "theirs", theirs);
         fs::create_symlink(dir_ / "theirs", dir_ / "rvsetup.cfg");
       }},
      {"dangling link", [&] { fs::create_symlink(dir_ / "theirs", dir_ / "rvsetup.cfg"); }},
      {"pipe", [&] { ASSERT_EQ(::mkfifo((dir_ / "rvsetup.cfg").c_str(), 0600), 0); }},
#endif
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(dir_ / "rvsetup.cfg");
    fs::remove(dir_ / "theirs");
    status.ErrorText.clear();
    c.make();
    const bool hadTheirs = fs::exists(dir_ / "theirs");
    ui.messages.clear();
    Access(false, false);
    link.PortName.clear();
    EXPECT_EQ(file.InitSetupFile(), 1);
    EXPECT_EQ(link.PortName, "COM2") << "the default, not the name in their file";
    EXPECT_EQ(file.SavePortName(), 1);
    EXPECT_EQ(status.ErrorText, "Open Error 'rvsetup.cfg'!");
    EXPECT_EQ(file.StoreUpdatePath("/home/user/x1011_3011.upd"), 1);
    file.PoleCount = 6, file.GearRatio = 2.5f;
    EXPECT_EQ(file.StoreRpmValues(8, 3.0f), 1);
    EXPECT_EQ(file.LoadRpmValues(), 1);
    EXPECT_EQ(file.PoleCount, 6);
    EXPECT_FLOAT_EQ(file.GearRatio, 2.5f);
    EXPECT_EQ(ui.messages.size(), 2u) << "one open error for each of the motor values' operations";
    if (hadTheirs) {
      EXPECT_EQ(ReadWhole(dir_ / "theirs"), theirs);
    } else {
      EXPECT_FALSE(fs::exists(dir_ / "theirs")) << "nothing made through the link";
    }
  }
}

#ifndef _WIN32
// A full disk, as a file-size limit makes one: a store whose bytes do not reach the
// file is reported, never taken as done.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  void (*previousHandler_)(int) = nullptr;
};

TEST_F(SetupFileTest, AStoreThatCannotBeWrittenIsReportedNotDropped) {
  WriteSetupFile("COM2");
  Access(false, false);
  ASSERT_EQ(file.InitSetupFile(), 0);
  file.PoleCount = 6, file.GearRatio = 2.5f;
  {
    FileSizeLimit full(2);
    link.PortName = "COM7";
    EXPECT_EQ(file.SavePortName(), 1);
    EXPECT_EQ(status.ErrorText, "Open Error 'rvsetup.cfg'!");
    status.ErrorText.clear();
    EXPECT_EQ(file.StoreUpdatePath("x1011_3011.upd"), 1);
    EXPECT_EQ(status.ErrorText, "Open Error 'rvsetup.cfg'!");
    EXPECT_EQ(file.StoreRpmValues(8, 3.0f), 1);
  }
  EXPECT_FLOAT_EQ(file.GearRatio, 2.5f) << "the ratio in use stays the one the file holds";
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].caption, "Error!");
  EXPECT_EQ(ui.messages[0].text, "open error 'rvsetup.cfg'");
  // With room again the same stores succeed.
  EXPECT_EQ(file.SavePortName(), 0);
  EXPECT_EQ(file.StoreRpmValues(8, 3.0f), 0);
  EXPECT_EQ(ReadSetupFile().substr(0, 4), "COM7");
  EXPECT_EQ(ReadSetupFile().substr(256), " 8\0\0" "3.00"s);
}
#endif

}  // namespace
}  // namespace ravix
