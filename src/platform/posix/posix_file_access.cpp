#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/file_access.h"
#include "platform/posix/unique_fd.h"

namespace ravix {

namespace {

void SetWhy(std::string* why, const std::string& text) {
  if (why) *why = text;
}

bool Fail(std::string* why, int error) {
  SetWhy(why, std::strerror(error));
  return false;
}

// A descriptor that is a regular file, or false with the reason.
bool IsRegular(int fd, std::string* why, struct stat* info = nullptr) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Fail(why, errno);
  if (!S_ISREG(st.st_mode)) {
    SetWhy(why, S_ISDIR(st.st_mode) ? "is a directory" : "is not a regular file");
    return false;
  }
  if (info) *info = st;
  return true;
}

// Opened without blocking (a pipe would wait for a writer); from here on the file
// is ordinary and blocking reads are what stdio expects.
bool MakeBlocking(int fd, std::string* why) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) return Fail(why, errno);
  return true;
}

FilePtr StdioOf(UniqueFd fd, const char* mode, std::string* why) {
  std::FILE* file = ::fdopen(fd.Get(), mode);
  if (!file) {
    Fail(why, errno);
    return nullptr;
  }
  (void)fd.Release();
  return FilePtr(file);
}

bool WriteAll(int fd, std::span<const uint8_t> bytes, std::string* why) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Fail(why, errno);
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, size_t maxBytes, std::string* why) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd.Valid()) {
    Fail(why, errno);
    return std::nullopt;
  }
  struct stat st {};
  if (!IsRegular(fd.Get(), why, &st)) return std::nullopt;
  if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    SetWhy(why, "larger than " + std::to_string(maxBytes) + " bytes");
    return std::nullopt;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size) + 1);
  size_t got = 0;
  for (;;) {
    if (got == bytes.size()) {
      // The file grew while it was read: more than it was, perhaps more than allowed.
      if (bytes.size() > maxBytes) {
        SetWhy(why, "larger than " + std::to_string(maxBytes) + " bytes");
        return std::nullopt;
      }
      bytes.resize(std::min(maxBytes + 1, bytes.size() * 2));
    }
    const ssize_t n = ::read(fd.Get(), bytes.data() + got, bytes.size() - got);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail(why, errno);
      return std::nullopt;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

FilePtr OpenRegularForUpdate(const std::string& path, bool create, std::string* why) {
  constexpr int kFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  UniqueFd fd(::open(path.c_str(), kFlags));
  if (!fd.Valid() && errno == ENOENT && create) {
    // O_EXCL: a dangling link of that name counts as taken, so nothing is made through it.
    fd = UniqueFd(::open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0666));
  }
  if (!fd.Valid()) {
    // ELOOP: the name is a symbolic link.
    Fail(why, errno);
    return nullptr;
  }
  if (!IsRegular(fd.Get(), why) || !MakeBlocking(fd.Get(), why)) return nullptr;
  return StdioOf(std::move(fd), "r+b", why);
}

FilePtr CreateExclusive(const std::string& path, std::string* why) {
  UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0600));
  if (!fd.Valid()) {
    Fail(why, errno);
    return nullptr;
  }
  return StdioOf(std::move(fd), "w+b", why);
}

namespace {

// What a name that is no regular file is, for the refusal: "is " and this.
std::string KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "a directory";
  if (S_ISFIFO(mode)) return "a named pipe";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISSOCK(mode)) return "a socket";
  return "no regular file";
}

// Writes bytes into a new file beside target and renames it over target. The new
// name is short (a long file name plus a suffix would pass the system's name limit)
// and made by mkstemp, so two saves at once never share it. old: target's status
// when it is a regular file, so that its permissions (and owner, where we may) stay.
bool WriteBesideAndRename(const std::string& target, std::span<const uint8_t> bytes, const struct stat* old,
                          std::string* why) {
  const size_t slash = target.rfind('/');
  std::string temp = (slash == std::string::npos ? std::string() : target.substr(0, slash + 1)) + ".rvs-XXXXXX";
  UniqueFd fd(::mkstemp(temp.data()));
  if (!fd.Valid()) return Fail(why, errno);
  mode_t mode;
  if (old) {
    mode = old->st_mode & 07777;
    // Only root may give a file away; for anyone else the file stays theirs.
    if (old->st_uid != ::geteuid() || old->st_gid != ::getegid())
      (void)!::fchown(fd.Get(), old->st_uid, old->st_gid);
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  bool ok = ::fchmod(fd.Get(), mode) == 0 || Fail(why, errno);
  ok = ok && WriteAll(fd.Get(), bytes, why);
  // On disk before the name points at it: a crash leaves the old file or the new one.
  ok = ok && (::fsync(fd.Get()) == 0 || Fail(why, errno));
  ok = (::close(fd.Release()) == 0 || Fail(why, errno)) && ok;
  ok = ok && (::rename(temp.c_str(), target.c_str()) == 0 || Fail(why, errno));
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

bool ReplaceFile(const std::string& path, std::span<const uint8_t> bytes, std::string* why) {
  struct stat old {};
  const bool exists = ::lstat(path.c_str(), &old) == 0;
  if (!exists && errno != ENOENT) return Fail(why, errno);
  // A link is replaced, not followed; a pipe, a device or a directory is nothing to replace.
  if (exists && !S_ISREG(old.st_mode) && !S_ISLNK(old.st_mode)) {
    SetWhy(why, "is " + KindOf(old.st_mode));
    return false;
  }
  return WriteBesideAndRename(path, bytes, exists && S_ISREG(old.st_mode) ? &old : nullptr, why);
}

bool ReplaceChosenFile(const std::string& path, std::span<const uint8_t> bytes, std::string* why) {
  struct stat named {};
  if (::lstat(path.c_str(), &named) != 0) {
    if (errno != ENOENT) return Fail(why, errno);
    return WriteBesideAndRename(path, bytes, nullptr, why);
  }
  if (S_ISREG(named.st_mode)) return WriteBesideAndRename(path, bytes, &named, why);
  if (!S_ISLNK(named.st_mode)) {
    SetWhy(why, "is " + KindOf(named.st_mode));
    return false;
  }
  // A link: the file at its end is the one the user keeps their settings in.
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  if (!resolved) {
    SetWhy(why, errno == ENOENT ? "is a link that leads nowhere" : std::strerror(errno));
    return false;
  }
  struct stat target {};
  if (::stat(resolved.get(), &target) != 0) return Fail(why, errno);
  if (!S_ISREG(target.st_mode)) {
    SetWhy(why, "is a link to " + KindOf(target.st_mode));
    return false;
  }
  return WriteBesideAndRename(resolved.get(), bytes, &target, why);
}

AppendFile::~AppendFile() {
  if (IsOpen()) ::close(static_cast<int>(handle_));
}

bool AppendFile::Open(const std::string& path, std::string* why) {
  UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
  if (!fd.Valid()) return Fail(why, errno);
  if (!IsRegular(fd.Get(), why) || !MakeBlocking(fd.Get(), why)) return false;
  if (IsOpen()) ::close(static_cast<int>(handle_));
  handle_ = fd.Release();
  return true;
}

bool AppendFile::Append(std::string_view record, std::string* why) {
  if (!IsOpen()) {
    SetWhy(why, "not open");
    return false;
  }
  return WriteAll(static_cast<int>(handle_), {reinterpret_cast<const uint8_t*>(record.data()), record.size()}, why);
}

}  // namespace ravix
