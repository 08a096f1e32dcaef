#pragma once
#include <string>

#include "platform/file_access.h"
#include "platform/ui.h"

namespace ravix {

// The file of --log for one run, opened before anything happens.
struct SessionLogFile {
  std::string path;    // as the user gave it, for the messages
  AppendFile file;
  std::string header;  // the first record: the program and its command line
  bool failureTold = false;  // a write failed, and standard error has heard of it
};

// The session's record for a user who asks for help (--log FILE): every command a
// window received, every window, box, question and file dialog, and every text of
// the status field, each line with the time. It stands in front of the user
// interface that the tool would otherwise see and passes everything on unchanged.
// A record that cannot be written (a full disk) is told once on standard error; the
// command goes on as it would without a log.
class SessionLog : public Ui {
 public:
  // log: open, kept by the caller.
  SessionLog(Ui& inner, SessionLogFile& log);
  ~SessionLog() override;
  SessionLog(const SessionLog&) = delete;
  SessionLog& operator=(const SessionLog&) = delete;

  std::shared_ptr<Window> CreateWindow(const DialogResource& resource, Window* owner) override;
  int RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) override;
  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                           MessageButtons buttons = MessageButtons::Ok, std::string_view details = {}) override;
  void Beep() override;
  std::optional<std::string> OpenFileDialog(Window* owner, std::string_view title, std::string_view pattern) override;
  std::optional<std::string> SaveFileDialog(Window* owner, std::string_view title, std::string_view pattern,
                                            std::string_view suggested) override;
  void ShellOpen(const std::string& target) override;
  bool OpenDocument(const std::string& path) override;
  bool StopRequested() override;
  void Note(std::string_view line) override;
  bool EndRequested() override;

  // The log file, opened to append (made when missing; a link or anything but a
  // regular file is refused). False with the reason in why.
  static bool Open(SessionLogFile& log, const std::string& path, const std::string& header, std::string& why);

  // One line with the time in front, as one record.
  void Write(const std::string& line);

 private:
  Ui& inner_;
  SessionLogFile& log_;
  bool endLogged_ = false;
};

}  // namespace ravix
