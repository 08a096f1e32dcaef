#pragma once
#include <unistd.h>

#include <cstdlib>

namespace ravix::fuzz {

// Makes a scratch directory of the target's own current for the whole run: the update
// file, the temporary file and the setup file are plain files in it. Memory first:
// rewriting a file thousands of times a second on a disk file system waits for the disk.
inline void EnterScratchDirectory() {
  char inMemory[] = "/dev/shm/ravix-fuzz-XXXXXX";
  char onDisk[] = "/tmp/ravix-fuzz-XXXXXX";
  const char* dir = mkdtemp(inMemory);
  if (!dir) dir = mkdtemp(onDisk);
  if (!dir || chdir(dir) != 0) std::abort();
}

}  // namespace ravix::fuzz
