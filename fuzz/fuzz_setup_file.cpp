// The setup file "rvsetup.cfg" with any content: start-up, loading and storing the
// motor values and storing an update path must neither fail nor lose the layout.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "files/setup_file.h"
#include "files/update_file.h"
#include "platform/headless/headless_ui.h"
#include "sim/sim_adapter.h"
#include "fuzz_scratch.h"

using namespace ravix;

namespace {

std::string ReadAll() {
  FilePtr in(std::fopen("rvsetup.cfg", "rb"));
  std::string bytes;
  if (!in) return bytes;
  char buffer[512];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, in.get())) > 0) bytes.append(buffer, n);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  ravix::fuzz::EnterScratchDirectory();
  return 0;
}
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte chooses the path length; the rest is the file.
  const size_t pathLength = size ? data[0] : 0;
  const uint8_t* content = size ? data + 1 : data;
  const size_t contentSize = size ? size - 1 : 0;
  {
    FilePtr out(std::fopen("rvsetup.cfg", "wb"));
    if (!out || std::fwrite(content, 1, contentSize, out.get()) != contentSize) std::abort();
  }
  sim::SimClock clock(true);
  sim::SimAdapter adapter(clock);
  HeadlessUi ui;
  Platform platform{clock, adapter, adapter, ui};
  Status status(ui);
  Link link(platform, status);
  link.Parallel().PortDriverReady = (contentSize & 1) != 0;
  SetupFile setup(link, status);

  if (setup.InitSetupFile() != 0) std::abort();
  // A name of up to four characters, or a long one kept behind the marker.
  const size_t mostChars = setup.PortNameStoredLong ? SetupFile::MaxLongPortName : 4;
  if (link.PortName.empty() || link.PortName.size() > mostChars) std::abort();
  if (setup.LoadRpmValues() != 0) std::abort();
  if (setup.PoleCount == 0 || setup.GearRatio == 0.0f) std::abort();
  const std::string path(pathLength, 'p');
  if (setup.StoreUpdatePath(path) != 0) std::abort();
  const std::string after = ReadAll();
  // The port field reads back as the port the tool took.
  {
    Link again(platform, status);
    again.Parallel().PortDriverReady = link.Parallel().PortDriverReady;
    SetupFile reread(again, status);
    reread.Writable = false;
    if (reread.InitSetupFile() != 0 || again.PortName != link.PortName) std::abort();
  }
  // The path field never reaches the pole count.
  if (after.size() < 260 || after.compare(30, 2, "\r\n") != 0) std::abort();
  char poles[3] = {after[256], after[257], 0};
  if (std::atoi(poles) != setup.PoleCount) std::abort();
  return 0;
}
