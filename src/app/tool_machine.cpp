#include "app/tool_machine.h"

#include <filesystem>
#include <span>
#include <system_error>

#include "platform/file_access.h"
#include "sim/sim_adapter.h"
#include "sim/sim_state.h"
#ifdef _WIN32
#include "platform/win32/native_system.h"
#else
#include "platform/posix/native_system.h"
#endif

namespace ravix {

bool ToolMachine::KnownSimAdapter(const std::string& name) { return sim::FindAdapterModel(name) != nullptr; }

std::string ToolMachine::SimAdapterNames() { return std::string(sim::AdapterModelNames()); }

bool ToolMachine::ParseTiming(const std::string& word, Timing& timing) {
  if (word == "specified") timing = Timing::Specified;
  else if (word == "port-aware") timing = Timing::PortAware;
  else return false;
  return true;
}

ToolMachine::ToolMachine(bool simulate, const std::string& simPlatform, bool virtualTime,
                         const std::string& simAdapter) {
  if (!simulate) {
    native_ = std::make_unique<NativeSystem>();
    return;
  }
  simClock_ = std::make_unique<sim::SimClock>(virtualTime);
  sim_ = std::make_unique<sim::SimAdapter>(*simClock_);
  sim_->platformId = simPlatform == "9x" ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT;
  sim_->driverPresent = simPlatform != "nt-nodriver";
  if (const sim::AdapterModel* model = sim::FindAdapterModel(simAdapter)) sim_->SetModel(*model);
}

ToolMachine::~ToolMachine() = default;

Clock& ToolMachine::clock() { return sim_ ? static_cast<Clock&>(*simClock_) : native_->clock; }
namespace {

constexpr size_t kMaxSimStateBytes = 1 << 20;  // a whole state is about 30 KB

// What stands at path: nothing (false, why empty), a state file of ours (true, its
// text in text), or something else (false, why says what).
bool ReadOwnState(const std::string& path, std::string& text, std::string& why) {
  why.clear();
  std::error_code error;
  const auto status = std::filesystem::symlink_status(path, error);
  if (status.type() == std::filesystem::file_type::not_found) return false;
  if (error) {
    why = error.message();
    return false;
  }
  if (std::filesystem::is_symlink(status)) {
    why = "is a symbolic link; give the state file itself";
    return false;
  }
  const auto bytes = ReadRegularFile(path, kMaxSimStateBytes, &why);
  if (!bytes) return false;
  text.assign(bytes->begin(), bytes->end());
  if (sim::LooksLikeSimState(text)) return true;
  why = std::string("is no simulated controller's state (its first line is not \"") + sim::kSimStateMagic + " " +
        std::to_string(sim::kSimStateVersion) + "\")";
  return false;
}

}  // namespace

bool ToolMachine::KeepSimStateIn(const std::string& path, std::string& why) {
  if (!sim_) {
    why = "--sim-state needs --simulate";
    return false;
  }
  std::string text, problem;
  const bool ours = ReadOwnState(path, text, problem);
  if (ours && !sim::LoadSimStateText(text, sim_->controller, problem)) {
    why = path + ": " + problem;
    return false;
  }
  if (!ours && !problem.empty()) {
    why = path + ": " + problem;
    return false;
  }
  // A state that could not land at the end would be noticed only after the run.
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::absolute(path, error).parent_path();
  if (!ours && !std::filesystem::is_directory(folder, error)) {
    why = path + ": no folder " + folder.string() + " to keep it in";
    return false;
  }
  // The file dialogs move the current directory; the state goes back where it was named.
  simStatePath_ = std::filesystem::absolute(path, error).string();
  if (error) simStatePath_ = path;
  simStateName_ = path;
  return true;
}

bool ToolMachine::StoreSimState(std::string& why) {
  if (simStatePath_.empty() || !sim_) return true;
  std::string old, problem;
  if (!ReadOwnState(simStatePath_, old, problem) && !problem.empty()) {
    why = simStateName_ + ": " + problem + "; left as it is, the simulated controller was not kept";
    return false;
  }
  const std::string text = sim::SimStateText(sim_->controller);
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  if (!ReplaceFile(simStatePath_, std::span<const uint8_t>(bytes, text.size()), &problem)) {
    why = simStateName_ + ": cannot write the simulated controller's state: " + problem;
    return false;
  }
  return true;
}

SerialPorts& ToolMachine::serial() { return sim_ ? static_cast<SerialPorts&>(*sim_) : native_->serial; }
Os& ToolMachine::os() { return sim_ ? static_cast<Os&>(*sim_) : native_->os; }

}  // namespace ravix
