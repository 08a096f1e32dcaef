#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_access.h"
#include "status/status.h"

namespace ravix {

class SetupFile;

// The scrambling of an update file. Whatever writes update files (ravix-cli pack)
// derives its key sequence from these same four values, so they live here only.
inline constexpr uint32_t KeyStart = 0x5EC7A1D3;
inline constexpr uint32_t KeyMask = 0xA5C3961B;
inline constexpr uint32_t PairOffset = 0x3C6EF372;
inline constexpr uint32_t RecordStep = 0x9E3779B9;

// Layout of a scrambled update file: a header of 40 little-endian words, then
// records of two words each.
inline constexpr long kHeaderBytes = 160;
inline constexpr int kHeaderWords = 40;
inline constexpr int kChecksumWord = 20;
inline constexpr int kSeedWord = 22;
// Erased flash reads as all ones: such a word ends the records and the checksum.
inline constexpr uint32_t kEndWord = 0xFFFFFFFF;

inline constexpr size_t kUpdateLineSize = 80;
inline constexpr const char* kTempFileName = "temp.tmp";

enum class UpdateKind { Plain, Scrambled };

// Opens an existing file for binary reading; null when it cannot be opened or is a
// directory (which some systems would let us open and then fail to read).
FilePtr OpenForReading(const std::string& path);

// The files an update has open. "Close all" closes every one of them; nothing stays
// open once the command has ended.
struct UpdateFiles {
  FilePtr update;
  FilePtr temp;
  void CloseAll() {
    update.reset();
    temp.reset();
  }
};

// Results of RememberUpdateFile.
inline constexpr int kRemembered = 0;
inline constexpr int kNotRemembered = 1;  // no ".upd" in the path: "Open Error!", UpdateFileName unchanged
inline constexpr int kPathNotStored = 2;  // UpdateFileName set, but the setup file could not take the path
inline constexpr int kNotReadable = 3;    // no path or an unreadable file: ErrorText unchanged

// Results of ReadUpdateLine.
enum class LineResult { Line, EndOfData, ReadError };

// The update file chosen last and the reader of its lines. Plain files are text,
// one update line ("AAAA:xxDD") a line; scrambled files are 32-bit words whose
// records become update lines with a running key.
class UpdateFile {
 public:
  explicit UpdateFile(Status& status) : status_(status) {}

  std::string UpdatePath;
  std::string UpdateFileName;
  UpdateKind UpdateFileKind = UpdateKind::Plain;
  uint32_t RecordKey = 0;
  std::array<char, kUpdateLineSize> UpdateLineBuffer{};

  // The open-file dialog; false when the user chose nothing (UpdatePath unchanged).
  bool ChooseUpdateFile();
  // Cuts UpdatePath after its ".upd", sets UpdateFileName and stores the path in
  // the setup file. One of the results above.
  int RememberUpdateFile(SetupFile& setupFile, UpdateFiles& files);
  // The byte at offset 4 is the first line's ":" only in a plain file.
  UpdateKind DetectUpdateFileKind(std::FILE* file);
  // 0 when the scrambled file's checksum matches (RecordKey then holds the initial
  // key); 1 after a message box.
  int CheckUpdateFile(UpdateFiles& files);
  // The next update line into UpdateLineBuffer. Plain files read files.update as
  // text; scrambled files read records from files.update and pass each through
  // files.temp.
  LineResult ReadUpdateLine(UpdateFiles& files);
  // The line last read, up to its terminating zero.
  std::string_view UpdateLine() const;

 private:
  LineResult ReadPlainLine(std::FILE* file);
  LineResult ReadScrambledLine(std::FILE* file, std::FILE* temp);

  Status& status_;
};

// The key of a scrambled file's first record.
inline constexpr uint32_t InitialRecordKey(uint32_t seed) { return (seed + KeyStart) ^ KeyMask; }

// The sum of a word's eight 4-bit groups.
inline constexpr uint32_t NibbleSum(uint32_t word) {
  uint32_t sum = 0;
  for (int i = 0; i < 8; ++i) sum += (word >> (4 * i)) & 0xF;
  return sum;
}

// The checksum of a scrambled file read from its start: header words 0 to 18 (a
// word missing counts as all ones), then words 22 on up to the first word that is
// missing, cut short or all ones. Leaves the file at an unspecified position.
uint32_t SumUpdateFile(std::FILE* file);
// The same sum over a file's bytes in memory.
uint32_t SumUpdateBytes(std::span<const uint8_t> bytes);

// Reads the little-endian word at the file's position; false when it cannot be read whole.
bool ReadWord(std::FILE* file, uint32_t& word);

// The first start position (1 to 250) of ".upd" in any case, or npos.
size_t FindUpdExtension(std::string_view path);
// The part of a path after its last path separator before `end`.
std::string_view FileNamePart(std::string_view path, size_t end);

// Writing update files (the packer's side of the format).
struct UpdateByte {
  uint16_t address = 0;
  uint8_t data = 0;
};
// The update line of one byte: "AAAA:00DD".
std::string FormatUpdateLine(const UpdateByte& byte);
// A plain update file: one line a byte with CR LF line ends, in the given order.
std::string PackPlainUpdate(std::span<const UpdateByte> bytes);
// Header words of a scrambled file that the tool does not interpret.
struct ScrambledHeaderInfo {
  uint16_t version1 = 0;
  uint16_t version2 = 0;
};
// A scrambled update file with a checksum that CheckUpdateFile accepts. The seed
// is a starting point: it moves on until no stored word reads as all ones, which
// would end the records early. The seed used comes back in *seedUsed.
std::vector<uint8_t> PackScrambledUpdate(std::span<const UpdateByte> bytes, const ScrambledHeaderInfo& info,
                                         uint32_t seed, uint32_t* seedUsed = nullptr);

}  // namespace ravix
