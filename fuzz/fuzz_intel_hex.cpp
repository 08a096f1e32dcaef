// Intel HEX text of any kind: the reader must not fail on it, and every image it
// accepts must survive packing into both update-file kinds and reading back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/intel_hex.h"
#include "files/update_file.h"
#include "platform/headless/headless_ui.h"
#include "fuzz_scratch.h"

using namespace ravix;

namespace {

std::vector<std::string> ReadBack(UpdateFile& update, UpdateKind kind) {
  UpdateFiles files;
  if (!update.TakeSnapshot()) std::abort();
  update.UpdateFileKind = kind;
  if (!update.OpenLines(files)) std::abort();
  if (kind == UpdateKind::Scrambled) files.temp = FilePtr(std::tmpfile());
  std::vector<std::string> lines;
  while (update.ReadUpdateLine(files) == LineResult::Line) {
    std::string line(update.UpdateLine());
    if (!line.empty() && line.back() == '\n') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

void WriteAll(const std::string& path, const void* data, size_t size) {
  FilePtr out(std::fopen(path.c_str(), "wb"));
  if (!out || std::fwrite(data, 1, size, out.get()) != size) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ravix::fuzz::EnterScratchDirectory();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const IntelHexResult parsed = ParseIntelHex({reinterpret_cast<const char*>(data), size});
  if (!parsed.Ok()) {
    if (parsed.error.rfind("line ", 0) != 0) std::abort();
    return 0;
  }
  std::vector<UpdateByte> bytes;
  if (!UpdateBytesFromImage(parsed.image, bytes).empty()) return 0;
  std::vector<std::string> expected;
  for (const auto& byte : bytes) expected.push_back(FormatUpdateLine(byte));

  const std::string path = "image.upd";
  HeadlessUi ui;
  Status status(ui);
  UpdateFile update(status);
  update.UpdatePath = path;

  const std::string plain = PackPlainUpdate(bytes);
  WriteAll(path, plain.data(), plain.size());
  if (ReadBack(update, UpdateKind::Plain) != expected) std::abort();

  const std::vector<uint8_t> scrambled = PackScrambledUpdate(bytes, {0x1011, 0x3011}, size);
  WriteAll(path, scrambled.data(), scrambled.size());
  if (!update.TakeSnapshot()) std::abort();
  UpdateFiles files;
  if (update.CheckUpdateFile(files) != 0) std::abort();
  if (ReadBack(update, UpdateKind::Scrambled) != expected) std::abort();
  return 0;
}
