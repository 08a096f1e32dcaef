#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "link/link.h"
#include "status/status.h"

namespace ravix {

// Instruction words of the AVR serial programming interface: each four-byte
// instruction travels as two 16-bit exchanges, and the AVR shifts its output byte
// out while the fourth byte goes in (the low byte of the second answer).
inline constexpr uint32_t kProgrammingEnable = 0xAC53;
inline constexpr uint32_t kReadSignature = 0x3000;
inline constexpr uint32_t kReadCalibration = 0x3800;
inline constexpr uint32_t kReadFuseHigh = 0x5808;
inline constexpr uint32_t kReadFuseLow = 0x5000;
inline constexpr uint32_t kReadLockBits = 0x5800;
// The second instruction byte of Programming Enable, echoed while the third goes in
// when the AVR's bit counter is in step with the tool.
inline constexpr uint32_t kEnableEcho = 0x53;

// Results of ConnectIsp besides 0 and 1.
inline constexpr int kDeviceLocked = 2;

// The AVR's serial programming interface, reached through the adapter while the
// controller is held in reset: the reset pulses into programming mode, Programming
// Enable and its synchronisation, the signature read, and the connect that puts
// them together.
class Isp {
 public:
  Isp(Link& link, Status& status) : link_(link), status_(status) {}

  // Answer to the second word of the last Programming Enable; 0x53 in its high byte
  // when the AVR is in step.
  uint16_t ProgResponse = 0;
  // Part-family byte of the last signature read.
  uint8_t SignatureFamily = 0;
  // The three bytes of the last signature read (vendor, family, number).
  std::array<uint8_t, 3> Signature{};
  // The last connect found a device (good, locked or erased): a connect that misses
  // the echo on its second try then skips the slow synchronisation.
  bool DeviceKnown = false;
  // The three signature lines (16 characters each) and "Echo 53 received"; the
  // controller info keeps the first 48 characters.
  std::string InfoText;

  int PulseReset();
  int PulseResetLong();
  uint32_t ProgrammingEnable();
  uint32_t SyncProgramming();
  uint32_t ReadSignature();
  // 0 connected (known family, or erased after the warning), 1 no connection or
  // unknown device, 2 locked; on 1 and 2 ErrorText says why. The AVR stays in reset.
  [[nodiscard]] int ConnectIsp();

  // One four-byte instruction as two word exchanges; the low byte of the second
  // answer is the instruction's output byte.
  uint32_t Instruction(uint32_t firstWord, uint32_t secondWord);

  // The length of the signature lines at the start of InfoText.
  static constexpr size_t kSignatureLines = 48;

 private:
  uint32_t EnableEcho() const { return ProgResponse >> 8; }
  void ExtraClockPulse();

  Link& link_;
  Status& status_;
};

}  // namespace ravix
