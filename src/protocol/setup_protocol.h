#pragma once
#include <cstdint>

#include "link/link.h"
#include "status/status.h"

namespace ravix {

// Answers of the controller's setup firmware to the link check.
inline constexpr uint32_t kAnswerReady = 254;
inline constexpr uint32_t kAnswerOtherDevice = 253;

// The setup command set of the controller's firmware: restart into the firmware,
// the link check, one setting byte read or written, and the flash page commands.
// Every command is a sequence of byte exchanges; the controller's answer to a byte
// arrives during the following exchange.
class SetupProtocol {
 public:
  SetupProtocol(Link& link, Status& status) : link_(link), status_(status) {}

  int CurrentPage = -1;

  void RestartController();
  uint32_t LinkExchange();
  [[nodiscard]] int CheckLink();
  // One more link exchange after a run of setting reads: true when the firmware still
  // answers 254. A controller that fell silent leaves the input line idle, and every
  // byte read from it came back as 255 without any sign of trouble.
  [[nodiscard]] bool LinkStillReady();
  uint32_t ReadSettingByte(uint32_t address);
  int WriteSettingByte(uint32_t address, uint32_t value);
  [[nodiscard]] int WriteSettingByteChecked(uint32_t address, uint32_t value);
  void SelectPage();
  [[nodiscard]] int LoadPageByte(uint32_t offset, uint32_t data);
  [[nodiscard]] int CommitPage();

 private:
  // Sends a byte; what came back meanwhile is not looked at (an adapter that batches
  // does not wait for it).
  void Send(uint32_t byte);
  // Sends a byte and returns the answer that came back during it.
  uint32_t Exchange(uint32_t byte);

  Link& link_;
  Status& status_;
};

}  // namespace ravix
