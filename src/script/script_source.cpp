#include "script/script_source.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "platform/stop_signals.h"

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
  int c;
  for (;;) {
    errno = 0;
    c = std::getc(file_);
    // A signal that came while the next line was awaited: read on, unless it asks the
    // program to end, which ends the script here as its end would.
    if (c != EOF || !std::ferror(file_) || errno != EINTR) break;
    std::clearerr(file_);
    if (OutsideStopReceived() != OutsideStop::None) return traits_type::eof();
  }
  if (c == EOF) {
    if (std::ferror(file_)) throw std::runtime_error(std::strerror(errno ? errno : EIO));
    return traits_type::eof();
  }
  current_ = static_cast<char>(c);
  setg(&current_, &current_, &current_ + 1);
  return traits_type::to_int_type(current_);
}

}  // namespace ravix
