#pragma once
#include <array>
#include <cstdint>
#include <cstddef>
#include <optional>

namespace ravix {

// The controller's setting memory: single bytes at addresses 0 to 57. Eight settings
// exist once per slot (the active set scattered, the two model memories contiguous);
// the rest belong to the active set or identify the controller.

enum class SettingSlot { Active, Memory1, Memory2 };

// The settings that each slot holds, in the order of a model memory's bytes.
enum class SlotSetting {
  OptionFlags,      // OptionFlags bit set
  PwmCode,          // 9 or 10 by the clock; 255 in a memory that holds nothing
  BrakeStrength,    // brake list index 0 to 3
  TimingCode,       // 1, 2, 4, 8 or 16
  StartupPower,     // 1 to 50
  Overtemperature,  // 3 = on, 1 = off
  ThresholdCode,    // low-voltage cut-off in steps of 6/55 V; 255 = 0.8 V per cell
  LowVoltageMode,   // 1 = ignore, 2 = reduce power, 3 = switch off
};

// The controller types the tool knows: 1 the full controller, 3 the reduced one.
inline constexpr int kFullControllerType = 1;
inline constexpr int kReducedControllerType = 3;
constexpr bool SupportedControllerType(int type) { return type == kFullControllerType || type == kReducedControllerType; }
// The active set's three pulse widths, in the order a Read shows them.
enum PulseIndex : size_t { kFullSpeedPulse, kNeutralPulse, kStopPulse, kPulseCount };

// The counters of the active set's log, in the order a Read reads them.
enum CounterIndex : size_t {
  kTransmitterFailureCount,
  kOvertemperatureCount,
  kUndervoltageCount,
  kBlockedMotorCount,
  kCounterCount
};

// One slot's settings as the controller's own numbers, and the controller they came
// from. Each byte is empty where it was not read: the brake strength is only read
// with the EMF-brake flag set, the RPM marker only with the RPM-control flag, the
// blocked-motor counter only with that feature, and a model memory has none of the
// active set's own bytes.
struct SettingsValues {
  static constexpr int kVersionAtStart = 50000;
  static constexpr int kVersionInvalid = 65535;
  static constexpr int kVersionReadLimit = 40000;  // above it no values have been read

  // The identity: version word (major byte * 256 + minor byte), feature byte, clock.
  int ControllerVersion = kVersionAtStart;
  uint8_t Features = 0;
  int ClockMhz = 0;

  SettingSlot slot = SettingSlot::Active;
  // The slot's bytes, indexed by SlotSetting.
  std::array<std::optional<uint8_t>, 8> slotBytes{};

  // The active set's own values, in PulseIndex and CounterIndex order.
  std::array<std::optional<uint16_t>, kPulseCount> pulseCounts{};
  std::optional<uint8_t> controlSpeed;
  std::optional<uint8_t> signalTolerance;  // 1 small, 2 medium, 3 high
  std::optional<uint16_t> rpmControlWord;
  std::optional<uint8_t> rpmMarker;
  std::array<std::optional<uint8_t>, kCounterCount> counters{};

  std::optional<uint8_t>& Byte(SlotSetting setting) { return slotBytes[static_cast<size_t>(setting)]; }
  const std::optional<uint8_t>& Byte(SlotSetting setting) const { return slotBytes[static_cast<size_t>(setting)]; }
  // The option flags, 0 where they were not read.
  uint8_t Flags() const { return Byte(SlotSetting::OptionFlags).value_or(0); }

  // Forgets the slot's bytes and the active set's own values; the identity stays.
  void ForgetSettings(SettingSlot newSlot) {
    const SettingsValues fresh;
    slot = newSlot;
    slotBytes = fresh.slotBytes;
    if (newSlot != SettingSlot::Active) return;
    pulseCounts = fresh.pulseCounts;
    controlSpeed = signalTolerance = rpmMarker = std::nullopt;
    rpmControlWord = std::nullopt;
    counters = fresh.counters;
  }

  bool ValuesRead() const { return ControllerVersion <= kVersionReadLimit; }
  int ControllerType() const { return (ControllerVersion >> 12) & 0xF; }
  // Type 3 is the reduced controller: no brake, no cut-off modes, no memories.
  bool ReducedController() const { return ControllerType() == kReducedControllerType; }
  int Release() const { return ControllerVersion & 0xFFF; }
  int MinorByte() const { return ControllerVersion & 0xFF; }
};

}  // namespace ravix
