#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <initializer_list>

#include "platform/standard_streams.h"

namespace ravix {

void UseBinaryStandardStreams() {
  // A stream that is not there (a window program started without a console) has no
  // descriptor; _setmode on -1 would only set errno.
  for (std::FILE* stream : {stdin, stdout, stderr}) {
    const int fd = _fileno(stream);
    if (fd >= 0) _setmode(fd, _O_BINARY);
  }
}

// A Windows program gets no new handle in a standard stream's place, and writes to a
// pipe whose reader went away fail without a signal.
void GuardStandardStreams() {}

}  // namespace ravix
