// The plain update-file reader on any bytes, as the update reads them: once into the
// snapshot, from the disk. It must end, never deliver more than 79 characters,
// always leave its buffer terminated, and consume at least one byte per line; at
// the end of the data it must say whether anything but padding follows.
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
  update.UpdatePath = "plain.upd";
  if (!update.TakeSnapshot() || update.Snapshot->size() != size) std::abort();
  UpdateFiles files;
  if (!update.OpenLines(files)) std::abort();
  size_t lines = 0;
  LineResult result;
  while ((result = update.ReadUpdateLine(files)) == LineResult::Line) {
    if (update.UpdateLine().size() > 79 || update.UpdateLineBuffer[79] != 0) std::abort();
    if (++lines > size + 1) std::abort();  // a line that consumed nothing would loop for ever
  }
  if (result != LineResult::EndOfData || *files.dataAt > size) std::abort();
  // Data ends at the end of the file or at a marker byte at a line start.
  const size_t at = *files.dataAt;
  if (at < size && at > 0 && data[at - 1] != 0 && data[at - 1] != 0xFF) std::abort();
  bool padding = true;
  for (size_t i = at; i < size; ++i) padding = padding && (data[i] == 0 || data[i] == 0xFF || data[i] == '\r' || data[i] == '\n');
  if (update.OnlyPaddingFollows(files) != padding) std::abort();
  return 0;
}
