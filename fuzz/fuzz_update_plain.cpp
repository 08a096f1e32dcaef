// The plain update-file reader on any bytes: it must end, never deliver more than 79
// characters, always leave its buffer terminated, and consume at least one byte per line.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "files/update_file.h"
#include "platform/headless/headless_ui.h"
#include "fuzz_scratch.h"

using namespace ravix;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ravix::fuzz::EnterScratchDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  HeadlessUi ui;
  Status status(ui);
  UpdateFile update(status);
  update.UpdateFileKind = UpdateKind::Plain;
  {
    FilePtr out(std::fopen("plain.upd", "wb"));
    if (!out || std::fwrite(data, 1, size, out.get()) != size) std::abort();
  }
  UpdateFiles files;
  files.update = OpenForReading("plain.upd");
  if (!files.update) std::abort();
  size_t lines = 0;
  for (;;) {
    const LineResult result = update.ReadUpdateLine(files);
    if (result != LineResult::Line) break;
    if (update.UpdateLine().size() > 79 || update.UpdateLineBuffer[79] != 0) std::abort();
    if (++lines > size + 1) std::abort();  // a line that consumed nothing would loop for ever
  }
  return 0;
}
