#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/standard_streams.h"

namespace ravix {

// POSIX streams never translate line ends.
void UseBinaryStandardStreams() {}

void GuardStandardStreams() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // Opened for the other direction: reads of a closed input and writes to a closed
    // output fail (EBADF) as they would on the closed descriptor itself. The lowest
    // free number is fd, since the ones below it are open by now.
    (void)::open("/dev/null", fd == STDIN_FILENO ? O_WRONLY : O_RDONLY);
  }
  std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace ravix
