#include "platform/standard_streams.h"

namespace ravix {

// POSIX streams never translate line ends.
void UseBinaryStandardStreams() {}

}  // namespace ravix
