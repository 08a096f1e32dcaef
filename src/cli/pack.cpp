#include "cli/pack.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#include <CLI/CLI.hpp>

#include "files/intel_hex.h"
#include "files/update_file.h"
#include "platform/file_access.h"
#include "platform/text.h"
#include "settings/settings_image.h"

namespace ravix::cli {

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: ravix-cli pack --plain|--scrambled --versions V1 V2 IMAGE.hex [-o DIR] [--seed N]\n"
    "  Writes the update file xV1_V2.upd (into DIR, default the current directory) for the\n"
    "  controller versions V1 and V2, four hexadecimal digits each (e.g. 1011 for V 10.11).\n";

int Usage(const std::string& why) {
  std::fprintf(stderr, "ravix-cli pack: %s\n%s", why.c_str(), kUsage);
  return 2;
}

int Fail(const std::string& why) {
  std::fprintf(stderr, "ravix-cli pack: %s\n", why.c_str());
  return 1;
}

// Four hexadecimal digits of a controller type the tool supports (1 or 3), upper case.
std::optional<std::string> VersionDigits(const std::string& text) {
  if (text.size() != 4) return std::nullopt;
  std::string digits;
  for (char c : text) {
    const int value = HexDigitValue(c);
    if (value < 0) return std::nullopt;
    digits.push_back("0123456789ABCDEF"[value]);
  }
  if (!SupportedControllerType(HexDigitValue(digits[0]))) return std::nullopt;
  return digits;
}

// A seed that follows from the image, so that packing the same image twice gives the same file.
uint32_t SeedFromBytes(const std::vector<UpdateByte>& bytes) {
  uint32_t hash = 2166136261u;
  for (const auto& byte : bytes) {
    for (uint32_t part : {static_cast<uint32_t>(byte.address & 0xFF), static_cast<uint32_t>(byte.address >> 8),
                          static_cast<uint32_t>(byte.data)}) {
      hash ^= part;
      hash *= 16777619u;
    }
  }
  return hash;
}

// Written beside the target and renamed over it only when whole: a full disk leaves
// the update file that was there as it was, never a partial one under its name.
bool WriteFile(const fs::path& path, const void* data, size_t size, std::string& why) {
  return ReplaceFile(path.string(), {static_cast<const uint8_t*>(data), size}, &why);
}

// What the command line asks for.
struct PackOptions {
  bool scrambled = false;
  std::string version1, version2, image, outDir = ".";
  std::optional<uint32_t> seed;
};

// The options, or the usage error's exit status (0 after --help).
std::optional<int> ParsePackOptions(const std::vector<std::string>& args, PackOptions& o) {
  CLI::App app{"Turns a firmware image in Intel HEX into the update file xV1_V2.upd", "ravix-cli pack"};
  app.allow_windows_style_options(false);
  bool plain = false;
  std::vector<std::string> versions;
  std::string seed;
  auto* plainFlag = app.add_flag("--plain", plain, "a plain text update file");
  auto* scrambledFlag = app.add_flag("--scrambled", o.scrambled, "a scrambled update file");
  plainFlag->excludes(scrambledFlag);
  app.add_option("--versions", versions, "the two controller versions, four hexadecimal digits each")
      ->expected(2)
      ->allow_extra_args(false);
  app.add_option("-o", o.outDir, "the directory for the update file (default: the current one)");
  app.add_option("--seed", seed, "the scrambling seed (default: one that follows from the image)");
  app.add_option("IMAGE", o.image, "the firmware image (Intel HEX)");
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // the parser takes them last first
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp& e) {
    std::fputs(kUsage, stdout);
    // The options, without the usage line the parser would make of them.
    const std::string help = app.help();
    const size_t options = help.find("Options:");
    if (options != std::string::npos) std::fputs(("\n" + help.substr(options)).c_str(), stdout);
    return 0;
  } catch (const CLI::ParseError& e) {
    return Usage(e.what());
  }
  if (!plain && !o.scrambled) return Usage("choose --plain or --scrambled");
  if (versions.empty()) return Usage("--versions V1 V2 is needed: the update file is named after them");
  const auto v1 = VersionDigits(versions[0]), v2 = VersionDigits(versions[1]);
  if (!v1 || !v2) return Usage("a version is four hexadecimal digits of controller type 1 or 3, such as 1011 or 3011");
  o.version1 = *v1, o.version2 = *v2;
  if (!seed.empty()) {
    try {
      size_t used = 0;
      const unsigned long long value = std::stoull(seed, &used, 0);
      if (used != seed.size() || value > 0xFFFFFFFFull) throw std::out_of_range("seed");
      o.seed = static_cast<uint32_t>(value);
    } catch (const std::exception&) {
      return Usage("--seed needs a number from 0 to 0xFFFFFFFF");
    }
  }
  if (o.image.empty()) return Usage("no Intel HEX image given");
  return std::nullopt;
}

}  // namespace

int PackCommand(const std::vector<std::string>& args) {
  PackOptions options;
  if (const auto status = ParsePackOptions(args, options)) return *status;
  const std::string& image = options.image;

  std::ifstream in(image, std::ios::binary);
  if (!in) return Fail("cannot open " + image);
  std::ostringstream text;
  text << in.rdbuf();
  const IntelHexResult parsed = ParseIntelHex(text.str());
  if (!parsed.Ok()) return Fail(image + ": " + parsed.error);
  std::vector<UpdateByte> bytes;
  if (const std::string why = UpdateBytesFromImage(parsed.image, bytes); !why.empty()) return Fail(image + ": " + why);

  const fs::path out = fs::path(options.outDir) / ("x" + options.version1 + "_" + options.version2 + ".upd");
  bool written;
  std::string kind, why;
  if (options.scrambled) {
    ScrambledHeaderInfo info;
    info.version1 = static_cast<uint16_t>(std::stoul(options.version1, nullptr, 16));
    info.version2 = static_cast<uint16_t>(std::stoul(options.version2, nullptr, 16));
    uint32_t used = 0;
    const std::vector<uint8_t> file =
        PackScrambledUpdate(bytes, info, options.seed.value_or(SeedFromBytes(bytes)), &used);
    written = WriteFile(out, file.data(), file.size(), why);
    char description[48];
    std::snprintf(description, sizeof description, "scrambled, seed 0x%08X", static_cast<unsigned>(used));
    kind = description;
  } else {
    const std::string file = PackPlainUpdate(bytes);
    written = WriteFile(out, file.data(), file.size(), why);
    kind = "plain";
  }
  if (!written) return Fail("cannot write " + out.string() + ": " + why);
  std::printf("%s: %zu bytes from 0x%04X to 0x%04X, pages %d to %d, %s\n", out.string().c_str(), bytes.size(),
              static_cast<unsigned>(bytes.front().address), static_cast<unsigned>(bytes.back().address),
              bytes.front().address / 64, bytes.back().address / 64, kind.c_str());
  return 0;
}

}  // namespace ravix::cli
