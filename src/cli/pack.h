#pragma once
#include <string>
#include <vector>

namespace ravix::cli {

// ravix-cli pack --plain|--scrambled --versions V1 V2 IMAGE.hex [-o DIR] [--seed N]
// Turns a firmware image in Intel HEX into the update file xV1_V2.upd for the two
// controller versions V1 and V2 (four hexadecimal digits each, e.g. 1011). args are
// the words after "pack". 0 when the file was written, 1 when the image cannot
// become one, 2 for a usage error.
int PackCommand(const std::vector<std::string>& args);

}  // namespace ravix::cli
