#pragma once
#include <cstdio>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>

namespace ravix {

// A script read through the C library, so that a read error (a directory, a failing
// device) reaches the script engine as an exception instead of looking like the end.
class ScriptSource : public std::streambuf {
 public:
  // path "-" is standard input. Null (with the reason in why) when it cannot be opened.
  static std::unique_ptr<ScriptSource> Open(const std::string& path, std::string& why);
  ~ScriptSource() override;
  ScriptSource(const ScriptSource&) = delete;
  ScriptSource& operator=(const ScriptSource&) = delete;

  std::istream& Stream() { return stream_; }

 protected:
  int_type underflow() override;

 private:
  ScriptSource(std::FILE* file, bool owned) : file_(file), owned_(owned), stream_(this) {}

  std::FILE* file_;
  bool owned_;
  char current_ = 0;
  std::istream stream_;
};

}  // namespace ravix
