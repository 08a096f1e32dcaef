#include "isp/isp.h"

#include <cstdio>

namespace ravix {

namespace {

// At most this many Programming Enable attempts, each followed by an extra clock
// pulse: an AVR out of step by any number of bits comes back within a few.
constexpr int kSyncAttempts = 35;

bool KnownFamily(uint32_t family) { return family >= 0x90 && family <= 0x94; }
constexpr uint32_t kLockedFamily = 0x01;
constexpr uint32_t kErasedFamily = 0xFF;
}  // namespace

// The AVR enters serial programming mode when RESET gets a positive pulse while SCK
// is low; it needs a pause before the first Programming Enable.
int Isp::PulseReset() {
  // The bit timing of the instructions that follow rests on a fresh measurement.
  link_.CalibrateDelay();
  if (link_.Lines().PulseProgrammingReset() != 0) return 1;
  link_.WaitMs(100);
  return 0;
}

// A longer pulse for an AVR that did not take the short one.
int Isp::PulseResetLong() {
  if (link_.Lines().PulseProgrammingResetLong() != 0) return 1;
  link_.WaitMs(100);
  return 0;
}

uint32_t Isp::Instruction(uint32_t firstWord, uint32_t secondWord) {
  link_.TxWord = firstWord;
  link_.TransferWord();
  link_.TxWord = secondWord;
  link_.TransferWord();
  return link_.RxWord() & 0xFF;
}

uint32_t Isp::ProgrammingEnable() {
  Instruction(kProgrammingEnable, 0x0000);
  ProgResponse = static_cast<uint16_t>(link_.RxWord() & 0xFFFF);
  return EnableEcho();
}

// The clock line on its own: the AVR counts one more bit than the tool sends, which
// moves its byte boundaries by one bit against the tool's.
void Isp::ExtraClockPulse() {
  link_.WaitMs(2);
  link_.Lines().SetClock(true);
  link_.WaitMs(2);
  link_.Lines().SetClock(false);
  link_.WaitMs(2);
}

uint32_t Isp::SyncProgramming() {
  for (int i = 0; EnableEcho() != kEnableEcho && i < kSyncAttempts; ++i) {
    if (ProgrammingEnable() != kEnableEcho) ExtraClockPulse();
  }
  return EnableEcho();
}

uint32_t Isp::ReadSignature() {
  uint32_t bytes[3];
  for (uint32_t a = 0; a < 3; ++a) bytes[a] = Instruction(kReadSignature, a * 0x100);
  SignatureFamily = static_cast<uint8_t>(bytes[1]);
  for (size_t a = 0; a < 3; ++a) Signature[a] = static_cast<uint8_t>(bytes[a]);
  // Each line is exactly 16 characters with its line end, so the three fill the
  // first 48 characters that the controller info keeps.
  char lines[64];
  std::snprintf(lines, sizeof lines, "Vendor Code: %02X\nPart Family: %02X\nPart Number: %02X\n", bytes[0],
                bytes[1], bytes[2]);
  InfoText = std::string(lines) + "Echo 53 received";
  return SignatureFamily;
}

int Isp::ConnectIsp() {
  if (link_.DetectSerialAdapter() != 0) return 1;
  link_.InitParallelAdapter();
  status_.StatusText = "connecting....\n";
  status_.ShowStatus();
  link_.SetRxWord(0);
  ProgResponse = 0;
  if (PulseReset() != 0) {
    status_.ErrorText = "COM-Init-Error!";
    return 1;
  }
  InfoText.clear();

  // First try: a device in step answers at once.
  if (ProgrammingEnable() == kEnableEcho) {
    DeviceKnown = true;
    if (KnownFamily(ReadSignature())) return 0;
  }
  // Second try after a fresh reset; the slow synchronisation only for a device that
  // was not found last time.
  PulseReset();
  if (ProgrammingEnable() != kEnableEcho && !DeviceKnown) SyncProgramming();
  // Third try with the long reset pulse first.
  if (EnableEcho() != kEnableEcho) {
    PulseResetLong();
    PulseReset();
    if (ProgrammingEnable() != kEnableEcho) SyncProgramming();
  }
  if (EnableEcho() != kEnableEcho) {
    status_.ErrorText = "No Connection!\n\n" + InfoText;
    DeviceKnown = false;
    return 1;
  }

  uint32_t family = ReadSignature();
  if (KnownFamily(family)) {
    DeviceKnown = true;
    return 0;
  }
  if (family == kLockedFamily) {
    // A locked AVR reads its signature as 00 01 02; read once more to be sure.
    PulseReset();
    ProgrammingEnable();
    family = ReadSignature();
    if (family == kLockedFamily) {
      status_.ErrorText = "Device locked!\n\n" + InfoText;
      DeviceKnown = true;
      return kDeviceLocked;
    }
  }
  if (family == kErasedFamily) {
    status_.Warn("Warning:", "Device Code erased!\n\n");
    DeviceKnown = true;
    return 0;
  }
  status_.ErrorText = "Unknown Device Code!\n\n" + InfoText;
  DeviceKnown = false;
  return 1;
}

}  // namespace ravix
