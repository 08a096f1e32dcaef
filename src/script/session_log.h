#pragma once
#include <cstdio>
#include <string>

#include "platform/file_access.h"
#include "platform/ui.h"

namespace ravix {

// The session's record for a user who asks for help (--log FILE): every command a
// window received, every window, box, question and file dialog, and every text of
// the status field, each line with the time. It stands in front of the user
// interface that the tool would otherwise see and passes everything on unchanged.
class SessionLog : public Ui {
 public:
  // file: open for appending, kept by the caller. header: the first line (the
  // program and its command line).
  SessionLog(Ui& inner, std::FILE* file, const std::string& header);
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

  // The log file, opened to append (made when missing; a link or anything but a
  // regular file is refused). Null with the reason in why.
  static FilePtr Open(const std::string& path, std::string& why);

  // One line with the time in front.
  void Write(const std::string& line);

 private:
  Ui& inner_;
  std::FILE* file_;
};

}  // namespace ravix
