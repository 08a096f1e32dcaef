#pragma once
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/ui.h"

namespace ravix {

namespace script {
class Args;
}

namespace sim {
class SimAdapter;
}

// Drives the tool from a script (SCRIPTING.md). It is the user interface the tool
// sees: windows come from the backend (headless, or the Qt widgets), but a modal
// window runs by pulling script lines and acting on the innermost modal window
// until it ends; message boxes and the open-file dialog are answered from the
// script's queues; every such event goes to the transcript.
//
// A line that cannot be run prints "error LINE: WHY" and stops the run: every open
// window then ends (result 2) without a command and nothing more is printed; a
// question box that still comes is answered cancel, the file dialog returns nothing.
// The end of the script closes the open windows the same way, and so does a request
// from outside to end the program (EndRequested) before the next line.
class ScriptEngine : public Ui {
 public:
  static constexpr int kExitError = 2;
  // The result of a window that the script's end or an error closed.
  static constexpr int kClosedResult = 2;

  // sim: the simulated adapter for "sim" lines; null without --simulate.
  ScriptEngine(Ui& backend, Clock& clock, std::istream& script, std::ostream& transcript,
               sim::SimAdapter* sim = nullptr);
  ~ScriptEngine() override;
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  // After the tool has ended: a script line left over cannot be run any more (it is
  // reported as an error). Then the exit status.
  int Finish();
  // 0 when the script ran to its end, 2 when a line could not be run.
  int ExitStatus() const { return failed_ ? kExitError : 0; }

  // Called once when the script has ended or failed, while the windows that were
  // open then are still open (a front end may take their pictures).
  std::function<void()> OnScriptEnd;

  std::shared_ptr<Window> CreateWindow(const DialogResource& resource, Window* owner) override;
  int RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) override;
  MessageResult MessageBox(Window* owner, std::string_view caption, std::string_view text,
                           MessageButtons buttons = MessageButtons::Ok, std::string_view details = {}) override;
  void Beep() override;
  std::optional<std::string> OpenFileDialog(Window* owner, std::string_view title,
                                            std::string_view pattern) override;
  std::optional<std::string> SaveFileDialog(Window* owner, std::string_view title, std::string_view pattern,
                                            std::string_view suggested) override;
  void ShellOpen(const std::string& target) override;
  // Prints the document as a file dialog's choice is printed: inside the start
  // directory, relative to it.
  bool OpenDocument(const std::string& path) override;

 private:
  void PrintSimFaults();
  struct Modal {
    Window* window;
    WindowHandler* handler;
  };

  void RunNextLine();
  void RunLine(const std::vector<std::string>& words);
  // The script's commands, one each; words is the whole line, args its words after the command.
  void PressLine(const std::vector<std::string>& words, script::Args& args, Window& window);
  void TypeLine(const std::vector<std::string>& words, script::Args& args, Window& window);
  void CheckLine(const std::vector<std::string>& words, script::Args& args, Window& window);
  void SelectLine(const std::vector<std::string>& words, script::Args& args, Window& window);
  void AnswerLine(const std::vector<std::string>& words, script::Args& args, Window& window);
  void ChooseLine(const std::vector<std::string>& words, script::Args& args, Window& window);
  void ShowLine(const std::vector<std::string>& words, script::Args& args, Window& window);
  void TraceLine(const std::vector<std::string>& words, script::Args& args, Window& window);
  void WaitLine(const std::vector<std::string>& words, script::Args& args, Window& window);
  void SimLine(const std::vector<std::string>& words, script::Args& args, Window& window);
  bool NextLine(std::string& line);
  bool ReadLine(std::string& line);
  void Print(const std::string& line);
  void Fail(const std::string& why);
  void Stop(bool failed);

  // Window commands on the active window.
  void Press(Window& window, WindowHandler& handler, int id);
  void Type(Window& window, int id, const std::string& text);
  void Check(Window& window, int id, bool on);
  void Select(Window& window, int id, int index);
  void Show(Window& window, const std::vector<int>& ids);
  void ShowMenu(Window& window, const std::vector<int>& ids);
  const ControlResource& Control(const Window& window, int id) const;
  std::string ShownPath(const std::filesystem::path& path) const;
  std::optional<std::string> TakeFileChoice(bool moveToFolder);

  Ui& backend_;
  Clock& clock_;
  std::istream& script_;
  std::ostream& transcript_;
  sim::SimAdapter* sim_;
  std::filesystem::path startDirectory_;

  // Longer than any line a person writes; a script without line breaks (a device,
  // a binary file) stops there instead of filling the memory.
  static constexpr size_t kMaxLineBytes = 64 * 1024;

  int lineNumber_ = 0;
  std::string readError_;
  bool tooLong_ = false;
  bool stopped_ = false;
  bool failed_ = false;
  bool scriptTyping_ = false;  // the script itself changes a text: not traced
  std::vector<Modal> modals_;  // innermost last
  std::vector<std::weak_ptr<Window>> windows_;  // every window created, for their hooks
  std::set<int> traced_;
  std::deque<MessageResult> answers_;  // queued question-box answers, oldest first
  std::deque<std::optional<std::string>> choices_;  // queued file-dialog results
};

}  // namespace ravix
