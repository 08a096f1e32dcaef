#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <random>
#include <string_view>

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

// Every folder has these names: "NUL", "con.json" or "COM1.txt" open the device, not a
// file. The part before the first dot counts, without trailing blanks, in any case.
bool IsReservedDeviceName(std::string_view path) {
  const size_t separator = path.find_last_of("\\/:");
  std::string stem(path.substr(separator == std::string_view::npos ? 0 : separator + 1));
  stem = stem.substr(0, stem.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  for (const char* name : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"})
    if (stem == name) return true;
  return stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' && stem[3] <= '9';
}

// The wide form of a path, with the "\\?\" prefix once it is long enough to pass the
// old 260-character limit together with the short name made beside it.
std::wstring WidePath(const std::string& path) {
  std::wstring wide = ToWide(path);
  constexpr size_t kRoomBeside = 16;
  if (wide.size() + kRoomBeside < MAX_PATH || wide.starts_with(L"\\\\?\\")) return wide;
  const DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return wide;
  std::wstring full(size, L'\0');
  full.resize(GetFullPathNameW(wide.c_str(), size, full.data(), nullptr));
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

// A new file beside target (a wide path) that nothing else has: CREATE_NEW refuses a
// name in use, so a few random names are tried. The name is short, so that a long
// target name still leaves room for it. Invalid handle when none could be made.
HANDLE CreateBeside(const std::wstring& target, std::wstring& temp, std::string* why) {
  constexpr int kAttempts = 16;
  const size_t separator = target.find_last_of(L"\\/");
  const std::wstring folder = separator == std::wstring::npos ? std::wstring() : target.substr(0, separator + 1);
  std::random_device random;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    wchar_t suffix[16];
    std::swprintf(suffix, 16, L"~rvs%08x", static_cast<unsigned>(random()));
    temp = folder + suffix;
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
      if (file == INVALID_HANDLE_VALUE) Fail(why);
      return file;
    }
  }
  Fail(why, ERROR_FILE_EXISTS);
  return INVALID_HANDLE_VALUE;
}

bool WriteBesideAndRename(const std::wstring& target, std::span<const uint8_t> bytes, std::string* why) {
  std::wstring temp;
  bool ok;
  {
    Handle file(CreateBeside(target, temp, why));
    if (!file.Valid()) return false;
    DWORD written = 0;
    ok = bytes.empty() ||
         (WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
          written == bytes.size()) ||
         Fail(why);
    ok = ok && (FlushFileBuffers(file.Get()) || Fail(why));
  }
  ok = ok && (MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ||
              Fail(why));
  if (!ok) DeleteFileW(temp.c_str());
  return ok;
}

// What the name is: nothing, a regular file, a link, or something that is refused
// (why set). followLink: what a link leads to is looked at instead of the link.
enum class Named { Nothing, Regular, Link, Refused };

Named LookAt(const std::wstring& path, bool followLink, std::string* why) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  Handle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, flags, nullptr));
  if (!file.Valid()) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND && !followLink) return Named::Nothing;
    if ((error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) && followLink)
      SetWhy(why, "leads nowhere");
    else
      Fail(why, error);
    return Named::Refused;
  }
  if (GetFileType(file.Get()) != FILE_TYPE_DISK) {
    SetWhy(why, "is a device or a pipe");
    return Named::Refused;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!GetFileInformationByHandle(file.Get(), &info)) {
    Fail(why);
    return Named::Refused;
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return Named::Link;
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
    SetWhy(why, "is a directory");
    return Named::Refused;
  }
  return Named::Regular;
}

// The file a link leads to, as a full path; empty (why set) when it is no regular file.
std::wstring LinkTarget(const std::wstring& link, std::string* why) {
  std::string reason;
  if (LookAt(link, true, &reason) != Named::Regular) {
    SetWhy(why, "is a link that " + reason);
    return {};
  }
  Handle file(CreateFileW(link.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const DWORD size = file.Valid() ? GetFinalPathNameByHandleW(file.Get(), nullptr, 0, FILE_NAME_NORMALIZED) : 0;
  if (size == 0) {
    Fail(why);
    return {};
  }
  std::wstring target(size, L'\0');
  target.resize(GetFinalPathNameByHandleW(file.Get(), target.data(), size, FILE_NAME_NORMALIZED));
  return target;
}

bool RefuseDeviceName(const std::string& path, std::string* why) {
  if (!IsReservedDeviceName(path)) return false;
  SetWhy(why, "is a device name of Windows");
  return true;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::span<const uint8_t> bytes, std::string* why) {
  if (RefuseDeviceName(path, why)) return false;
  const std::wstring wide = WidePath(path);
  // A link is replaced, not followed; a device, a pipe or a directory is nothing to replace.
  if (LookAt(wide, false, why) == Named::Refused) return false;
  return WriteBesideAndRename(wide, bytes, why);
}

bool ReplaceChosenFile(const std::string& path, std::span<const uint8_t> bytes, std::string* why) {
  if (RefuseDeviceName(path, why)) return false;
  const std::wstring wide = WidePath(path);
  switch (LookAt(wide, false, why)) {
    case Named::Refused: return false;
    case Named::Link: {
      const std::wstring target = LinkTarget(wide, why);
      return !target.empty() && WriteBesideAndRename(target, bytes, why);
    }
    default: return WriteBesideAndRename(wide, bytes, why);
  }
}

AppendFile::~AppendFile() {
  if (IsOpen()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

bool AppendFile::Open(const std::string& path, std::string* why) {
  if (RefuseDeviceName(path, why)) return false;
  // FILE_APPEND_DATA without FILE_WRITE_DATA: the system puts every write at the end
  // of the file as it is then, also while another program appends to it. (The C
  // runtime's append mode moves to the end and then writes: two steps, not one.)
  Handle file(CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.Valid()) return Fail(why);
  if (!IsRegular(file.Get(), why)) return false;
  if (IsOpen()) CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = reinterpret_cast<intptr_t>(file.Release());
  return true;
}

bool AppendFile::Append(std::string_view record, std::string* why) {
  if (!IsOpen()) {
    SetWhy(why, "not open");
    return false;
  }
  DWORD written = 0;
  if (!WriteFile(reinterpret_cast<HANDLE>(handle_), record.data(), static_cast<DWORD>(record.size()), &written,
                 nullptr))
    return Fail(why);
  if (written != record.size()) return Fail(why, ERROR_DISK_FULL);
  return true;
}

}  // namespace ravix
