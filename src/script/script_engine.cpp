#include "script/script_engine.h"

#include <iostream>
#include <istream>
#include <ostream>
#include <stdexcept>
#include <system_error>

#include "resources/ids.h"
#include "script/script_args.h"
#include "script/script_names.h"
#include "script/script_sim.h"
#include "script/script_words.h"
#include "sim/sim_adapter.h"

namespace ravix {

using script::Args;
using script::Quote;
using script::ScriptError;

namespace {

constexpr uint32_t kMaxId = 0xFFFF;

std::string OwnerName(const Window* owner) {
  if (!owner) return "none";
  return owner->DialogId() == IDD_MAIN ? "main" : "dialog";
}

bool IsButton(ControlKind kind) {
  return kind == ControlKind::CheckBox || kind == ControlKind::RadioButton ||
         kind == ControlKind::AutoRadioButton;
}

bool IsBlankLine(const std::string& line) {
  const size_t first = line.find_first_not_of(" \t");
  return first == std::string::npos || line[first] == '#';
}

// A control or command by its number or by its name in the window.
int TakeId(Args& args, const Window& window) {
  const std::string& word = args.Word("ID");
  if (const auto value = script::ParseNumber(word)) {
    if (*value > kMaxId) throw ScriptError{"ID " + word + " is out of range (0 to " + std::to_string(kMaxId) + ")"};
    return static_cast<int>(*value);
  }
  if (const auto id = script::IdOfName(window.DialogId(), word)) return *id;
  if (word.empty() || (word[0] >= '0' && word[0] <= '9')) throw ScriptError{Quote(word) + " is not a number"};
  throw ScriptError{"dialog " + std::to_string(window.DialogId()) + " has no control or command named " + Quote(word)};
}

std::vector<int> Ids(Args& args, const Window& window) {
  std::vector<int> ids;
  do ids.push_back(TakeId(args, window));
  while (args.More());
  return ids;
}

}  // namespace

ScriptEngine::ScriptEngine(Ui& backend, Clock& clock, std::istream& script, std::ostream& transcript,
                           sim::SimAdapter* sim)
    : backend_(backend), clock_(clock), script_(script), transcript_(transcript), sim_(sim) {
  std::error_code error;
  startDirectory_ = std::filesystem::current_path(error);
}

ScriptEngine::~ScriptEngine() {
  // Windows and the adapter may outlive the engine: their hooks must not call it.
  for (auto& weak : windows_)
    if (auto window = weak.lock()) window->OnTextChanged = nullptr;
  if (sim_) sim_->onWire = nullptr;
}

std::shared_ptr<Window> ScriptEngine::CreateWindow(const DialogResource& resource, Window* owner) {
  auto window = backend_.CreateWindow(resource, owner);
  window->OnTextChanged = [this](int id, const std::string& text) {
    if (!scriptTyping_ && traced_.count(id)) Print("set " + std::to_string(id) + " " + Quote(text));
  };
  std::erase_if(windows_, [](const std::weak_ptr<Window>& weak) { return weak.expired(); });
  windows_.push_back(window);
  return window;
}

int ScriptEngine::RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) {
  if (stopped_) {
    window->End(kClosedResult);
    return window->Result();
  }
  const std::string id = std::to_string(window->DialogId());
  Print("dialog " + id);
  modals_.push_back({window.get(), &handler});
  while (!window->Ended() && !stopped_) RunNextLine();
  modals_.pop_back();
  if (!window->Ended()) {
    // The script has ended or failed: the window closes without a command.
    window->End(kClosedResult);
    return window->Result();
  }
  Print("end " + id + " " + std::to_string(window->Result()));
  return window->Result();
}

MessageResult ScriptEngine::MessageBox(Window* owner, std::string_view caption, std::string_view text,
                                       MessageButtons buttons, std::string_view details) {
  // The system's reason goes beside the transcript, which stays as the tool words it.
  if (!details.empty() && !stopped_) std::cerr << "details: " << details << '\n';
  if (buttons == MessageButtons::Ok) {
    Print("box " + OwnerName(owner) + " " + Quote(caption) + " " + Quote(text));
    return MessageResult::Ok;
  }
  // Once the run has stopped nobody is left to agree to anything.
  MessageResult answer = stopped_ ? MessageResult::Cancel : MessageResult::Ok;
  if (!stopped_ && !answers_.empty()) {
    answer = answers_.front();
    answers_.pop_front();
  }
  Print("ask " + OwnerName(owner) + " " + Quote(caption) + " " + Quote(text) + " -> " +
        (answer == MessageResult::Ok ? "ok" : "cancel"));
  return answer;
}

void ScriptEngine::Beep() { Print("beep"); }

// The next queued choice of a file dialog, printed, as a full path; nothing when none is
// queued. moveToFolder: the open dialog leaves the current directory at the file's
// folder, as the desktop's does; the save dialog leaves it where it is.
std::optional<std::string> ScriptEngine::TakeFileChoice(bool moveToFolder) {
  std::optional<std::string> choice;
  if (!stopped_ && !choices_.empty()) {
    choice = choices_.front();
    choices_.pop_front();
  }
  if (!choice) {
    Print("choose -> none");
    return std::nullopt;
  }
  std::error_code error;
  const std::filesystem::path path = std::filesystem::absolute(*choice, error).lexically_normal();
  if (moveToFolder) std::filesystem::current_path(path.parent_path(), error);
  Print("choose -> " + Quote(ShownPath(path)));
  return path.string();
}

std::optional<std::string> ScriptEngine::OpenFileDialog(Window*, std::string_view, std::string_view) {
  return TakeFileChoice(true);
}

// The same queue of choices as the open-file dialog.
std::optional<std::string> ScriptEngine::SaveFileDialog(Window*, std::string_view, std::string_view,
                                                        std::string_view) {
  return TakeFileChoice(false);
}

void ScriptEngine::ShellOpen(const std::string& target) { Print("open " + Quote(target)); }

bool ScriptEngine::OpenDocument(const std::string& path) {
  Print("open " + Quote(ShownPath(std::filesystem::path(path).lexically_normal())));
  return true;
}

// Transcripts must not depend on where a run takes place: a path inside the start
// directory is shown relative to it.
std::string ScriptEngine::ShownPath(const std::filesystem::path& path) const {
  if (!startDirectory_.empty()) {
    const auto relative = path.lexically_relative(startDirectory_);
    if (!relative.empty() && *relative.begin() != "..") return relative.generic_string();
  }
  return path.string();
}

void ScriptEngine::Print(const std::string& line) {
  if (!stopped_) transcript_ << line << '\n';
}

void ScriptEngine::Stop(bool failed) {
  failed_ = failed_ || failed;
  if (stopped_) return;
  stopped_ = true;
  transcript_.flush();
  if (OnScriptEnd) OnScriptEnd();
}

// One line of the script, without its end; false at the end of the script. A line
// that never ends (a device, a file with no line breaks) stops at kMaxLineBytes.
bool ScriptEngine::ReadLine(std::string& line) {
  line.clear();
  std::streambuf* buffer = script_.rdbuf();
  for (;;) {
    int c = std::char_traits<char>::eof();
    try {
      c = buffer ? buffer->sbumpc() : c;
    } catch (const std::exception& error) {
      readError_ = error.what();  // a failing device or a directory: the source throws
      return false;
    }
    if (c == std::char_traits<char>::eof()) return !line.empty();
    if (c == '\n') return true;
    if (line.size() == kMaxLineBytes) {
      tooLong_ = true;
      return false;
    }
    line.push_back(static_cast<char>(c));
  }
}

// The next line that holds a command; false at the end of the script or when the
// script cannot be read (then the run has failed).
bool ScriptEngine::NextLine(std::string& line) {
  transcript_.flush();  // someone may be watching a piped run
  while (ReadLine(line)) {
    ++lineNumber_;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!IsBlankLine(line)) return true;
  }
  if (tooLong_) {
    ++lineNumber_;
    Fail("the line is longer than " + std::to_string(kMaxLineBytes) + " bytes");
  } else if (!readError_.empty() || !script_.rdbuf()) {
    ++lineNumber_;
    Fail("the script cannot be read: " + (readError_.empty() ? std::string("no input") : readError_));
  }
  return false;
}

void ScriptEngine::RunNextLine() {
  std::string line;
  // Asked from outside to end (SIGTERM, SIGHUP): the script ends here, as at its last line.
  if (EndRequested() || !NextLine(line)) {
    Stop(false);
    return;
  }
  try {
    std::vector<std::string> words;
    std::string why;
    if (!script::SplitWords(line, words, why)) throw ScriptError{why};
    RunLine(words);
    PrintSimFaults();
  } catch (const ScriptError& error) {
    Fail(error.why);
  }
}

// A rule of the simulated cable or controller broken (a level held too short, a write
// the chip would hang on): the transcript says so where it happened.
void ScriptEngine::PrintSimFaults() {
  if (!sim_) return;
  for (auto* faults : {&sim_->controller.timing.faults, &sim_->ftdi.faults}) {
    for (const std::string& fault : *faults) Print("sim fault " + fault);
    faults->clear();
  }
}

int ScriptEngine::Finish() {
  std::string line;
  if (!stopped_ && NextLine(line)) Fail("the tool has ended");
  PrintSimFaults();
  Stop(false);
  return ExitStatus();
}

void ScriptEngine::Fail(const std::string& why) {
  Print("error " + std::to_string(lineNumber_) + ": " + why);
  Stop(true);
}

void ScriptEngine::RunLine(const std::vector<std::string>& words) {
  using Handler = void (ScriptEngine::*)(const std::vector<std::string>&, Args&, Window&);
  struct LineCommand {
    std::string_view word;
    Handler run;
  };
  constexpr LineCommand kCommands[] = {
      {"press", &ScriptEngine::PressLine},   {"type", &ScriptEngine::TypeLine},
      {"check", &ScriptEngine::CheckLine},   {"select", &ScriptEngine::SelectLine},
      {"answer", &ScriptEngine::AnswerLine}, {"choose", &ScriptEngine::ChooseLine},
      {"show", &ScriptEngine::ShowLine},     {"trace", &ScriptEngine::TraceLine},
      {"wait", &ScriptEngine::WaitLine},     {"sim", &ScriptEngine::SimLine},
  };
  const std::string& command = words[0];
  for (const LineCommand& entry : kCommands) {
    if (entry.word != command) continue;
    Args args(words, 1);
    (this->*entry.run)(words, args, *modals_.back().window);
    return;
  }
  throw ScriptError{"unknown command " + Quote(command)};
}

void ScriptEngine::PressLine(const std::vector<std::string>&, Args& args, Window& window) {
  const int id = TakeId(args, window);
  args.End();
  Press(window, *modals_.back().handler, id);
}

void ScriptEngine::TypeLine(const std::vector<std::string>&, Args& args, Window& window) {
  const int id = TakeId(args, window);
  const std::string& text = args.Word("text");
  args.End();
  Type(window, id, text);
}

void ScriptEngine::CheckLine(const std::vector<std::string>&, Args& args, Window& window) {
  const int id = TakeId(args, window);
  const bool on = args.OnOff();
  args.End();
  Check(window, id, on);
}

void ScriptEngine::SelectLine(const std::vector<std::string>& words, Args& args, Window& window) {
  const int id = TakeId(args, window);
  int index = -1;
  if (args.More() && words[2] == "none")
    args.Word("entry");
  else
    index = static_cast<int>(args.Number("entry", INT32_MAX));
  args.End();
  Select(window, id, index);
}

void ScriptEngine::AnswerLine(const std::vector<std::string>&, Args& args, Window&) {
  const bool ok = args.Choice("ok or cancel", {"ok", "cancel"}) == 0;
  args.End();
  answers_.push_back(ok ? MessageResult::Ok : MessageResult::Cancel);
}

void ScriptEngine::ChooseLine(const std::vector<std::string>&, Args& args, Window&) {
  const std::string& path = args.Word("path");
  args.End();
  if (path.empty()) throw ScriptError{"an empty path"};
  if (path == "none")
    choices_.push_back(std::nullopt);
  else
    choices_.push_back(path);
}

void ScriptEngine::ShowLine(const std::vector<std::string>& words, Args& args, Window& window) {
  if (args.More() && words[1] == "menu") {
    args.Word("menu");
    ShowMenu(window, Ids(args, window));
  } else {
    Show(window, Ids(args, window));
  }
}

void ScriptEngine::TraceLine(const std::vector<std::string>& words, Args& args, Window& window) {
  if (args.More() && words[1] == "off") {
    args.Word("off");
    args.End();
    traced_.clear();
  } else {
    for (int id : Ids(args, window)) traced_.insert(id);
  }
}

void ScriptEngine::WaitLine(const std::vector<std::string>&, Args& args, Window&) {
  const uint32_t ms = args.Number("milliseconds");
  args.End();
  clock_.Pass(ms);
}

void ScriptEngine::SimLine(const std::vector<std::string>& words, Args&, Window&) {
  if (!sim_) throw ScriptError{"sim lines need --simulate"};
  script::RunSimCommand(words, *sim_, [this](const std::string& line) { Print(line); });
}

const ControlResource& ScriptEngine::Control(const Window& window, int id) const {
  const ControlResource* control = window.Resource().FindControl(id);
  if (!control)
    throw ScriptError{"dialog " + std::to_string(window.DialogId()) + " has no control " + std::to_string(id)};
  return *control;
}

void ScriptEngine::Press(Window& window, WindowHandler& handler, int id) {
  const DialogResource& resource = window.Resource();
  if (const ControlResource* control = resource.FindControl(id)) {
    if (!window.IsItemEnabled(id)) {
      Print("ignored " + std::to_string(id));
      return;
    }
    // What a click does to the button itself before its command arrives.
    if (control->kind == ControlKind::CheckBox) {
      window.CheckItem(id, !window.IsItemChecked(id));
    } else if (control->kind == ControlKind::AutoRadioButton) {
      for (const auto& other : resource.controls)
        if (other.kind == ControlKind::AutoRadioButton && other.group == control->group && other.id != id)
          window.CheckItem(other.id, false);
      window.CheckItem(id, true);
    }
  } else if (resource.FindMenuItem(id)) {
    if (!window.IsMenuItemEnabled(id)) {
      Print("ignored " + std::to_string(id));
      return;
    }
  } else {
    // Neither a control nor a menu item: a command the window's handler may still know.
    // When it does not (it has done nothing), a typing error in the script.
    if (!handler.OnCommand(window, id))
      throw ScriptError{"dialog " + std::to_string(window.DialogId()) + " has no control, menu item or command " +
                        std::to_string(id)};
    return;
  }
  handler.OnCommand(window, id);
}

// The script changes a control as the user would; a disabled control takes nothing.
void ScriptEngine::Type(Window& window, int id, const std::string& text) {
  const ControlResource& control = Control(window, id);
  if (control.kind == ControlKind::ReadOnlyEdit) throw ScriptError{"control " + std::to_string(id) + " is read-only"};
  if (control.kind != ControlKind::Edit && control.kind != ControlKind::ComboBox)
    throw ScriptError{"control " + std::to_string(id) + " is not an edit field"};
  if (!window.IsItemEnabled(id)) {
    Print("ignored " + std::to_string(id));
    return;
  }
  scriptTyping_ = true;
  // Typing into a list's edit field leaves no entry selected.
  if (control.kind == ControlKind::ComboBox) window.ListSetSelection(id, -1);
  window.SetItemText(id, text);
  scriptTyping_ = false;
}

void ScriptEngine::Check(Window& window, int id, bool on) {
  if (!IsButton(Control(window, id).kind))
    throw ScriptError{"control " + std::to_string(id) + " is not a check box or radio button"};
  if (!window.IsItemEnabled(id)) {
    Print("ignored " + std::to_string(id));
    return;
  }
  window.CheckItem(id, on);
}

void ScriptEngine::Select(Window& window, int id, int index) {
  if (Control(window, id).kind != ControlKind::ComboBox)
    throw ScriptError{"control " + std::to_string(id) + " is not a list"};
  const int count = window.ListCount(id);
  if (index >= count)
    throw ScriptError{"list " + std::to_string(id) + " has " + std::to_string(count) + " entries"};
  if (!window.IsItemEnabled(id)) {
    Print("ignored " + std::to_string(id));
    return;
  }
  window.ListSetSelection(id, index);
}

void ScriptEngine::Show(Window& window, const std::vector<int>& ids) {
  for (int id : ids) Control(window, id);  // all known before anything is printed
  for (int id : ids) {
    const ControlResource& control = Control(window, id);
    std::string line = std::to_string(id) + " text=" + Quote(window.GetItemText(id)) +
                       " enabled=" + (window.IsItemEnabled(id) ? "1" : "0");
    if (IsButton(control.kind)) line += std::string(" checked=") + (window.IsItemChecked(id) ? "1" : "0");
    if (control.kind == ControlKind::ComboBox) {
      const int index = window.ListSelection(id);
      line += " index=" + (index < 0 ? std::string("none") : std::to_string(index));
    }
    Print(line);
  }
}

void ScriptEngine::ShowMenu(Window& window, const std::vector<int>& ids) {
  for (int id : ids)
    if (!window.Resource().FindMenuItem(id))
      throw ScriptError{"dialog " + std::to_string(window.DialogId()) + " has no menu item " + std::to_string(id)};
  for (int id : ids)
    Print("menu " + std::to_string(id) + " checked=" + (window.IsMenuItemChecked(id) ? "1" : "0") +
          " enabled=" + (window.IsMenuItemEnabled(id) ? "1" : "0"));
}

}  // namespace ravix
