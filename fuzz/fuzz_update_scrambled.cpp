// The scrambled update file on any bytes, read once into the snapshot: its kind, its
// checksum through CheckUpdateFile and its records. A record must come back as
// exactly the bytes its two words carry, alike through "temp.tmp" (the transfer) and
// in memory (the check of every line before the question).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/update_file.h"
#include "platform/headless/headless_ui.h"
#include "fuzz_scratch.h"

using namespace ravix;

namespace {

// The word at offset, all ones when the data ends before it is whole.
uint32_t Word(const uint8_t* data, size_t size, size_t offset) {
  if (offset + 4 > size) return kEndWord;
  const uint8_t* at = data + offset;
  return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 | static_cast<uint32_t>(at[2]) << 16 |
         static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ravix::fuzz::EnterScratchDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = "x1011_3011.upd";
  {
    FilePtr out(std::fopen(path.c_str(), "wb"));
    if (!out || std::fwrite(data, 1, size, out.get()) != size) std::abort();
  }
  HeadlessUi ui;
  Status status(ui);
  UpdateFile update(status);
  update.UpdatePath = path;
  if (!update.TakeSnapshot()) std::abort();

  const bool plain = size >= 8 && data[4] == ':';
  if ((update.DetectUpdateFileKind() == UpdateKind::Plain) != plain) std::abort();
  UpdateFiles files;
  const int checked = update.CheckUpdateFile(files);
  if (files.dataAt || files.temp) std::abort();
  if (checked != 0 && ui.messages.size() != 1) std::abort();
  if ((checked == 0) != (SumUpdateBytes({data, size}) == (Word(data, size, 80) ^ update.RecordKey))) std::abort();

  update.UpdateFileKind = UpdateKind::Scrambled;
  UpdateFiles inMemory;
  if (!update.OpenLines(files) || !update.OpenLines(inMemory) || !files.CreateTemp()) std::abort();
  UpdateFile twin(status);
  twin.Snapshot = update.Snapshot;
  twin.UpdateFileKind = UpdateKind::Scrambled;
  twin.RecordKey = update.RecordKey;
  size_t at = static_cast<size_t>(kHeaderBytes);
  for (;;) {
    const uint32_t key = update.RecordKey;
    const LineResult result = update.ReadUpdateLine(files);
    if (result == LineResult::ReadError || twin.ReadUpdateLine(inMemory) != result) std::abort();
    if (twin.UpdateLine() != update.UpdateLine() || twin.RecordKey != update.RecordKey) std::abort();
    const bool whole = at + 8 <= size;
    if (result == LineResult::EndOfData) {
      if (whole && Word(data, size, at + 4) != kEndWord) std::abort();  // data ended early
      break;
    }
    if (!whole || Word(data, size, at + 4) == kEndWord) std::abort();  // a record that is not there
    uint8_t expected[10];
    const uint32_t w1 = Word(data, size, at) ^ key, w2 = Word(data, size, at + 4) ^ (key + PairOffset);
    for (int i = 0; i < 4; ++i) expected[i] = static_cast<uint8_t>(w1 >> (8 * i));
    expected[4] = ':';
    for (int i = 0; i < 4; ++i) expected[5 + i] = static_cast<uint8_t>(w2 >> (8 * i));
    expected[9] = '\n';
    // The line is the record up to its first line feed, cut at a zero byte.
    size_t length = 0;
    while (length < 10 && expected[length] != 0) {
      if (expected[length++] == '\n') break;
    }
    const std::string_view line = update.UpdateLine();
    if (line.size() != length || std::memcmp(line.data(), expected, length) != 0) std::abort();
    if (update.RecordKey != key + RecordStep) std::abort();
    at += 8;
  }
  files.RemoveTemp();
  if (std::fopen(kTempFileName, "rb")) std::abort();  // the update's temp.tmp goes with it
  return 0;
}
