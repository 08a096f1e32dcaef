#include "script/tool_machine.h"

#include "sim/sim_adapter.h"
#ifdef _WIN32
#include "platform/win32/native_system.h"
#else
#include "platform/posix/native_system.h"
#endif

namespace ravix {

ToolMachine::ToolMachine(bool simulate, const std::string& simPlatform, bool virtualTime) {
  if (!simulate) {
    native_ = std::make_unique<NativeSystem>();
    return;
  }
  simClock_ = std::make_unique<sim::SimClock>(virtualTime);
  sim_ = std::make_unique<sim::SimAdapter>(*simClock_);
  sim_->platformId = simPlatform == "9x" ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT;
  sim_->driverPresent = simPlatform != "nt-nodriver";
}

ToolMachine::~ToolMachine() = default;

Clock& ToolMachine::clock() { return sim_ ? static_cast<Clock&>(*simClock_) : native_->clock; }
SerialPorts& ToolMachine::serial() { return sim_ ? static_cast<SerialPorts&>(*sim_) : native_->serial; }
Os& ToolMachine::os() { return sim_ ? static_cast<Os&>(*sim_) : native_->os; }

}  // namespace ravix
