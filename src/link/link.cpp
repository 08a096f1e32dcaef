#include "link/link.h"

namespace ravix {

void Link::SelectAdapter(AdapterKindId kind) {
  if (kind == AdapterKindId::Serial) {
    FtdiChips* chips = platform().serial.Ftdi();
    const std::string chip = chips ? chips->BitBangChipFor(PortName) : std::string();
    if (!chip.empty()) {
      kind = AdapterKindId::Ftdi;
      if (ftdi_.ChipSerial != chip) ftdi_.CloseChip();
      ftdi_.ChipSerial = chip;
    }
  } else if (kind == AdapterKindId::Ftdi) {
    const std::string chip(FtdiSerialOfPort(PortName));
    if (ftdi_.ChipSerial != chip) ftdi_.CloseChip();
    ftdi_.ChipSerial = chip;
  }
  // Queued line changes of the adapter left go onto its lines first.
  if (kind != selected_) Lines().SettleLines();
  selected_ = kind;
}

Adapter& Link::Lines() {
  switch (selected_) {
    case AdapterKindId::Serial: return serial_;
    case AdapterKindId::Ftdi: return ftdi_;
    case AdapterKindId::Parallel: break;
  }
  return parallel_;
}

std::string Link::FtdiChipBehindPort() {
  FtdiChips* chips = platform().serial.Ftdi();
  if (!chips || selected_ != AdapterKindId::Serial) return {};
  return chips->ChipBehindPort(PortName);
}

void Link::ClosePort() {
  if (serial_.ComPortOpen) serial_.CloseComPort();
  ftdi_.CloseChip();
}

}  // namespace ravix
