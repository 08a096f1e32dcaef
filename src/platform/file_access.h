#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ravix {

// The files the tool reads and writes on the user's disk. Every operation refuses what
// is not an ordinary file (a pipe, a device, a directory) instead of blocking on it or
// writing into it, and none writes through a symbolic link (ReplaceChosenFile replaces
// the regular file a link points to, as its user means). Failures come back as
// nothing (or false), with the operating system's reason in *why when it is given.
// One file for each operating system implements them.

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// The whole content of a regular file of at most maxBytes, read at once (a link to a
// regular file is followed: the user chose it). A pipe, a device or a directory is
// refused without waiting on it, and so is a larger file.
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, size_t maxBytes,
                                                    std::string* why = nullptr);

// An existing regular file opened for reading and updating in place ("r+b"). A
// symbolic link of that name is refused, not followed. create: when nothing has the
// name yet, a new empty file is made there.
FilePtr OpenRegularForUpdate(const std::string& path, bool create, std::string* why = nullptr);

// A new, empty file opened for reading and writing ("w+b") that only this opening
// holds: refused when anything (a file, a link, a directory) has the name already, so
// two runs never share it and no file of the user's is emptied.
FilePtr CreateExclusive(const std::string& path, std::string* why = nullptr);

// Replaces path by a file holding bytes: written in full into a new file beside it and
// renamed over it only then. On failure the old file stays as it was and nothing new
// is left behind. A symbolic link of that name is replaced, never written through; a
// pipe, a device or a directory of that name is refused and left as it is.
bool ReplaceFile(const std::string& path, std::span<const uint8_t> bytes, std::string* why = nullptr);

// The same for a file the user named to keep their own data in (a settings file):
// a symbolic link to a regular file stays a link, and the file it points to is
// replaced (written beside that file, renamed over it). A pipe, a device, a
// directory, a link to one of them or to nothing, and on Windows a reserved device
// name (NUL, CON, COM1, ...; with any extension) are refused and left as they are.
bool ReplaceChosenFile(const std::string& path, std::span<const uint8_t> bytes, std::string* why = nullptr);

// A file that takes whole records at its end, for a log that two programs may write
// at once: each Append is one write of the system in append mode, which puts it at the
// end of the file as it is at that moment, so no record overwrites or cuts into
// another. Open makes the file when it is missing; a symbolic link or anything but a
// regular file is refused.
class AppendFile {
 public:
  AppendFile() = default;
  ~AppendFile();
  AppendFile(AppendFile&& other) noexcept : handle_(other.handle_) { other.handle_ = kClosed; }
  AppendFile& operator=(AppendFile&& other) noexcept {
    std::swap(handle_, other.handle_);
    return *this;
  }

  bool Open(const std::string& path, std::string* why = nullptr);
  bool IsOpen() const { return handle_ != kClosed; }
  // The whole record at the end of the file; false with the reason (a full disk).
  bool Append(std::string_view record, std::string* why = nullptr);

 private:
  static constexpr intptr_t kClosed = -1;  // no descriptor, and INVALID_HANDLE_VALUE
  intptr_t handle_ = kClosed;              // a descriptor, or a Windows handle
};

}  // namespace ravix
