#include "files/setup_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string_view>
#include <system_error>

#include "link/port_table.h"
#include "platform/file_access.h"

namespace ravix {

namespace fs = std::filesystem;

namespace {

using File = FilePtr;

// The file is only ever updated in place: a symbolic link of its name, a directory, a
// pipe or a device counts as a file that cannot be opened, so the tool never writes
// into something of the user's that merely bears the name.
File OpenFile(const std::string& path, bool create = false) { return OpenRegularForUpdate(path, create); }

// The close is the last chance for a buffered write to fail (a full disk).
bool Close(File& file) { return std::fclose(file.release()) == 0; }

// Writes bytes at a fixed offset; a gap beyond the end of the file is filled with
// zero bytes explicitly rather than trusting the file system to do it.
bool WriteAt(std::FILE* file, long offset, std::string_view bytes) {
  if (std::fseek(file, 0, SEEK_END) != 0) return false;
  long size = std::ftell(file);
  if (size < 0) return false;
  for (; size < offset; ++size)
    if (std::fputc(0, file) == EOF) return false;
  if (std::fseek(file, offset, SEEK_SET) != 0) return false;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) return false;
  return std::fflush(file) == 0;
}

// Up to maxChars bytes from offset, ending at a line end or the end of the file; as
// a text the field ends at its first zero byte.
std::string ReadField(std::FILE* file, long offset, size_t maxChars) {
  std::string text;
  if (std::fseek(file, offset, SEEK_SET) != 0) return text;
  while (text.size() < maxChars) {
    int c = std::fgetc(file);
    if (c == EOF || c == '\n') break;
    text.push_back(static_cast<char>(c));
  }
  return text.substr(0, text.find('\0'));
}

std::string Format(const char* format, auto value) {
  char buffer[64];
  int n = std::snprintf(buffer, sizeof buffer, format, value);
  if (n < 0) return {};
  return std::string(buffer, static_cast<size_t>(n) < sizeof buffer ? static_cast<size_t>(n) : sizeof buffer - 1);
}

// The last MaxUpdatePath bytes of a longer path (its file name is the part worth
// keeping), begun at a whole UTF-8 character.
std::string_view FittingPath(std::string_view path, size_t limit) {
  if (path.size() <= limit) return path;
  path.remove_prefix(path.size() - limit);
  while (!path.empty() && (static_cast<unsigned char>(path.front()) & 0xC0) == 0x80) path.remove_prefix(1);
  return path;
}

// The port field as the file keeps PortName: a name of the port table (COM1 to COM8 and
// the parallel ports) in bytes 0 to 3 as it always was, any other name as the marker
// and the name in bytes 4 to 29, so that it reads back as the same port (a shorter name
// in bytes 0 to 3 would take the tail of the old field with it, and any four
// characters there not beginning with "C" read as a parallel port); nothing for a name
// too long for the field or none at all.
bool WritePortName(std::FILE* file, const std::string& name) {
  if (name.empty() || name.size() > SetupFile::MaxLongPortName) return true;
  if (PortRowOfName(name) >= 0) return WriteAt(file, SetupFile::PortNameOffset, name);
  std::string field(SetupFile::LongPortMarker);
  field += name;
  field.resize(SetupFile::LongPortNameOffset + SetupFile::MaxLongPortName + 1, '\0');
  return WriteAt(file, SetupFile::PortNameOffset, field);
}

// A long name is a name of printable characters that fills none of the field's room
// beyond its terminator.
bool UsableLongName(const std::string& name) {
  if (name.empty() || name.size() > SetupFile::MaxLongPortName) return false;
  return std::all_of(name.begin(), name.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

}  // namespace

std::string SetupFile::FilePath() const {
  if (StartDirectory.empty()) return FileName;
  return (fs::path(StartDirectory) / FileName).string();
}

void SetupFile::EnterStartDirectory() {
  if (StartDirectory.empty()) return;
  std::error_code error;
  fs::current_path(StartDirectory, error);
}

std::string SetupFile::DefaultPortName() const { return link_.Parallel().Reachable() ? "0378" : "COM2"; }

void SetupFile::ShowOpenError() { status_.Refuse("Error!", "open error 'rvsetup.cfg'"); }

int SetupFile::InitSetupFile() {
  std::error_code error;
  fs::path current = fs::current_path(error);
  if (error) {
    // The tool goes on without a start directory; the front end shows why.
    StartDirectoryError = "_getcwd error: " + error.message();
    StartDirectory.clear();
  } else {
    StartDirectoryError.clear();
    StartDirectory = current.string();
  }

  const std::string path = FilePath();
  if (!Writable) {
    // Read as it is (a file that is not there stays so); nothing goes back.
    link_.PortName = DefaultPortName();
    auto field = ReadOnlyPortField(path);
    if (!field && !FallbackPath.empty()) field = ReadOnlyPortField(FallbackPath);
    FileFound = field.has_value();
    TakeStoredPortName(field);
    return 0;
  }
  File file = OpenFile(path);
  FileFound = static_cast<bool>(file);
  if (!file) {
    file = OpenFile(path, true);
    link_.PortName = DefaultPortName();
  }
  std::optional<std::string> field;
  if (file) {
    field = ReadField(file.get(), PortNameOffset, 4);
    if (*field == LongPortMarker) field = std::string(LongPortMarker) + ReadField(file.get(), LongPortNameOffset,
                                                                                  MaxLongPortName + 1);
  }
  TakeStoredPortName(field);
  if (!file) return 1;
  // Written back in the form it was read in: a name of four characters stays in bytes
  // 0 to 3 whatever it names (the port choice below replaces one it does not know).
  const bool written = PortNameStoredLong
                           ? WritePortName(file.get(), link_.PortName)
                           : link_.PortName.size() > 4 || WriteAt(file.get(), PortNameOffset, link_.PortName);
  return Close(file) && written ? 0 : 1;
}

std::optional<std::string> SetupFile::ReadOnlyPortField(const std::string& path) const {
  // The fields are in the first 30 bytes; a larger file is no setup file of ours.
  constexpr size_t kMostBytes = 64 * 1024;
  const auto bytes = ReadRegularFile(path, kMostBytes);
  if (!bytes) return std::nullopt;
  const auto text = [&bytes](size_t offset, size_t length) {
    if (offset >= bytes->size()) return std::string();
    std::string field(bytes->begin() + static_cast<long>(offset),
                      bytes->begin() + static_cast<long>(std::min(bytes->size(), offset + length)));
    field = field.substr(0, field.find('\n'));
    return field.substr(0, field.find('\0'));
  };
  std::string field = text(PortNameOffset, 4);
  if (field == LongPortMarker) field += text(LongPortNameOffset, MaxLongPortName + 1);
  return field;
}

// field: bytes 0 to 3 of the file, or the long-name marker followed by the name in bytes
// 4 to 29; nothing when there is no file.
void SetupFile::TakeStoredPortName(const std::optional<std::string>& field) {
  PortNameStoredLong = false;
  if (field) {
    std::string stored = *field;
    if (stored.starts_with(LongPortMarker)) {
      stored.erase(0, LongPortMarker.size());
      PortNameStoredLong = UsableLongName(stored);
      if (!PortNameStoredLong) stored.clear();
    }
    // A CR of a line end, or any other control byte, is no part of a port name.
    size_t end = 0;
    while (end < stored.size() && static_cast<unsigned char>(stored[end]) >= 32) ++end;
    stored.resize(end);
    if (!stored.empty()) link_.PortName = stored;
  }
  // An existing but empty file starts like a new one.
  if (link_.PortName.empty()) link_.PortName = DefaultPortName();
  // Without parallel-port access a stored parallel port falls back to COM2 (a long name
  // is looked up by its kind: a device path begins with anything).
  const bool parallel = PortNameStoredLong ? KindOfPort(link_.PortName).id == AdapterKindId::Parallel
                                           : link_.PortName.front() != 'C';
  if (!link_.Parallel().Reachable() && parallel) link_.PortName = "COM2";
}

int SetupFile::SavePortName() {
  if (!Writable) return 0;
  EnterStartDirectory();
  File file = OpenFile(FilePath());
  const bool written = file && WritePortName(file.get(), link_.PortName);
  if (!written || !Close(file)) {
    status_.ErrorText = "Open Error 'rvsetup.cfg'!";
    return 1;
  }
  return 0;
}

int SetupFile::StoreUpdatePath(const std::string& path) {
  if (!Writable) return 0;
  EnterStartDirectory();
  File file = OpenFile(FilePath());
  std::string field(FittingPath(path, MaxUpdatePath));
  field.push_back('\0');
  // The blanks cover the tail of a longer path stored before.
  field.append(20, ' ');
  const bool written =
      file && WriteAt(file.get(), LineEndOffset, "\r\n") && WriteAt(file.get(), UpdatePathOffset, field);
  if (!written || !Close(file)) {
    status_.ErrorText = "Open Error 'rvsetup.cfg'!";
    return 1;
  }
  return 0;
}

namespace {

// Pole count, two zero bytes and the gear ratio; the file then ends after the gear
// ratio so that no tail of a longer text stored before follows it.
bool WriteRpmFields(const std::string& path, File file, int poleCount, float gearRatio) {
  std::string fields = Format("%2d", poleCount);
  fields.append(2, '\0');
  const std::string gear = Format("%1.2f", static_cast<double>(gearRatio));
  fields += gear;
  const bool written = WriteAt(file.get(), SetupFile::PoleCountOffset, fields);
  if (!Close(file) || !written) return false;
  // The name was a regular file when it was opened; a link put in its place since
  // is not cut through.
  std::error_code error;
  if (!fs::is_regular_file(fs::symlink_status(path, error))) return false;
  fs::resize_file(path, SetupFile::GearRatioOffset + gear.size(), error);
  return !error;
}

}  // namespace

int SetupFile::LoadRpmValues() {
  EnterStartDirectory();
  const std::string path = FilePath();
  File file = OpenFile(path);
  if (!file) {
    ShowOpenError();
    return 1;
  }

  int poles = 0;
  const std::string poleText = ReadField(file.get(), PoleCountOffset, 2);
  // A negative count is no motor's; it would turn every calculation negative.
  if (std::sscanf(poleText.c_str(), "%8d", &poles) != 1 || poles <= 0) poles = 2;

  float gear = 0.0f;
  const std::string gearText = ReadField(file.get(), GearRatioOffset, 79);
  // "inf" and "nan" parse as numbers too; the calculations divide by the ratio and
  // convert their results to integers, so only a finite positive ratio is taken.
  if (std::sscanf(gearText.c_str(), "%8f", &gear) != 1 || !std::isfinite(gear) || gear <= 0.0f) gear = 1.0f;

  PoleCount = poles;
  GearRatio = gear;
  file.reset();
  if (!Writable) return 0;

  file = OpenFile(path);
  if (!file) {
    ShowOpenError();
    return 1;
  }
  // The values are loaded whether or not they could be written back: the file held
  // them already, or the defaults stand in for what it held.
  WriteRpmFields(path, std::move(file), PoleCount, GearRatio);
  return 0;
}

int SetupFile::StoreRpmValues(int poleCount, float gearRatio) {
  if (poleCount < -9 || poleCount > 99) return 1;
  if (!Writable) {
    PoleCount = poleCount;
    GearRatio = gearRatio;
    return 0;
  }
  EnterStartDirectory();
  const std::string path = FilePath();
  File file = OpenFile(path);
  if (!file) {
    ShowOpenError();
    return 1;
  }
  PoleCount = poleCount;
  // A write that fails (a full disk) is told as the open failure is: the values did
  // not reach the file, and the ratio in use stays the one the file holds.
  if (!WriteRpmFields(path, std::move(file), poleCount, gearRatio)) {
    ShowOpenError();
    return 1;
  }
  GearRatio = gearRatio;
  return 0;
}

}  // namespace ravix
