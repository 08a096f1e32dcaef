#pragma once
#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
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
// The largest update file taken: the 64 KiB a controller can address, as plain text
// of eleven characters a byte, fits many times over; anything larger is no update.
inline constexpr size_t kMaxUpdateFileBytes = 4u << 20;

enum class UpdateKind { Plain, Scrambled };

// What an update has open. The update file itself is read once, when it is chosen,
// into UpdateFile::Snapshot; "opening" it for the lines only sets where the next
// line starts in that snapshot. temp is "temp.tmp", made new by this update and
// held by it alone. "Close all" closes both; nothing stays open once the command
// has ended, and a temp.tmp this update made goes with it, however it ended.
struct UpdateFiles {
  std::optional<size_t> dataAt;
  FilePtr temp;
  // The full path of the temp.tmp that this update made, empty when it made none.
  std::string tempPath;

  UpdateFiles() = default;
  UpdateFiles(const UpdateFiles&) = delete;
  UpdateFiles& operator=(const UpdateFiles&) = delete;
  ~UpdateFiles() { RemoveTemp(); }

  void CloseAll() {
    dataAt.reset();
    temp.reset();
  }
  // Makes "temp.tmp" in the current directory, new and this update's alone: refused
  // when anything has that name already (a file of the user's, a link, a directory,
  // or another update's temp.tmp), which is then left as it is.
  bool CreateTemp(std::string* why = nullptr);
  // Closes everything and removes the temp.tmp that this update made (nothing else).
  void RemoveTemp();
};

// The full path of what has the name "temp.tmp" in the current directory (a file, a
// link, a directory: another update's, or what a killed one left), or nothing.
std::optional<std::string> ExistingTempFile();
// What the box's details say about such a temp.tmp.
std::string TempFileInTheWay(const std::string& path);

// Results of RememberUpdateFile.
inline constexpr int kRemembered = 0;
inline constexpr int kNotRemembered = 1;  // the file's name does not end in ".upd": "Open Error!", UpdateFileName unchanged
inline constexpr int kPathNotStored = 2;  // UpdateFileName set, but the setup file could not take the path
inline constexpr int kNotReadable = 3;    // no path or no snapshot of the file: ErrorText unchanged

// Results of ReadUpdateLine.
enum class LineResult { Line, EndOfData, ReadError };

// The update file chosen last and the reader of its lines. Plain files are text,
// one update line ("AAAA:xxDD") a line; scrambled files are 32-bit words whose
// records become update lines with a running key. Every step after the choice
// reads the snapshot taken right after it, so what was checked is what is sent,
// whatever happens to the file on the disk meanwhile.
class UpdateFile {
 public:
  explicit UpdateFile(Status& status) : status_(status) {}

  std::string UpdatePath;
  std::string UpdateFileName;
  UpdateKind UpdateFileKind = UpdateKind::Plain;
  uint32_t RecordKey = 0;
  std::array<char, kUpdateLineSize> UpdateLineBuffer{};
  // The chosen file's bytes, read once, for the run of one update; nothing otherwise.
  std::optional<std::vector<uint8_t>> Snapshot;

  // The open-file dialog; false when the user chose nothing (UpdatePath unchanged).
  bool ChooseUpdateFile();
  // Reads UpdatePath whole into Snapshot: only a regular file of at most
  // kMaxUpdateFileBytes. False with Snapshot emptied and the system's reason in *why.
  bool TakeSnapshot(std::string* why = nullptr);
  // Takes the chosen file when its own name ends in ".upd": sets UpdateFileName and
  // stores UpdatePath, as chosen, in the setup file. One of the results above.
  int RememberUpdateFile(SetupFile& setupFile, UpdateFiles& files);
  // The snapshot's byte at offset 4 is the first line's ":" only in a plain file.
  UpdateKind DetectUpdateFileKind();
  // 0 when the scrambled snapshot's checksum matches (RecordKey then holds the
  // initial key); 1 after a message box.
  int CheckUpdateFile(UpdateFiles& files);
  // Sets files.dataAt at the first line (plain) or record (scrambled) of the
  // snapshot; false without a snapshot.
  bool OpenLines(UpdateFiles& files) const;
  // The next update line into UpdateLineBuffer, from files.dataAt on. A scrambled
  // record passes through files.temp; before that file exists (the check of every
  // line before the question) it is turned into its line in memory, byte for byte
  // as the temporary file gives it back.
  LineResult ReadUpdateLine(UpdateFiles& files);
  // The line last read, up to its terminating zero.
  std::string_view UpdateLine() const;
  // After a plain file's end of data: true when nothing but padding (zero bytes,
  // 0xFF, line ends) follows the end-of-data mark up to the end of the snapshot.
  bool OnlyPaddingFollows(const UpdateFiles& files) const;

 private:
  LineResult ReadPlainLine(std::span<const uint8_t> data, size_t& at);
  LineResult ReadScrambledLine(std::span<const uint8_t> data, size_t& at, std::FILE* temp);

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

// The checksum of a scrambled file's bytes: header words 0 to 18 (a word missing
// counts as all ones), then words 22 on up to the first word that is missing, cut
// short or all ones.
uint32_t SumUpdateBytes(std::span<const uint8_t> bytes);

// The start position of the ".upd" (any case) that ends the path's last component,
// when it starts at position 1 to 250; otherwise npos. A ".upd" inside a folder's
// name or before another extension never counts.
size_t FindUpdExtension(std::string_view path);
// The path's last component: the part after its last path separator.
std::string_view FileNamePart(std::string_view path);

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
