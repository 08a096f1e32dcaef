#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <random>

#include "platform/file_access.h"
#include "platform/win32/win32_text.h"

#include "platform/win32/windows_api.h"  // last

namespace ravix {

namespace {

void SetWhy(std::string* why, const std::string& text) {
  if (why) *why = text;
}

bool Fail(std::string* why, DWORD error = GetLastError()) {
  if (why) *why = SystemReason(error);
  return false;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() {
    if (Valid()) CloseHandle(h_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return h_; }
  HANDLE Release() {
    HANDLE h = h_;
    h_ = INVALID_HANDLE_VALUE;
    return h;
  }

 private:
  HANDLE h_;
};

// A handle on a file of the disk, not a device ("COM1", "NUL"), a pipe or a link.
bool IsRegular(HANDLE h, std::string* why) {
  if (GetFileType(h) != FILE_TYPE_DISK) {
    SetWhy(why, "is not a regular file");
    return false;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(h, &info)) return Fail(why);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetWhy(why, "is a directory");
    return false;
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    SetWhy(why, "is a symbolic link");
    return false;
  }
  return true;
}

FilePtr StdioOf(Handle& handle, const char* mode, std::string* why) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle.Get()), _O_RDWR | _O_BINARY);
  if (fd < 0) {
    SetWhy(why, "cannot open the file");
    return nullptr;
  }
  handle.Release();
  std::FILE* file = _fdopen(fd, mode);
  if (!file) {
    _close(fd);
    SetWhy(why, "cannot open the file");
    return nullptr;
  }
  return FilePtr(file);
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, size_t maxBytes, std::string* why) {
  Handle file(CreateFileA(ToAnsi(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    Fail(why);
    return std::nullopt;
  }
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
    SetWhy(why, "is not a regular file");
    return std::nullopt;
  }
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.Get(), &size)) {
    Fail(why);
    return std::nullopt;
  }
  if (static_cast<unsigned long long>(size.QuadPart) > maxBytes) {
    SetWhy(why, "larger than " + std::to_string(maxBytes) + " bytes");
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
  size_t got = 0;
  while (got < bytes.size()) {
    DWORD n = 0;
    if (!ReadFile(file.Get(), bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &n, nullptr)) {
      Fail(why);
      return std::nullopt;
    }
    if (n == 0) break;
    got += n;
  }
  bytes.resize(got);
  return bytes;
}

FilePtr OpenRegularForUpdate(const std::string& path, bool create, std::string* why) {
  // The link itself is opened, not what it points to, and then refused.
  Handle file(CreateFileA(ToAnsi(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.Valid()) {
    Fail(why);
    return nullptr;
  }
  if (!IsRegular(file.Get(), why)) return nullptr;
  return StdioOf(file, "r+b", why);
}

FilePtr CreateExclusive(const std::string& path, std::string* why) {
  // CREATE_NEW fails on any name that is taken, a link included; no sharing while it is open.
  Handle file(CreateFileA(ToAnsi(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    Fail(why);
    return nullptr;
  }
  return StdioOf(file, "w+b", why);
}

namespace {

// A new file beside path that nothing else has: CREATE_NEW refuses a name in use, so a
// few random names are tried. Invalid handle when none could be made (why is set).
HANDLE CreateBeside(const std::string& path, std::string& ansiTemp, std::string* why) {
  constexpr int kAttempts = 16;
  std::random_device random;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".tmp-%lu-%08x", static_cast<unsigned long>(GetCurrentProcessId()),
                  static_cast<unsigned>(random()));
    ansiTemp = ToAnsi(path + suffix);
    HANDLE file = CreateFileA(ansiTemp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
      if (file == INVALID_HANDLE_VALUE) Fail(why);
      return file;
    }
  }
  Fail(why, ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::span<const uint8_t> bytes, std::string* why) {
  std::string ansiTemp;
  bool ok;
  {
    Handle file(CreateBeside(path, ansiTemp, why));
    if (!file.Valid()) return false;
    DWORD written = 0;
    ok = bytes.empty() ||
         (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
          written == bytes.size()) ||
         Fail(why);
    ok = ok && (FlushFileBuffers(file.Get()) || Fail(why));
  }
  ok = ok && (MoveFileExA(ansiTemp.c_str(), ToAnsi(path).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
              Fail(why));
  if (!ok) DeleteFileA(ansiTemp.c_str());
  return ok;
}

}  // namespace ravix
