#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "files/setup_file.h"
#include "files/update_file.h"
#include "link/link.h"
#include "platform/ui.h"
#include "protocol/setup_protocol.h"
#include "settings/settings_image.h"
#include "status/status.h"

namespace ravix {

// Holds the controller in reset and starts its firmware again, leaving the data line
// as it is; the firmware needs a full second before it takes page commands.
void RestartForUpdate(Link& link);

// Whether a line's first nine characters may be sent: a colon at position 4, four
// upper-case hexadecimal digits of address before it, two characters of 0x30 to
// 0x46 after it and two upper-case hexadecimal digits of data. The colon up to the
// at sign would pass a range test but name no address or byte.
bool UpdateLineCharactersValid(std::string_view line);
// The number of up to four hexadecimal digits at `position` of a file name, or -1
// when there is no digit there.
int VersionInFileName(std::string_view name, size_t position);

// What an update sends: its lines, and the pages it selects and commits (a page
// counts again when the lines come back to it after another).
struct UpdateShape {
  int lines = 0;
  int pages = 0;
};
// What the user is told before the update's question: how long it takes on this
// port, and over 10 minutes what would make it short.
std::string UpdateDurationText(Link& link, const UpdateShape& shape);
// The details of the update's question: the file, the controller versions its name
// gives, the version just read from the controller (or that it could not be read),
// the expected duration, and that the link must hold until the end.
std::string UpdateQuestionDetails(std::string_view fileName, int controllerVersion, Link& link,
                                  const UpdateShape& shape);
// The lines and pages of the update file at path, read as the update reads them;
// false with the reason in why when it is no update file the tool would send.
bool ShapeOfUpdateFile(const std::string& path, Status& status, UpdateShape& shape, std::string& why);

// Menu "Open Update File" (command 1147): chooses an update file, identifies the
// controller, checks that both belong together, and sends the file into the
// controller's flash page by page. Over the serial adapter only.
class FirmwareUpdate {
 public:
  FirmwareUpdate(Ui& ui, Status& status, Link& link, SetupProtocol& protocol, SetupFile& setupFile,
                 UpdateFile& updateFile, SettingsState& settings)
      : ui_(ui),
        status_(status),
        link_(link),
        protocol_(protocol),
        setupFile_(setupFile),
        updateFile_(updateFile),
        settings_(settings) {}

  void Run(Window& main);

 private:
  void RunSteps(Window& main);
  // Steps 1 to 6: the file chosen, read once into the snapshot and remembered.
  // False after the refusal has been shown.
  bool ChooseFile(UpdateFiles& files);
  // Steps 7 to 9: the controller restarted and its version word read; false after
  // the failure has been shown.
  bool Identify(Window& main, UpdateFiles& files, int& version);
  // Steps 10 to 15: file and controller belong together, every line can be sent,
  // and the user agrees. False when the update ends here.
  bool CheckAndAsk(UpdateFiles& files, int version, UpdateShape& shape);
  // The kind, a scrambled file's checksum, and then every line that the transfer
  // would send, put through the transfer's own checks. False after the failure has
  // been shown; shape says what the transfer sends.
  bool DetectAndCheck(UpdateFiles& files, UpdateShape& shape);
  bool CheckEveryLine(UpdateFiles& files, UpdateShape& shape);
  // A scrambled update's temp.tmp is made new: anything that has the name already is
  // refused before the question (and left as it is). False after the refusal.
  bool TempFileFree(UpdateFiles& files);
  // Asks the question that starts the transfer, its details saying how long it takes; false (the status line blank) when
  // the user says no, or when the program is to end before the transfer starts.
  bool AskToStart(UpdateFiles& files, const char* question, const UpdateShape& shape);
  // Opens the data for the transfer; false after the failure has been shown.
  bool OpenData(UpdateFiles& files);
  // Sends every line, blinking the status line a second after lastBlinkTime and
  // every second after; false after a failure has been shown.
  bool Transfer(Window& main, UpdateFiles& files, uint32_t lastBlinkTime, const UpdateShape& shape);
  // Steps 20 to 23: the last page committed and the RC-setup lock released.
  void Finish(UpdateFiles& files);
  // Shows why a line cannot be sent, with the status line and files as the transfer
  // leaves them; false when the line is fine.
  bool RefuseLine(std::string_view line, UpdateFiles& files);
  void Refuse(UpdateFiles& files, const char* text, const char* caption = "");
  void Blink(Window& main, uint32_t& lastBlinkTime);
  void EndBlank() { status_.EndFieldBlank(); }

  Ui& ui_;
  Status& status_;
  Link& link_;
  SetupProtocol& protocol_;
  SetupFile& setupFile_;
  UpdateFile& updateFile_;
  SettingsState& settings_;
};

// The handler of command 1147 on the main window, given the tool's state (a template so
// that this layer needs nothing from the application layer above it).
template <typename ToolState>
void RunFirmwareUpdate(ToolState& tool, Window& main) {
  FirmwareUpdate update(tool.platform.ui, tool.status, tool.link, tool.protocol, tool.setupFile, tool.updateFile,
                        tool.settings);
  update.Run(main);
}

}  // namespace ravix
