#include "script/script_source.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace ravix {

std::unique_ptr<ScriptSource> ScriptSource::Open(const std::string& path, std::string& why) {
  if (path == "-") return std::unique_ptr<ScriptSource>(new ScriptSource(stdin, false));
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) {
    why = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<ScriptSource>(new ScriptSource(file, true));
}

ScriptSource::~ScriptSource() {
  if (owned_) std::fclose(file_);
}

ScriptSource::int_type ScriptSource::underflow() {
  errno = 0;
  const int c = std::getc(file_);
  if (c == EOF) {
    if (std::ferror(file_)) throw std::runtime_error(std::strerror(errno ? errno : EIO));
    return traits_type::eof();
  }
  current_ = static_cast<char>(c);
  setg(&current_, &current_, &current_ + 1);
  return traits_type::to_int_type(current_);
}

}  // namespace ravix
