#include "files/update_file.h"

#include <cctype>
#include <filesystem>

#include "files/setup_file.h"

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
// a line feed reads as one line feed, on every system alike.
int GetTextChar(std::FILE* file) {
  const int c = std::getc(file);
  if (c != '\r') return c;
  const int next = std::getc(file);
  if (next == '\n') return '\n';
  if (next != EOF) std::ungetc(next, file);
  return c;
}

// The word at a byte offset; a word that cannot be read whole counts as all ones.
uint32_t WordAt(std::FILE* file, long offset) {
  uint32_t word = kEndWord;
  if (std::fseek(file, offset, SEEK_SET) != 0 || !ReadWord(file, word)) return kEndWord;
  return word;
}

}  // namespace

FilePtr OpenForReading(const std::string& path) {
  std::error_code error;
  if (path.empty() || std::filesystem::is_directory(path, error)) return nullptr;
  return FilePtr(std::fopen(path.c_str(), "rb"));
}

bool ReadWord(std::FILE* file, uint32_t& word) {
  uint8_t bytes[4];
  if (std::fread(bytes, 1, 4, file) != 4) return false;
  word = GetWord(bytes);
  return true;
}

uint32_t SumUpdateFile(std::FILE* file) {
  uint32_t sum = 0;
  std::rewind(file);
  // Header words 0 to 18 count even when the file is too short to hold them.
  for (int i = 0; i < 19; ++i) {
    uint32_t word = kEndWord;
    if (!ReadWord(file, word)) word = kEndWord;
    sum += NibbleSum(word);
  }
  // Words 19 to 21 hold the checksum itself and two words beside it.
  for (int i = 0; i < 3; ++i) {
    uint32_t skipped;
    ReadWord(file, skipped);
  }
  uint32_t word;
  while (ReadWord(file, word) && word != kEndWord) sum += NibbleSum(word);
  return sum;
}

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
  for (size_t at = 1; at <= kLastUpdSearchPosition && at + kUpd.size() <= path.size(); ++at) {
    bool match = true;
    for (size_t i = 0; i < kUpd.size() && match; ++i)
      match = std::tolower(static_cast<unsigned char>(path[at + i])) == kUpd[i];
    if (match) return at;
  }
  return std::string_view::npos;
}

std::string_view FileNamePart(std::string_view path, size_t end) {
  const std::string_view head = path.substr(0, end);
  const size_t separator = head.find_last_of(kPathSeparators);
  return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

bool UpdateFile::ChooseUpdateFile() {
  auto chosen = status_.ui().OpenFileDialog(nullptr, "Open a File", "*.upd");
  if (!chosen || chosen->empty()) return false;
  UpdatePath = *chosen;
  return true;
}

int UpdateFile::RememberUpdateFile(SetupFile& setupFile, UpdateFiles& files) {
  if (!OpenForReading(UpdatePath)) {
    files.CloseAll();
    return kNotReadable;
  }
  const size_t match = FindUpdExtension(UpdatePath);
  if (match == std::string::npos) {
    files.CloseAll();
    status_.ErrorText = "Open Error!";
    return kNotRemembered;
  }
  UpdatePath.resize(match + 4);
  UpdateFileName = std::string(FileNamePart(UpdatePath, match));
  const int stored = setupFile.StoreUpdatePath(UpdatePath);
  files.CloseAll();
  return stored == 0 ? kRemembered : kPathNotStored;
}

UpdateKind UpdateFile::DetectUpdateFileKind(std::FILE* file) {
  uint32_t first = 0, second = 0;
  const bool whole = ReadWord(file, first) && ReadWord(file, second);
  UpdateFileKind = whole && (second & 0xFF) == ':' ? UpdateKind::Plain : UpdateKind::Scrambled;
  return UpdateFileKind;
}

int UpdateFile::CheckUpdateFile(UpdateFiles& files) {
  files.update = OpenForReading(UpdatePath);
  if (!files.update) {
    status_.Message("ERROR!", "Cannot open input file");
    files.CloseAll();
    return 1;
  }
  std::FILE* file = files.update.get();
  RecordKey = InitialRecordKey(WordAt(file, kSeedWord * 4));
  const uint32_t expected = WordAt(file, kChecksumWord * 4) ^ RecordKey;
  const uint32_t sum = SumUpdateFile(file);
  files.CloseAll();
  if (sum == expected) return 0;
  status_.Message("ERROR:", "wrong file!");
  return 1;
}

LineResult UpdateFile::ReadUpdateLine(UpdateFiles& files) {
  if (!files.update) return LineResult::ReadError;
  if (UpdateFileKind == UpdateKind::Plain) return ReadPlainLine(files.update.get());
  if (!files.temp) return LineResult::ReadError;
  return ReadScrambledLine(files.update.get(), files.temp.get());
}

std::string_view UpdateFile::UpdateLine() const {
  size_t length = 0;
  while (length < UpdateLineBuffer.size() && UpdateLineBuffer[length] != 0) ++length;
  return {UpdateLineBuffer.data(), length};
}

LineResult UpdateFile::ReadPlainLine(std::FILE* file) {
  UpdateLineBuffer.fill(0);
  size_t length = 0;
  int c = GetTextChar(file);
  // Erased or zeroed space after the last line ends the data.
  if (c == EOF || c == 0xFF || c == 0) return std::ferror(file) ? LineResult::ReadError : LineResult::EndOfData;
  if (c == '\r') return LineResult::Line;
  for (;;) {
    if (c == '\n') return LineResult::Line;
    // Only the first nine characters matter; the rest of a long line is passed over
    // so that the next call starts at the next line.
    if (length < kMaxLineChars) UpdateLineBuffer[length++] = static_cast<char>(c);
    c = GetTextChar(file);
    if (c == EOF) return std::ferror(file) ? LineResult::ReadError : LineResult::Line;
    if (c == 0xFF || c == '\r') return LineResult::Line;
  }
}

LineResult UpdateFile::ReadScrambledLine(std::FILE* file, std::FILE* temp) {
  uint32_t w1 = 0, w2 = 0;
  const bool whole = ReadWord(file, w1) && ReadWord(file, w2);
  if (!whole || w2 == kEndWord) return std::ferror(file) ? LineResult::ReadError : LineResult::EndOfData;
  const uint32_t k = RecordKey;
  RecordKey = k + RecordStep;

  uint8_t record[10];
  PutWord(record, w1 ^ k);
  record[4] = ':';
  PutWord(record + 5, w2 ^ (k + PairOffset));
  record[9] = '\n';
  if (std::fseek(temp, 0, SEEK_SET) != 0 || std::fwrite(record, 1, sizeof record, temp) != sizeof record ||
      std::fseek(temp, 0, SEEK_SET) != 0)
    return LineResult::ReadError;

  // Read back as one line: up to and including the line feed, at most 79 characters.
  UpdateLineBuffer.fill(0);
  size_t length = 0;
  while (length < kMaxLineChars) {
    const int c = std::getc(temp);
    if (c == EOF) break;
    UpdateLineBuffer[length++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  // The record was just written: a line that does not come back means the temporary
  // file failed us, and a guessed line must never reach the controller.
  if (length == 0 || std::ferror(temp)) return LineResult::ReadError;
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
