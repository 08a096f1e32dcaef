#pragma once

namespace ravix {

// A transcript is bytes: "\n" ends a line on every system. Windows' C runtime would
// turn each one into "\r\n" on the standard streams; this switches that off (and does
// nothing where the streams carry bytes as they are). Call it first in main().
void UseBinaryStandardStreams();

}  // namespace ravix
