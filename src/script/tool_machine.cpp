#include "script/tool_machine.h"

#include "sim/sim_adapter.h"
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
SerialPorts& ToolMachine::serial() { return sim_ ? static_cast<SerialPorts&>(*sim_) : native_->serial; }
Os& ToolMachine::os() { return sim_ ? static_cast<Os&>(*sim_) : native_->os; }

}  // namespace ravix
