#include "files/firmware_update.h"

#include <cstdio>
#include <string>

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

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int AnyCaseHexDigit(char c) {
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return HexDigit(c);
}

int HexNumber(std::string_view digits) {
  int value = 0;
  for (char c : digits) value = value * 16 + HexDigit(c);
  return value;
}

}  // namespace

void RestartForUpdate(Link& link) {
  link.ClearBreak();
  link.ClearRts();
  link.WaitMs(100);
  link.SetBreak();
  link.WaitMs(1000);
}

bool UpdateLineCharactersValid(std::string_view line) {
  if (line.size() < 9) return false;
  for (size_t i = 0; i < 9; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 0x30 || c > 0x46) return false;
  }
  for (size_t i : {0, 1, 2, 3, 7, 8})
    if (HexDigit(line[i]) < 0) return false;
  return true;
}

int VersionInFileName(std::string_view name, size_t position) {
  int value = -1;
  for (size_t i = position; i < name.size() && i < position + 4; ++i) {
    const int digit = AnyCaseHexDigit(name[i]);
    if (digit < 0) break;
    value = (value < 0 ? 0 : value) * 16 + digit;
  }
  return value;
}

void FirmwareUpdate::Run(Window& main) {
  UpdateFiles files;  // whatever is still open is closed on every way out

  // Choosing the file.
  if (!link_.SerialPortSelected) {
    status_.Message("ERROR!", "  PORT ?");
    return;
  }
  status_.StatusWindow = status_.MainWindow;
  status_.SetField(" ");
  if (!updateFile_.ChooseUpdateFile()) return;
  files.update = OpenForReading(updateFile_.UpdatePath);
  if (!files.update) {
    files.CloseAll();
    status_.Message("", "open error!");
    return;
  }
  switch (updateFile_.RememberUpdateFile(setupFile_, files)) {
    case kNotReadable:
      status_.Message("", "open error!");
      return;
    case kNotRemembered:
      // Without the file's own name the versions it is meant for are unknown.
      status_.ReportCommandError();
      return;
    default:
      // A path the setup file could not take is not needed for the update itself.
      break;
  }
  status_.EnableField(true, false);
  status_.SetField(updateFile_.UpdateFileName);

  // Identifying the controller.
  uint32_t answer = protocol_.LinkExchange();
  if (answer != kAnswerReady) {
    if (link_.DetectSerialAdapter() != 0) {
      ui_.MessageBox(&main, "Error", status_.ErrorText);
      EndBlank();
      return;
    }
    protocol_.RestartController();
    answer = protocol_.LinkExchange();
    if (answer == kAnswerOtherDevice) {
      // A device of another kind is connected, not missing: say what it is.
      settings_.ControllerVersion = SettingsState::kVersionInvalid;
      status_.Message("ERROR!", msg::kOtherDevice);
      EndBlank();
      return;
    }
    if (answer != kAnswerReady) {
      settings_.ControllerVersion = SettingsState::kVersionInvalid;
      status_.ReportCommandError(msg::kNoConnection);
      return;
    }
  }
  status_.EnableField(true, false);
  status_.SetField(msg::kConnecting);
  RestartForUpdate(link_);
  answer = protocol_.LinkExchange();
  if (answer == kAnswerOtherDevice) {
    status_.Message("ERROR!", msg::kOtherDevice);
    EndBlank();
    return;
  }
  if (answer != kAnswerReady) {
    files.CloseAll();
    status_.ReportCommandError("No connection!");
    return;
  }
  status_.SetField("connected");
  const uint32_t major = protocol_.ReadSettingByte(32);
  const uint32_t minor = protocol_.ReadSettingByte(33);
  const int version = static_cast<int>(major * 256 + minor);
  settings_.ControllerVersion = version;

  // Checking file and controller.
  if (version == SettingsState::kVersionInvalid) {
    // Not set up with the transmitter: its version cannot be told, so the user decides.
    if (!DetectAndCheck(files)) return;
    files.CloseAll();
    if (ui_.MessageBox(nullptr, "Warning!", kNoSetupWarning, MessageButtons::OkCancel) == MessageResult::Cancel) {
      files.CloseAll();
      EndBlank();
      return;
    }
  } else {
    const int type = version & 0xF000;
    if (type != 0x1000 && type != 0x3000) {
      status_.Message("ERROR!", msg::kNotSuitable);
      settings_.ControllerVersion = SettingsState::kVersionInvalid;
      EndBlank();
      return;
    }
    const std::string_view name = updateFile_.UpdateFileName;
    if (version != VersionInFileName(name, 1) && version != VersionInFileName(name, 6)) {
      status_.Message("", "Datei nicht kompatibel!");
      files.CloseAll();
      EndBlank();
      return;
    }
    if (!DetectAndCheck(files)) return;
    files.CloseAll();
    if (ui_.MessageBox(nullptr, "Warning!", "Update starten?", MessageButtons::OkCancel) == MessageResult::Cancel) {
      EndBlank();
      return;
    }
  }

  // Transfer.
  status_.EnableField(true);
  uint32_t lastBlinkTime = link_.clock().TickCount();
  if (!OpenData(files)) return;
  if (!Transfer(main, files, lastBlinkTime)) return;

  files.CloseAll();
  // The scrambled records passed through the temporary file; a second try covers a
  // virus scanner that still holds it for a moment.
  if (std::remove(kTempFileName) != 0) std::remove(kTempFileName);
  if (protocol_.CurrentPage == -1) {
    status_.Message("", "file error 4!");
    EndBlank();
    return;
  }
  if (protocol_.CommitPage() != 0) {
    status_.Message("", "Read/write error!");
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
  const uint32_t lock = protocol_.ReadSettingByte(13);
  protocol_.WriteSettingByte(13, lock | 1);
  settings_.ControllerVersion = SettingsState::kVersionInvalid;
}

bool FirmwareUpdate::DetectAndCheck(UpdateFiles& files) {
  files.CloseAll();
  files.update = OpenForReading(updateFile_.UpdatePath);
  if (!files.update) {
    status_.Message("", "file error 1!");
    files.CloseAll();
    EndBlank();
    return false;
  }
  if (updateFile_.DetectUpdateFileKind(files.update.get()) == UpdateKind::Scrambled &&
      updateFile_.CheckUpdateFile(files) != 0) {
    files.CloseAll();
    EndBlank();
    return false;
  }
  return true;
}

bool FirmwareUpdate::OpenData(UpdateFiles& files) {
  files.update = OpenForReading(updateFile_.UpdatePath);
  if (updateFile_.UpdateFileKind == UpdateKind::Plain) {
    if (!files.update) {
      status_.Message("", "file error 2!");
      files.CloseAll();
      EndBlank();
      return false;
    }
    return true;
  }
  if (!files.update) {
    status_.Message("", "file error 3!");
    files.CloseAll();
    EndBlank();
    return false;
  }
  // The temporary file belongs in the start directory, where the setup file is.
  setupFile_.EnterStartDirectory();
  files.temp = FilePtr(std::fopen(kTempFileName, "w+b"));
  if (!files.temp) {
    status_.Message("ERROR!", "Cannot open temp-file");
    files.CloseAll();
    EndBlank();
    return false;
  }
  std::fseek(files.update.get(), kHeaderBytes, SEEK_SET);
  return true;
}

bool FirmwareUpdate::Transfer(Window& main, UpdateFiles& files, uint32_t lastBlinkTime) {
  protocol_.CurrentPage = -1;
  bool pageLoaded = false;
  status_.SetField(kBlinkText);
  for (;;) {
    const LineResult result = updateFile_.ReadUpdateLine(files);
    if (result == LineResult::EndOfData) return true;
    if (result == LineResult::ReadError) {
      files.CloseAll();
      status_.Message("ERROR!", kReadError);
      EndBlank();
      return false;
    }
    const std::string_view line = updateFile_.UpdateLine();
    if (line.size() < 5 || line[4] != ':') {
      files.CloseAll();
      status_.Message("", "file error 5!");
      EndBlank();
      return false;
    }
    if (!UpdateLineCharactersValid(line)) {
      files.CloseAll();
      EndBlank();
      status_.ReportCommandError("file error 6!");
      return false;
    }
    const int address = HexNumber(line.substr(0, 4));
    const int page = address / kPageBytes;
    const int offset = address % kPageBytes;
    if (page != protocol_.CurrentPage) {
      if (pageLoaded && protocol_.CommitPage() != 0) {
        status_.Message("", "Read/write error - code1!");
        EndBlank();
        files.CloseAll();
        return false;
      }
      // The page number travels as one byte: page 256 would select page 0 and the
      // next commit would write this byte over it. Such a page is never confirmed,
      // so the update stops here, before it is selected.
      if (page > kLastPage) {
        status_.Message("", "Read/write error - code1!");
        EndBlank();
        files.CloseAll();
        return false;
      }
      protocol_.CurrentPage = page;
      protocol_.SelectPage();
    }
    const int data = HexNumber(line.substr(7, 2));
    if (protocol_.LoadPageByte(static_cast<uint32_t>(offset), static_cast<uint32_t>(data)) != 0) {
      status_.Message("", "Read/write error - code2!");
      EndBlank();
      files.CloseAll();
      return false;
    }
    pageLoaded = true;
    Blink(main, lastBlinkTime);
  }
}

void FirmwareUpdate::Blink(Window& main, uint32_t& lastBlinkTime) {
  const uint32_t now = link_.clock().TickCount();
  if (static_cast<uint32_t>(now - lastBlinkTime) <= kBlinkMs) return;
  const std::string shown = main.GetItemText(IDC_STATUS).substr(0, 9);
  status_.SetField(shown.starts_with("Update") ? kBlinkBlank : kBlinkText);
  lastBlinkTime = now;
}


}  // namespace ravix
