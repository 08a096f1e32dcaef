#include "protocol/setup_protocol.h"

#include "protocol/link_check.h"
#include "status/messages.h"

namespace ravix {

namespace {
// The setting commands' own link check: its boxes have no owner, and a controller of
// another kind is named in English.
constexpr LinkCheck kSettingsCheck{
    .steps = {},
    .noAdapter = {.tell = Tell::ErrorBox, .blankField = true},
    .otherDevice = {.tell = Tell::Message, .caption = "ERROR!", .text = "device not supported!"},
    .noAnswer = {.tell = Tell::Message, .caption = "ERROR!", .text = msg::kNoConnection},
};

constexpr uint32_t kReadByte = 85;    // 'U'
constexpr uint32_t kWriteByte = 86;   // 'V'
constexpr uint32_t kSelectPage = 87;  // 'W'
constexpr uint32_t kLoadByte = 89;    // 'Y'
constexpr uint32_t kCommit1 = 88;     // 'X'
constexpr uint32_t kCommit2 = 85;     // 'U'
constexpr uint32_t kCommit3 = 51;     // '3'
}  // namespace

void SetupProtocol::Send(uint32_t byte) {
  link_.TxWord = byte;
  link_.TransferByte();
}

uint32_t SetupProtocol::Exchange(uint32_t byte) {
  Send(byte);
  return link_.RxWord();
}

void SetupProtocol::RestartController() {
  // Held in reset with data high and clock low; on release the firmware starts and
  // needs half a second before it listens. Both adapters carry the same three roles,
  // and each line changes on its own, in the same order.
  Adapter& lines = link_.Lines();
  lines.SetReset(false);
  lines.SetData(true);
  lines.SetClock(false);
  link_.WaitMs(100);
  lines.SetReset(true);
  link_.WaitMs(500);
}

uint32_t SetupProtocol::LinkExchange() {
  Send(kAnswerReady);
  link_.SetRxWord(0);
  return Exchange(kAnswerReady);
}

int SetupProtocol::CheckLink() {
  const auto field = status_.StatusWindow.lock();
  const LinkOutcome outcome =
      CheckLinkFor(*this, link_, status_, kSettingsCheck, nullptr, field.get(), [this] { status_.SetField(" "); });
  return outcome == LinkOutcome::Ready ? 0 : 1;
}

bool SetupProtocol::LinkStillReady() { return LinkExchange() == kAnswerReady; }

uint32_t SetupProtocol::ReadSettingByte(uint32_t address) {
  Send(kReadByte);
  link_.WaitMs(5);
  link_.WaitMs(5);
  Send(address & 0xFF);
  link_.WaitMs(5);
  return Exchange(0) & 0xFF;
}

int SetupProtocol::WriteSettingByte(uint32_t address, uint32_t value) {
  value &= 0xFF;
  link_.WaitMs(5);
  Send(kWriteByte);
  link_.WaitMs(5);
  Send(address & 0xFF);
  link_.WaitMs(5);
  Send(value);
  link_.WaitMs(5);
  link_.WaitMs(20);
  return Exchange(0) == value ? 0 : 1;
}

int SetupProtocol::WriteSettingByteChecked(uint32_t address, uint32_t value) {
  if (WriteSettingByte(address, value) == 0) return 0;
  status_.Refuse("Error!", "writing error!");
  return 1;
}

void SetupProtocol::SelectPage() {
  Send(kSelectPage);
  link_.ShortDelay(4);
  Send(static_cast<uint32_t>(CurrentPage) & 0xFF);
  link_.ShortDelay(4);
}

int SetupProtocol::LoadPageByte(uint32_t offset, uint32_t data) {
  // Both travel as bytes and come back as bytes: compare what was sent.
  offset &= 0xFF;
  data &= 0xFF;
  Send(kLoadByte);
  link_.ShortDelay(4);
  Send(offset);
  link_.ShortDelay(4);
  if (Exchange(data) != offset) return 1;
  link_.ShortDelay(4);
  if (Exchange(0) != data) return 1;
  link_.ShortDelay(4);
  return 0;
}

int SetupProtocol::CommitPage() {
  link_.ShortDelay(4);
  Send(kCommit1);
  link_.ShortDelay(4);
  Send(kCommit2);
  link_.ShortDelay(4);
  Send(kCommit3);
  link_.WaitMs(40);
  const uint32_t answer = Exchange(kCommit3);
  link_.ShortDelay(4);
  // The whole page number is compared: a page above 255 is never confirmed.
  return static_cast<int>(answer) == CurrentPage ? 0 : 1;
}

}  // namespace ravix
