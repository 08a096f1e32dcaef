#include "platform/standard_streams.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>

namespace ravix {

namespace {

// Flushed whole and no write failed since the start; the reason otherwise.
bool Delivered(std::FILE* stream, std::string& why) {
  errno = 0;
  const bool flushed = std::fflush(stream) == 0;
  if (flushed && !std::ferror(stream)) return true;
  why = !flushed && errno != 0 ? std::strerror(errno) : "a write failed";
  return false;
}

}  // namespace

int FinishStandardStreams(int status, const char* program) {
  std::string why;
  // The transcript goes through std::cout, which writes straight into stdout's buffer
  // (and flushing it first would take the system's reason along with the buffer).
  const bool delivered = Delivered(stdout, why);
  if (!delivered || !std::cout.flush()) {
    if (why.empty()) why = "a write failed";
    std::fprintf(stderr, "%s: cannot write standard output: %s\n", program, why.c_str());
    if (status == 0) status = 1;
  }
  if (!Delivered(stderr, why) && status == 0) status = 1;
  return status;
}

}  // namespace ravix
