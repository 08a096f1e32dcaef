#include "files/update_file.h"

#include <filesystem>

#include "files/setup_file.h"
#include "platform/stop_signals.h"
#include "platform/text.h"

namespace ravix {

namespace {

#ifdef _WIN32
constexpr std::string_view kPathSeparators = "\\/";
#else
constexpr std::string_view kPathSeparators = "/";
#endif

// The last start position at which ".upd" is looked for: the path buffer of the
// file dialog holds 260 characters.
constexpr size_t kLastUpdSearchPosition = 250;
constexpr size_t kMaxLineChars = kUpdateLineSize - 1;

void PutWord(uint8_t* at, uint32_t word) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(word >> (8 * i));
}

uint32_t GetWord(const uint8_t* at) {
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
         static_cast<uint32_t>(at[3]) << 24;
}

// A character of a plain file read as text: a carriage return directly followed by
// a line feed reads as one line feed, on every system alike. EOF past the end.
int GetTextChar(std::span<const uint8_t> data, size_t& at) {
  if (at >= data.size()) return EOF;
  const int c = data[at++];
  if (c == '\r' && at < data.size() && data[at] == '\n') {
    ++at;
    return '\n';
  }
  return c;
}

// The word at a byte offset; a word that cannot be read whole counts as all ones.
uint32_t WordAt(std::span<const uint8_t> data, size_t offset) {
  return offset + 4 <= data.size() ? GetWord(&data[offset]) : kEndWord;
}

// What a line read from the temporary file holds: the record up to and including
// its line feed, at most 79 characters.
size_t LineOfRecord(const uint8_t* record, size_t size, std::array<char, kUpdateLineSize>& line) {
  line.fill(0);
  size_t length = 0;
  while (length < size && length < kMaxLineChars) {
    line[length] = static_cast<char>(record[length]);
    if (record[length++] == '\n') break;
  }
  return length;
}

bool IsPadding(uint8_t byte) { return byte == 0 || byte == 0xFF || byte == '\r' || byte == '\n'; }

}  // namespace

uint32_t SumUpdateBytes(std::span<const uint8_t> bytes) {
  const size_t words = bytes.size() / 4;
  uint32_t sum = 0;
  for (size_t i = 0; i < 19; ++i) sum += NibbleSum(i < words ? GetWord(&bytes[4 * i]) : kEndWord);
  for (size_t i = 22; i < words; ++i) {
    const uint32_t word = GetWord(&bytes[4 * i]);
    if (word == kEndWord) break;
    sum += NibbleSum(word);
  }
  return sum;
}

size_t FindUpdExtension(std::string_view path) {
  constexpr std::string_view kUpd = ".upd";
  const std::string_view name = FileNamePart(path);
  if (name.size() < kUpd.size()) return std::string_view::npos;
  const size_t at = path.size() - kUpd.size();
  if (at < 1 || at > kLastUpdSearchPosition) return std::string_view::npos;
  return EqualsIgnoringCase(path.substr(at), kUpd) ? at : std::string_view::npos;
}

std::string_view FileNamePart(std::string_view path) {
  const size_t separator = path.find_last_of(kPathSeparators);
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::optional<std::string> ExistingTempFile() {
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(kTempFileName, error))) return std::nullopt;
  const std::filesystem::path path = std::filesystem::absolute(kTempFileName, error);
  return error ? std::string(kTempFileName) : path.string();
}

std::string TempFileInTheWay(const std::string& path) {
  return path + " is there already. It may be deleted when no other update is running.";
}

bool UpdateFiles::CreateTemp(std::string* why) {
  temp = CreateExclusive(kTempFileName, why);
  if (!temp) return false;
  std::error_code error;
  tempPath = std::filesystem::absolute(kTempFileName, error).string();
  if (error) tempPath = kTempFileName;
  // Should the program be ended by force (a second SIGTERM), this file goes with it.
  RemoveOnForcedEnd(tempPath);
  return true;
}

void UpdateFiles::RemoveTemp() {
  CloseAll();
  if (tempPath.empty()) return;
  RemoveOnForcedEnd("");
  // A second try covers a virus scanner that still holds the file for a moment.
  if (std::remove(tempPath.c_str()) != 0) std::remove(tempPath.c_str());
  tempPath.clear();
}

bool UpdateFile::ChooseUpdateFile() {
  auto chosen = status_.ui().OpenFileDialog(nullptr, "Open a File", "*.upd");
  if (!chosen || chosen->empty()) return false;
  UpdatePath = *chosen;
  return true;
}

bool UpdateFile::TakeSnapshot(std::string* why) {
  Snapshot.reset();
  if (UpdatePath.empty()) return false;
  Snapshot = ReadRegularFile(UpdatePath, kMaxUpdateFileBytes, why);
  return Snapshot.has_value();
}

int UpdateFile::RememberUpdateFile(SetupFile& setupFile, UpdateFiles& files) {
  files.CloseAll();
  if (UpdatePath.empty() || !Snapshot) return kNotReadable;
  if (FindUpdExtension(UpdatePath) == std::string::npos) {
    status_.ErrorText = "Open Error!";
    return kNotRemembered;
  }
  UpdateFileName = std::string(FileNamePart(UpdatePath));
  return setupFile.StoreUpdatePath(UpdatePath) == 0 ? kRemembered : kPathNotStored;
}

UpdateKind UpdateFile::DetectUpdateFileKind() {
  // The first two words must be whole: a file shorter than eight bytes is no plain one.
  const bool plain = Snapshot && Snapshot->size() >= 8 && (*Snapshot)[4] == ':';
  UpdateFileKind = plain ? UpdateKind::Plain : UpdateKind::Scrambled;
  return UpdateFileKind;
}

int UpdateFile::CheckUpdateFile(UpdateFiles& files) {
  files.CloseAll();
  if (!Snapshot) {
    status_.Refuse("ERROR!", "Cannot open input file");
    return 1;
  }
  RecordKey = InitialRecordKey(WordAt(*Snapshot, kSeedWord * 4));
  const uint32_t expected = WordAt(*Snapshot, kChecksumWord * 4) ^ RecordKey;
  if (SumUpdateBytes(*Snapshot) == expected) return 0;
  status_.Refuse("ERROR:", "wrong file!");
  return 1;
}

bool UpdateFile::OpenLines(UpdateFiles& files) const {
  if (!Snapshot) return false;
  files.dataAt = UpdateFileKind == UpdateKind::Plain ? 0 : static_cast<size_t>(kHeaderBytes);
  return true;
}

LineResult UpdateFile::ReadUpdateLine(UpdateFiles& files) {
  if (!Snapshot || !files.dataAt) return LineResult::ReadError;
  if (UpdateFileKind == UpdateKind::Plain) return ReadPlainLine(*Snapshot, *files.dataAt);
  return ReadScrambledLine(*Snapshot, *files.dataAt, files.temp.get());
}

std::string_view UpdateFile::UpdateLine() const {
  size_t length = 0;
  while (length < UpdateLineBuffer.size() && UpdateLineBuffer[length] != 0) ++length;
  return {UpdateLineBuffer.data(), length};
}

bool UpdateFile::OnlyPaddingFollows(const UpdateFiles& files) const {
  if (!Snapshot || !files.dataAt) return false;
  for (size_t at = *files.dataAt; at < Snapshot->size(); ++at)
    if (!IsPadding((*Snapshot)[at])) return false;
  return true;
}

LineResult UpdateFile::ReadPlainLine(std::span<const uint8_t> data, size_t& at) {
  UpdateLineBuffer.fill(0);
  size_t length = 0;
  int c = GetTextChar(data, at);
  // Erased or zeroed space after the last line ends the data.
  if (c == EOF || c == 0xFF || c == 0) return LineResult::EndOfData;
  if (c == '\r') return LineResult::Line;
  for (;;) {
    if (c == '\n') return LineResult::Line;
    // Only the first nine characters matter; the rest of a long line is passed over
    // so that the next call starts at the next line.
    if (length < kMaxLineChars) UpdateLineBuffer[length++] = static_cast<char>(c);
    c = GetTextChar(data, at);
    if (c == EOF || c == 0xFF || c == '\r') return LineResult::Line;
  }
}

LineResult UpdateFile::ReadScrambledLine(std::span<const uint8_t> data, size_t& at, std::FILE* temp) {
  const uint32_t w1 = WordAt(data, at);
  const bool whole = at + 8 <= data.size();
  const uint32_t w2 = WordAt(data, at + 4);
  if (!whole || w2 == kEndWord) return LineResult::EndOfData;
  at += 8;
  const uint32_t k = RecordKey;
  RecordKey = k + RecordStep;

  uint8_t record[10];
  PutWord(record, w1 ^ k);
  record[4] = ':';
  PutWord(record + 5, w2 ^ (k + PairOffset));
  record[9] = '\n';
  if (!temp) {
    LineOfRecord(record, sizeof record, UpdateLineBuffer);
    return LineResult::Line;
  }
  uint8_t readBack[kMaxLineChars];
  size_t got = 0;
  if (std::fseek(temp, 0, SEEK_SET) == 0 && std::fwrite(record, 1, sizeof record, temp) == sizeof record &&
      std::fflush(temp) == 0 && std::fseek(temp, 0, SEEK_SET) == 0)
    got = std::fread(readBack, 1, sizeof readBack, temp);
  // The record was just written: a line that does not come back means the temporary
  // file failed us, and a guessed line must never reach the controller.
  if (got == 0 || std::ferror(temp)) {
    UpdateLineBuffer.fill(0);
    return LineResult::ReadError;
  }
  LineOfRecord(readBack, got, UpdateLineBuffer);
  return LineResult::Line;
}

std::string FormatUpdateLine(const UpdateByte& byte) {
  char line[16];
  std::snprintf(line, sizeof line, "%04X:00%02X", static_cast<unsigned>(byte.address),
                static_cast<unsigned>(byte.data));
  return line;
}

std::string PackPlainUpdate(std::span<const UpdateByte> bytes) {
  std::string text;
  text.reserve(bytes.size() * 11);
  for (const auto& byte : bytes) {
    text += FormatUpdateLine(byte);
    text += "\r\n";
  }
  return text;
}

namespace {

// The file for one seed; false when a stored word from the seed on reads as all
// ones (it would end the checksum or the records early).
bool BuildScrambled(std::span<const UpdateByte> bytes, const ScrambledHeaderInfo& info, uint32_t seed,
                    std::vector<uint8_t>& file) {
  if (seed == kEndWord) return false;
  file.assign(static_cast<size_t>(kHeaderBytes) + 8 * bytes.size(), 0);
  // Words 0 to 4 name the format and what the file is for; nothing in the tool reads
  // them, but they count in the checksum. Byte 4 must never be ':'.
  PutWord(&file[0], 0x55585652);  // "RVXU"
  PutWord(&file[4], 1);
  PutWord(&file[8], info.version1);
  PutWord(&file[12], info.version2);
  PutWord(&file[16], static_cast<uint32_t>(bytes.size()));
  PutWord(&file[kSeedWord * 4], seed);

  uint32_t key = InitialRecordKey(seed);
  size_t at = static_cast<size_t>(kHeaderBytes);
  for (const auto& byte : bytes) {
    const std::string line = FormatUpdateLine(byte);
    const auto* text = reinterpret_cast<const uint8_t*>(line.data());
    const uint32_t w1 = GetWord(text) ^ key;
    const uint32_t w2 = GetWord(text + 5) ^ (key + PairOffset);
    if (w1 == kEndWord || w2 == kEndWord) return false;
    PutWord(&file[at], w1);
    PutWord(&file[at + 4], w2);
    at += 8;
    key += RecordStep;
  }
  const uint32_t sum = SumUpdateBytes(file);
  PutWord(&file[kChecksumWord * 4], sum ^ InitialRecordKey(seed));
  return true;
}

}  // namespace

std::vector<uint8_t> PackScrambledUpdate(std::span<const UpdateByte> bytes, const ScrambledHeaderInfo& info,
                                         uint32_t seed, uint32_t* seedUsed) {
  std::vector<uint8_t> file;
  // Each seed shifts every key, so an unlucky all-ones word disappears with the next.
  while (!BuildScrambled(bytes, info, seed, file)) ++seed;
  if (seedUsed) *seedUsed = seed;
  return file;
}

}  // namespace ravix
