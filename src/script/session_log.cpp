#include "script/session_log.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "platform/stop_signals.h"
#include "resources/ids.h"
#include "script/script_names.h"
#include "script/script_words.h"

namespace ravix {

namespace {

std::string Now() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &seconds);
#else
  localtime_r(&seconds, &local);
#endif
  char text[40];
  const size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
  std::snprintf(text + length, sizeof text - length, ".%03d", static_cast<int>(ms));
  return text;
}

// Passes a window's commands on and records each one.
class LoggedHandler : public WindowHandler {
 public:
  LoggedHandler(WindowHandler& inner, SessionLog& log) : inner_(inner), log_(log) {}
  void OnInit(Window& window) override { inner_.OnInit(window); }
  bool OnCommand(Window& window, int command) override {
    // By its ID and, where it has one, the name a script would give it.
    const std::string_view name = script::NameOfId(window.DialogId(), command);
    log_.Write("command " + std::to_string(window.DialogId()) + " " + std::to_string(command) +
               (name.empty() ? "" : " " + std::string(name)));
    return inner_.OnCommand(window, command);
  }

 private:
  WindowHandler& inner_;
  SessionLog& log_;
};

std::string Answer(MessageResult result) { return result == MessageResult::Ok ? "ok" : "cancel"; }

}  // namespace

bool SessionLog::Open(SessionLogFile& log, const std::string& path, const std::string& header, std::string& why) {
  log.path = path;
  log.header = header;
  log.failureTold = false;
  return log.file.Open(path, &why);
}

SessionLog::SessionLog(Ui& inner, SessionLogFile& log) : inner_(inner), log_(log) { Write("start " + log_.header); }

SessionLog::~SessionLog() { Write("stop"); }

void SessionLog::Write(const std::string& line) {
  // One write a record: another program logging into the same file meanwhile puts its
  // records before or after this one, never into it.
  std::string why;
  if (log_.file.Append(Now() + " " + line + "\n", &why) || log_.failureTold) return;
  log_.failureTold = true;
  const std::string program = log_.header.substr(0, log_.header.find(' '));
  std::fprintf(stderr, "%s: cannot write the log %s: %s\n", program.c_str(), log_.path.c_str(), why.c_str());
}

std::shared_ptr<Window> SessionLog::CreateWindow(const DialogResource& resource, Window* owner) {
  auto window = inner_.CreateWindow(resource, owner);
  // The status field tells what a command did; other fields change with every key.
  auto before = window->OnTextChanged;
  window->OnTextChanged = [this, before](int id, const std::string& text) {
    if (before) before(id, text);
    if (id == IDC_STATUS) Write("status " + script::Quote(text));
  };
  return window;
}

int SessionLog::RunModal(const std::shared_ptr<Window>& window, WindowHandler& handler) {
  const std::string id = std::to_string(window->DialogId());
  Write("dialog " + id);
  LoggedHandler logged(handler, *this);
  const int result = inner_.RunModal(window, logged);
  Write("end " + id + " " + std::to_string(result));
  return result;
}

MessageResult SessionLog::MessageBox(Window* owner, std::string_view caption, std::string_view text,
                                     MessageButtons buttons, std::string_view details) {
  const MessageResult result = inner_.MessageBox(owner, caption, text, buttons, details);
  std::string line =
      (buttons == MessageButtons::Ok ? "box " : "ask ") + script::Quote(caption) + " " + script::Quote(text);
  if (buttons != MessageButtons::Ok) line += " -> " + Answer(result);
  if (!details.empty()) line += " details " + script::Quote(details);
  Write(line);
  return result;
}

void SessionLog::Beep() {
  Write("beep");
  inner_.Beep();
}

std::optional<std::string> SessionLog::OpenFileDialog(Window* owner, std::string_view title, std::string_view pattern) {
  auto chosen = inner_.OpenFileDialog(owner, title, pattern);
  Write("open-file " + (chosen ? script::Quote(*chosen) : std::string("none")));
  return chosen;
}

std::optional<std::string> SessionLog::SaveFileDialog(Window* owner, std::string_view title, std::string_view pattern,
                                                      std::string_view suggested) {
  auto chosen = inner_.SaveFileDialog(owner, title, pattern, suggested);
  Write("save-file " + (chosen ? script::Quote(*chosen) : std::string("none")));
  return chosen;
}

void SessionLog::ShellOpen(const std::string& target) {
  Write("open " + script::Quote(target));
  inner_.ShellOpen(target);
}

bool SessionLog::OpenDocument(const std::string& path) {
  Write("open " + script::Quote(path));
  const bool opened = inner_.OpenDocument(path);
  if (!opened) Write("no viewer could be started");
  return opened;
}

void SessionLog::Note(std::string_view line) {
  Write("note " + std::string(line));
  inner_.Note(line);
}

bool SessionLog::EndRequested() {
  const bool end = inner_.EndRequested();
  if (end && !endLogged_) {
    endLogged_ = true;
    const std::string name = OutsideStopName();
    Write("end requested" + (name.empty() ? std::string() : " (" + name + ")"));
  }
  return end;
}

bool SessionLog::StopRequested() {
  const bool stop = inner_.StopRequested();
  if (stop) Write("stop requested");
  return stop;
}

}  // namespace ravix
