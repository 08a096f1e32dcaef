#include "files/firmware_update.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/text.h"
#include "protocol/expected_durations.h"
#include "protocol/link_check.h"
#include "status/messages.h"

namespace ravix {

namespace {

constexpr int kPageBytes = 64;
constexpr int kLastPage = 255;
constexpr uint32_t kBlinkMs = 1000;
constexpr const char* kBlinkText = "Update laeuft";
constexpr const char* kBlinkBlank = "               ";  // fifteen blanks

constexpr const char* kNoSetupWarning =
    "Kompatibilität nicht überprüfbar, da kein RC-Setup gemacht wurde.\n"
    "Es wird dringend empfohlen ein Setup zu machen.\n"
    "Update trotzdem ohne Setup starten?";
// Not one of the tool's long-standing texts: a disk that fails in the middle of the
// file must not look like the end of the data, or a partial update would end in "OK".
constexpr const char* kReadError = "update file read error!";

int HexNumber(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 16 + UpperHexDigitValue(c);
  return value;
}

// Before the restart into the loader: a controller that does not answer gets the
// adapter check and one restart; 253 is a device of another kind, not a missing one.
const LinkCheck kFirstCheck{
    .steps = {.secondAlways = false},
    .noAdapter = {.tell = Tell::ErrorBox},
    .otherDevice = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kOtherDevice},
    .noAnswer = {.tell = Tell::CommandError, .text = msg::kNoConnection},
};

// After the restart into the loader the first answer decides.
const LinkCheck kLoaderCheck{
    .steps = {.restartFirst = true, .recover = false, .secondAlways = false, .restart = RestartForUpdate},
    .noAdapter = {},
    .otherDevice = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kOtherDevice},
    .noAnswer = {.tell = Tell::CommandError, .text = "No connection!"},
};

}  // namespace

std::string UpdateDurationText(Link& link, const UpdateShape& shape) {
  const double seconds = ExpectedDurations(link).UpdateUs(shape.lines, shape.pages) / 1e6;
  std::string text = "The update takes " + AboutDuration(seconds) + " on this port (" + link.PortName + ").";
  const double ftdi = ExpectedDurations::FtdiPort(link.ftdiUnitUs).UpdateUs(shape.lines, shape.pages) / 1e6;
  // A cable with an FTDI chip is fast in the chip's bit-bang mode: the user may not know.
  if (const std::string chip = link.FtdiChipBehindPort(); !chip.empty()) {
    text += "\nThis cable has an FTDI chip: chosen as " + std::string(kFtdiPortPrefix) + chip + " it takes " +
            AboutDuration(ftdi) + ".";
  } else if (seconds > 10 * 60) {
    // Past ten minutes a user is better off knowing what would make it short.
    const double builtIn = ExpectedDurations::BuiltInPort().UpdateUs(shape.lines, shape.pages) / 1e6;
    text += "\nA built-in serial port takes " + AboutDuration(builtIn) + " for it, an FTDI cable (ftdi:) " +
            AboutDuration(ftdi) + ".";
  }
  return text;
}

namespace {
// A version as the panel and the settings files show it: major.minor in hexadecimal.
std::string VersionText(int version) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X.%02X", (version >> 8) & 0xFF, version & 0xFF);
  return text;
}
}  // namespace

std::string UpdateQuestionDetails(std::string_view fileName, int controllerVersion, Link& link,
                                  const UpdateShape& shape) {
  std::string text = "File: " + std::string(fileName) + "\n";
  std::vector<std::string> named;
  for (size_t position : {1, 6}) {
    const int version = VersionInFileName(fileName, position);
    if (version >= 0) named.push_back(VersionText(version));
  }
  if (named.size() == 2 && named[0] != named[1])
    text += "Its name gives the controller versions " + named[0] + " and " + named[1] + ".\n";
  else if (!named.empty())
    text += "Its name gives the controller version " + named[0] + ".\n";
  if (controllerVersion == SettingsValues::kVersionInvalid)
    text += "The controller's version could not be read.\n";
  else
    text += "The controller has version " + VersionText(controllerVersion) + ".\n";
  text += UpdateDurationText(link, shape) + "\n";
  text += "Keep the adapter connected and the controller powered until the status field shows OK.";
  return text;
}

bool ShapeOfUpdateFile(const std::string& path, Status& status, UpdateShape& shape, std::string& why) {
  UpdateFile file(status);
  file.UpdatePath = path;
  if (!file.TakeSnapshot(&why)) return false;
  UpdateFiles files;
  if (file.DetectUpdateFileKind() == UpdateKind::Scrambled && file.CheckUpdateFile(files) != 0) {
    why = "its checksum is wrong";
    return false;
  }
  file.OpenLines(files);
  shape = {};
  int lastPage = -1;
  LineResult result;
  while ((result = file.ReadUpdateLine(files)) == LineResult::Line) {
    const std::string_view line = file.UpdateLine();
    if (line.size() < 5 || line[4] != ':' || !UpdateLineCharactersValid(line)) {
      why = "a line is no update line";
      return false;
    }
    const int page = HexNumber(line.substr(0, 4)) / kPageBytes;
    if (page != lastPage) ++shape.pages, lastPage = page;
    ++shape.lines;
  }
  if (result == LineResult::ReadError || shape.lines == 0) {
    why = "it holds no update lines";
    return false;
  }
  return true;
}

void RestartForUpdate(Link& link) {
  Adapter& lines = link.Lines();
  lines.SetReset(false);
  lines.SetClock(false);
  link.WaitMs(100);
  lines.SetReset(true);
  link.WaitMs(1000);
}

bool UpdateLineCharactersValid(std::string_view line) {
  if (line.size() < 9) return false;
  for (size_t i = 0; i < 9; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x30 || c > 0x46) return false;
  }
  for (size_t i : {0, 1, 2, 3, 7, 8})
    if (UpperHexDigitValue(line[i]) < 0) return false;
  return true;
}

int VersionInFileName(std::string_view name, size_t position) {
  int value = -1;
  for (size_t i = position; i < name.size() && i < position + 4; ++i) {
    const int digit = HexDigitValue(name[i]);
    if (digit < 0) break;
    value = (value < 0 ? 0 : value) * 16 + digit;
  }
  return value;
}

void FirmwareUpdate::Run(Window& main) {
  RunSteps(main);
  // The snapshot serves one run: the next one reads its file afresh, and a file of a
  // few MiB is not held between commands.
  updateFile_.Snapshot.reset();
}

void FirmwareUpdate::RunSteps(Window& main) {
  UpdateFiles files;  // whatever is still open is closed, and temp.tmp removed, on every way out
  int version = 0;
  UpdateShape shape;
  if (!ChooseFile(files) || !Identify(main, files, version) || !CheckAndAsk(files, version, shape)) return;

  // Transfer.
  status_.EnableField(true);
  const uint32_t lastBlinkTime = link_.clock().TickCount();
  if (!OpenData(files)) return;
  const bool sent = Transfer(main, files, lastBlinkTime, shape);
  main.ShowProgress(0, 0);
  if (sent) Finish(files);
}

bool FirmwareUpdate::ChooseFile(UpdateFiles& files) {
  if (!link_.Kind().setupCommands) {
    status_.Refuse("ERROR!", "  PORT ?");
    return false;
  }
  status_.StatusWindow = status_.MainWindow;
  status_.SetField(" ");
  if (!updateFile_.ChooseUpdateFile()) return false;
  // The one reading of the file: everything from here on works on these bytes, so
  // a file changed or swapped on the disk later cannot slip past the checks.
  std::string why;
  if (!updateFile_.TakeSnapshot(&why)) {
    files.CloseAll();
    status_.Refuse("", "open error!", nullptr, why);
    return false;
  }
  switch (updateFile_.RememberUpdateFile(setupFile_, files)) {
    case kNotReadable:
      status_.Refuse("", "open error!");
      return false;
    case kNotRemembered:
      // Without the file's own name the versions it is meant for are unknown.
      status_.ReportCommandError();
      return false;
    default:
      // A path the setup file could not take is not needed for the update itself.
      break;
  }
  status_.EnableField(true, false);
  status_.SetField(updateFile_.UpdateFileName);
  return true;
}

bool FirmwareUpdate::Identify(Window& main, UpdateFiles& files, int& version) {
  // The field is blanked here rather than by the table: it is the status window's, which
  // need not be main.
  const LinkOutcome first = CheckLinkFor(protocol_, link_, status_, kFirstCheck, &main, nullptr);
  if (first == LinkOutcome::NoAdapter || first == LinkOutcome::OtherDevice) EndBlank();
  if (first != LinkOutcome::Ready) {
    if (first != LinkOutcome::NoAdapter) settings_.ForgetController();
    return false;
  }
  status_.EnableField(true, false);
  status_.SetField(msg::kConnecting);
  const LinkOutcome loader = ConnectWithRecovery(protocol_, link_, kLoaderCheck.steps);
  if (loader == LinkOutcome::NoAnswer) files.CloseAll();
  const bool ready = TellLinkOutcome(status_, loader, kLoaderCheck, &main, nullptr);
  if (loader == LinkOutcome::OtherDevice) EndBlank();
  if (!ready) return false;
  status_.SetField("connected");
  const uint32_t major = protocol_.ReadSettingByte(address::kVersionMajor);
  const uint32_t minor = protocol_.ReadSettingByte(address::kVersionMinor);
  version = static_cast<int>(major * 256 + minor);
  settings_.LastRead.ControllerVersion = version;
  return true;
}

bool FirmwareUpdate::CheckAndAsk(UpdateFiles& files, int version, UpdateShape& shape) {
  if (version == SettingsValues::kVersionInvalid) {
    // Not set up with the transmitter: its version cannot be told, so the user decides;
    // but only about a file that could be sent whole.
    if (!DetectAndCheck(files, shape)) return false;
    return AskToStart(files, kNoSetupWarning, shape);
  }
  if (!SupportedControllerType(version >> 12)) {
    status_.Refuse("ERROR!", msg::kNotSuitable);
    settings_.ForgetController();
    EndBlank();
    return false;
  }
  const std::string_view name = updateFile_.UpdateFileName;
  if (version != VersionInFileName(name, 1) && version != VersionInFileName(name, 6)) {
    status_.Refuse("", "Datei nicht kompatibel!");
    files.CloseAll();
    EndBlank();
    return false;
  }
  if (!DetectAndCheck(files, shape)) return false;
  return AskToStart(files, "Update starten?", shape);
}

bool FirmwareUpdate::AskToStart(UpdateFiles& files, const char* question, const UpdateShape& shape) {
  files.CloseAll();
  // A program that is to end (its terminal went away, the session ends) starts no
  // transfer: neither before the question nor when the answer comes after the request.
  const bool agreed = !ui_.EndRequested() &&
                      ui_.MessageBox(nullptr, "Warning!", question, MessageButtons::OkCancel,
                                     UpdateQuestionDetails(updateFile_.UpdateFileName, settings_.LastRead.ControllerVersion,
                                                           link_, shape)) == MessageResult::Ok &&
                      !ui_.EndRequested();
  if (!agreed) {
    status_.Declined("Warning!", question);
    EndBlank();
  }
  return agreed;
}

bool FirmwareUpdate::TempFileFree(UpdateFiles& files) {
  // Where OpenData makes it: the start directory, whatever the file dialog did.
  setupFile_.EnterStartDirectory();
  const auto existing = ExistingTempFile();
  if (!existing) return true;
  files.CloseAll();
  status_.Refuse("ERROR!", "Cannot open temp-file", nullptr, TempFileInTheWay(*existing));
  EndBlank();
  return false;
}

bool FirmwareUpdate::DetectAndCheck(UpdateFiles& files, UpdateShape& shape) {
  files.CloseAll();
  // The snapshot was taken when the file was chosen, so there is always one here.
  if (!updateFile_.Snapshot) {
    status_.Refuse("", "file error 1!");
    EndBlank();
    return false;
  }
  const bool scrambled = updateFile_.DetectUpdateFileKind() == UpdateKind::Scrambled;
  if (scrambled && updateFile_.CheckUpdateFile(files) != 0) {
    files.CloseAll();
    EndBlank();
    return false;
  }
  // Only the scrambled records pass through temp.tmp: a plain update never looks at it.
  return CheckEveryLine(files, shape) && (!scrambled || TempFileFree(files));
}

bool FirmwareUpdate::CheckEveryLine(UpdateFiles& files, UpdateShape& shape) {
  // The reader advances the key; the transfer starts again from the first record.
  const uint32_t firstKey = updateFile_.RecordKey;
  updateFile_.OpenLines(files);
  shape = {};
  int& totalLines = shape.lines;
  int lastPage = -1;
  LineResult result;
  while ((result = updateFile_.ReadUpdateLine(files)) == LineResult::Line) {
    if (RefuseLine(updateFile_.UpdateLine(), files)) return false;
    const int page = HexNumber(updateFile_.UpdateLine().substr(0, 4)) / kPageBytes;
    if (page > kLastPage) {
      Refuse(files, "Read/write error - code1!");
      return false;
    }
    if (page != lastPage) ++shape.pages, lastPage = page;
    ++totalLines;
  }
  if (result == LineResult::ReadError) {
    Refuse(files, kReadError, "ERROR!");
    return false;
  }
  if (totalLines == 0) {
    Refuse(files, "file error 4!");
    return false;
  }
  // A plain file's data ends at a line that begins with 0xFF or a zero byte. Only
  // erased or zeroed space may follow: lines after it would never be sent, and the
  // update would end in "OK" with pages missing. The line that ends the data is then
  // no update line, so it is refused as one whose characters are out of range.
  if (updateFile_.UpdateFileKind == UpdateKind::Plain && !updateFile_.OnlyPaddingFollows(files)) {
    files.CloseAll();
    EndBlank();
    status_.ReportCommandError("file error 6!");
    return false;
  }
  files.CloseAll();
  updateFile_.RecordKey = firstKey;
  return true;
}

bool FirmwareUpdate::RefuseLine(std::string_view line, UpdateFiles& files) {
  if (line.size() < 5 || line[4] != ':') {
    Refuse(files, "file error 5!");
    return true;
  }
  if (!UpdateLineCharactersValid(line)) {
    files.CloseAll();
    EndBlank();
    status_.ReportCommandError("file error 6!");
    return true;
  }
  return false;
}

void FirmwareUpdate::Refuse(UpdateFiles& files, const char* text, const char* caption) {
  files.CloseAll();
  status_.Refuse(caption, text);
  EndBlank();
}

bool FirmwareUpdate::OpenData(UpdateFiles& files) {
  const bool plain = updateFile_.UpdateFileKind == UpdateKind::Plain;
  if (!updateFile_.OpenLines(files)) {
    status_.Refuse("", plain ? "file error 2!" : "file error 3!");
    files.CloseAll();
    EndBlank();
    return false;
  }
  if (plain) return true;
  // The temporary file belongs in the start directory, where the setup file is. It is
  // made new: whatever has that name already, be it a file of the user's, a link
  // or another update's records, is not ours to empty, follow or share.
  setupFile_.EnterStartDirectory();
  std::string why;
  if (!files.CreateTemp(&why)) {
    // Made since the question by another update, most likely.
    if (const auto existing = ExistingTempFile()) why = TempFileInTheWay(*existing);
    status_.Refuse("ERROR!", "Cannot open temp-file", nullptr, why);
    files.CloseAll();
    EndBlank();
    return false;
  }
  return true;
}

bool FirmwareUpdate::Transfer(Window& main, UpdateFiles& files, uint32_t lastBlinkTime, const UpdateShape& shape) {
  protocol_.CurrentPage = -1;
  bool pageLoaded = false;
  const int totalLines = shape.lines;
  int linesSent = 0, pagesBegun = 0;
  // The time left is what the rest would take by the port's figures, scaled by how the
  // lines sent so far went against the same figures: a page's commit and the next
  // page's selection do not make the rate jump.
  const uint64_t startUs = link_.NowUs();
  const ExpectedDurations expected(link_);
  const double pageUs = expected.SelectPageUs() + expected.CommitPageUs();
  status_.SetField(kBlinkText);
  for (;;) {
    const LineResult result = updateFile_.ReadUpdateLine(files);
    if (result == LineResult::EndOfData) return true;
    if (result == LineResult::ReadError) {
      Refuse(files, kReadError, "ERROR!");
      return false;
    }
    // The lines were all checked before the question; these checks stay as a second
    // line of defence.
    const std::string_view line = updateFile_.UpdateLine();
    if (RefuseLine(line, files)) return false;
    const int address = HexNumber(line.substr(0, 4));
    const int page = address / kPageBytes;
    if (page != protocol_.CurrentPage) {
      // The page number travels as one byte: page 256 would select page 0 and the
      // next commit would write this byte over it. Such a page is never confirmed,
      // so the update stops before it is selected.
      if ((pageLoaded && protocol_.CommitPage() != 0) || page > kLastPage) {
        Refuse(files, "Read/write error - code1!");
        return false;
      }
      protocol_.CurrentPage = page;
      protocol_.SelectPage();
      ++pagesBegun;
    }
    const int data = HexNumber(line.substr(7, 2));
    // A stop the user asks for ends the update like a byte the controller did not take.
    if (protocol_.LoadPageByte(static_cast<uint32_t>(address % kPageBytes), static_cast<uint32_t>(data)) != 0 ||
        ui_.StopRequested()) {
      Refuse(files, "Read/write error - code2!");
      return false;
    }
    pageLoaded = true;
    ++linesSent;
    const double expectedSoFar =
        linesSent * expected.LoadPageByteUs() + pagesBegun * pageUs - expected.CommitPageUs();
    const double expectedRest = (totalLines - linesSent) * expected.LoadPageByteUs() +
                                (shape.pages - pagesBegun) * pageUs + expected.CommitPageUs() + expected.FinishUs();
    const double measuredRate = static_cast<double>(link_.NowUs() - startUs) / expectedSoFar;
    main.ShowTimeLeft(static_cast<int>(expectedRest * measuredRate / 1e6 + 0.5));
    main.ShowProgress(linesSent, totalLines);
    Blink(main, lastBlinkTime);
  }
}

void FirmwareUpdate::Finish(UpdateFiles& files) {
  // The scrambled records passed through the temporary file, which goes now.
  files.RemoveTemp();
  if (protocol_.CurrentPage == -1) {
    status_.Refuse("", "file error 4!");
    EndBlank();
    return;
  }
  if (protocol_.CommitPage() != 0) {
    status_.Refuse("", "Read/write error!");
    EndBlank();
    files.CloseAll();
    return;
  }
  ui_.Beep();
  status_.SetField("OK");
  link_.WaitMs(1000);
  status_.EnableField(false);
  files.CloseAll();
  // New firmware starts with the RC setup unlocked; the settings must be read again.
  const uint32_t lock = protocol_.ReadSettingByte(address::kLockByte);
  protocol_.WriteSettingByte(address::kLockByte, lock | 1);
  settings_.ForgetController();
  status_.Done();
}

void FirmwareUpdate::Blink(Window& main, uint32_t& lastBlinkTime) {
  const uint32_t now = link_.clock().TickCount();
  if (static_cast<uint32_t>(now - lastBlinkTime) <= kBlinkMs) return;
  const std::string shown = main.GetItemText(IDC_STATUS).substr(0, 9);
  status_.SetField(shown.starts_with("Update") ? kBlinkBlank : kBlinkText);
  lastBlinkTime = now;
}

}  // namespace ravix
