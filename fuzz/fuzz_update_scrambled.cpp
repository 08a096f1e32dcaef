// The scrambled update file on any bytes: its kind, its checksum (read from the file
// and from memory, which must agree, and through CheckUpdateFile) and its records.
// A record must come back as exactly the bytes its two words carry.
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

uint32_t Word(const uint8_t* at) {
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

  {
    FilePtr in = OpenForReading(path);
    const UpdateKind kind = update.DetectUpdateFileKind(in.get());
    const bool plain = size >= 8 && data[4] == ':';
    if ((kind == UpdateKind::Plain) != plain) std::abort();
    if (SumUpdateFile(in.get()) != SumUpdateBytes({data, size})) std::abort();
  }
  UpdateFiles files;
  const int checked = update.CheckUpdateFile(files);
  if (files.update || files.temp) std::abort();
  if (checked != 0 && ui.messages.size() != 1) std::abort();

  update.UpdateFileKind = UpdateKind::Scrambled;
  files.update = OpenForReading(path);
  files.temp = FilePtr(std::fopen(kTempFileName, "w+b"));
  if (!files.update || !files.temp) std::abort();
  std::fseek(files.update.get(), kHeaderBytes, SEEK_SET);
  size_t at = static_cast<size_t>(kHeaderBytes);
  for (;;) {
    const uint32_t key = update.RecordKey;
    const LineResult result = update.ReadUpdateLine(files);
    if (result == LineResult::ReadError) std::abort();
    const bool whole = at + 8 <= size;
    if (result == LineResult::EndOfData) {
      if (whole && Word(data + at + 4) != kEndWord) std::abort();  // data ended early
      break;
    }
    if (!whole || Word(data + at + 4) == kEndWord) std::abort();  // a record that is not there
    uint8_t expected[10];
    const uint32_t w1 = Word(data + at) ^ key, w2 = Word(data + at + 4) ^ (key + PairOffset);
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
  return 0;
}
