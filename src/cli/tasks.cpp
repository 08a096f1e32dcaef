#include "cli/tasks.h"

#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <span>
#include <system_error>

#include "app/main_window.h"
#include "app/startup.h"
#include "app/tool.h"
#include "cli/task_ui.h"
#include "platform/file_access.h"
#include "platform/headless/headless_ui.h"
#include "platform/text.h"
#include "script/front_options.h"
#include "script/session_log.h"
#include "settings/settings_commands.h"
#include "settings/settings_file.h"

namespace ravix::cli {

namespace {

constexpr size_t kMaxSettingsFile = 1 << 20;  // a settings file is a few hundred bytes
// The panel's buttons for the active set and the two model memories, in the order of SettingSlot
// (and of --memory).
constexpr int kReadButton[] = {panel::kRead, panel::kReadMemory1, panel::kReadMemory2};
constexpr int kWriteButton[] = {panel::kWrite, panel::kWriteMemory1, panel::kWriteMemory2};

std::string Trimmed(std::string text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  text.erase(0, first);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

// One task on the open main window.
class TaskRun {
 public:
  TaskRun(const TaskRequest& request, Tool& tool, TaskUi& ui, Terminal& terminal, Window& main, WindowHandler& handler)
      : request_(request), tool_(tool), ui_(ui), terminal_(terminal), main_(main), handler_(handler) {}

  int Run() {
    if (!SelectPort()) return kTaskFailed;
    const std::string& c = request_.command;
    if (c == "read") return Read();
    if (c == "save") return Save();
    if (c == "write" || c == "load") return Write();
    if (c == "update") return Update();
    if (c == "info") return Press(menu::kControllerInfo) && !ui_.lastResultCaption.empty() ? 0 : kTaskFailed;
    if (c == "calibrate")
      return Press(menu::kCalibrateOscillator) && ui_.lastResultCaption == "calibration successful!" ? 0
                                                                                                     : kTaskFailed;
    if (c == "locks") return Locks();
    return kTaskUsage;
  }

 private:
  // The command as its button sends it; false when a box reported a failure.
  bool Press(int id) {
    handler_.OnCommand(main_, id);
    return !ui_.Failed();
  }
  bool StatusIs(const char* text) const { return !ui_.Failed() && Trimmed(main_.GetItemText(IDC_STATUS)) == text; }
  SettingSlot Slot() const { return static_cast<SettingSlot>(request_.memory); }
  bool Refuse(const std::string& text) {
    tool_.platform.ui.MessageBox(nullptr, "Error!", text);
    return false;
  }

  // A port of the Port menu is chosen as its menu item does; any other name is a
  // device, named in the messages as the user gave it. Either is for this run only:
  // the setup file is not written (RunTask).
  bool SelectPort() {
    const std::string& port = request_.port;
    if (port.empty()) return true;
    for (const PortRow& row : PortTable)
      if (EqualsIgnoringCase(port, row.name)) return Press(row.command);
    Link& link = tool_.link;
    if (link.ComPortOpen) link.CloseComPort();
    link.PortName = port;
    link.ComDeviceName = port;
    link.SerialPortSelected = true;
    return true;
  }

  // A memory is read as the desktop's user reads it: after the active set, which
  // identifies the controller.
  bool ReadSlot(SettingSlot slot) {
    if (slot != SettingSlot::Active && !ReadSlot(SettingSlot::Active)) return false;
    return Press(kReadButton[static_cast<int>(slot)]) && StatusIs("OK");
  }

  int Read() {
    if (!ReadSlot(Slot())) return kTaskFailed;
    const std::string json = settings_file::SaveJson(main_, tool_.settings, Slot());
    std::fputs(request_.json ? json.c_str() : settings_file::TableFromJson(json).c_str(), stdout);
    return 0;
  }

  int Save() {
    if (!ReadSlot(Slot())) return kTaskFailed;
    const std::string json = settings_file::SaveJson(main_, tool_.settings, Slot());
    std::string why;
    const auto* bytes = reinterpret_cast<const uint8_t*>(json.data());
    if (!ReplaceChosenFile(request_.file, std::span<const uint8_t>(bytes, json.size()), &why)) {
      std::fprintf(stderr, "ravix-cli: cannot write %s: %s\n", request_.file.c_str(), why.c_str());
      return kTaskFailed;
    }
    std::fprintf(stderr, "ravix-cli: saved the %s settings in %s\n",
                 request_.memory ? ("memory " + std::to_string(request_.memory)).c_str() : "active",
                 request_.file.c_str());
    return 0;
  }

  // The settings to write: the file, or the --set assignments.
  bool Settings(std::string& text) {
    if (request_.file.empty()) {
      std::string why;
      const auto built = SettingsFromAssignments(request_.sets, tool_.settings.ControllerType(), why);
      if (!built) return Refuse(why);
      text = *built;
      return true;
    }
    std::string why;
    const auto bytes = ReadRegularFile(request_.file, kMaxSettingsFile, &why);
    if (!bytes) {
      std::fprintf(stderr, "ravix-cli: cannot read %s: %s\n", request_.file.c_str(), why.c_str());
      return false;
    }
    text.assign(bytes->begin(), bytes->end());
    return true;
  }

  // Read (which identifies the controller and fills the panel), fill the panel from
  // the settings, and write as the Write button (or Write Memory) does; its own
  // checks refuse what the file cannot have caught. A memory write also stores the
  // pulse widths, which come from the active set just read.
  int Write() {
    std::string text;
    if (!request_.file.empty() && !Settings(text)) return kTaskFailed;
    if (!ReadSlot(SettingSlot::Active)) return kTaskFailed;
    if (request_.file.empty() && !Settings(text)) return kTaskFailed;
    const std::string refused =
        settings_file::LoadJson(main_, tool_.settings, Slot(), text, [this](int id) { handler_.OnCommand(main_, id); });
    if (!refused.empty()) Refuse(refused);
    if (ui_.Failed()) return kTaskFailed;
    const std::string written = settings_file::SaveJson(main_, tool_.settings, Slot());
    if (!Press(kWriteButton[request_.memory]) || !StatusIs("OK")) return kTaskFailed;
    return ReadBackAndCompare(written);
  }

  // Each byte was read back as it was written; a fresh read also shows that the
  // controller keeps what the panel meant.
  int ReadBackAndCompare(const std::string& written) {
    if (!ReadSlot(Slot())) return kTaskFailed;
    const std::string differ =
        settings_file::DifferingKeys(written, settings_file::SaveJson(main_, tool_.settings, Slot()));
    if (!differ.empty()) {
      std::fprintf(stderr, "ravix-cli: read back, the controller holds other values for: %s\n", differ.c_str());
      return kTaskFailed;
    }
    std::fprintf(stderr, "ravix-cli: written, read back and compared\n");
    return 0;
  }

  int Update() {
    ui_.fileChoice = request_.file;
    bool agreed = false;
    // Until the user agrees nothing is written, and Ctrl+C may end the program as usual.
    ui_.onAgreed = [this, &agreed] {
      agreed = true;
      terminal_.GuardInterrupts(true);
    };
    Press(menu::kOpenUpdateFile);
    const bool stopped = ui_.StopRequested();
    terminal_.GuardInterrupts(false);
    terminal_.Progress(0, 0);
    if (!StatusIs("OK")) {
      if (agreed && stopped)
        std::fprintf(stderr,
                     "ravix-cli: the update stopped before its end: the controller may hold part of the new "
                     "firmware only; run the update again to its end\n");
      return kTaskFailed;
    }
    std::fprintf(stderr, "ravix-cli: updated; read the settings again before writing them\n");
    return 0;
  }

  int Locks() {
    if (!ReadSlot(SettingSlot::Active)) return kTaskFailed;
    int status = kTaskFailed;
    ui_.dialogTask = [this, &status](Window& dialog, WindowHandler& handler) {
      status = LocksDialog(dialog, handler);
      handler.OnCommand(dialog, lockdlg::kEnd);
    };
    handler_.OnCommand(main_, menu::kLockFunctions);
    return ui_.Failed() ? kTaskFailed : status;
  }

  int LocksDialog(Window& dialog, WindowHandler& handler) {
    handler.OnCommand(dialog, lockdlg::kRead);
    if (!StatusIs("ok")) return kTaskFailed;
    if (!request_.sets.empty()) {
      for (const std::string& set : request_.sets) {
        const size_t eq = set.find('=');
        const int id = set.substr(0, eq) == "rc-setup" ? lockdlg::kLockRcSetup : lockdlg::kLockTestProgram;
        dialog.CheckItem(id, set.substr(eq + 1) == "on");
      }
      handler.OnCommand(dialog, lockdlg::kWrite);
      if (!StatusIs("ok")) return kTaskFailed;
    }
    std::printf("rc-setup     %s\n", dialog.IsItemChecked(lockdlg::kLockRcSetup) ? "locked" : "unlocked");
    std::printf("testprogram  %s\n", dialog.IsItemChecked(lockdlg::kLockTestProgram) ? "locked" : "unlocked");
    return 0;
  }

 private:
  const TaskRequest& request_;
  Tool& tool_;
  TaskUi& ui_;
  Terminal& terminal_;
  Window& main_;
  WindowHandler& handler_;
};

}  // namespace

std::optional<std::string> SettingsFromAssignments(const std::vector<std::string>& sets, int type, std::string& why) {
  nlohmann::ordered_json file = {{"format", settings_file::kFormat}, {"controller", {{"type", type}}}};
  nlohmann::ordered_json settings = nlohmann::ordered_json::object();
  for (const std::string& set : sets) {
    const size_t eq = set.find('=');
    if (eq == std::string::npos || eq == 0) {
      why = "\"" + set + "\" is no NAME=VALUE";
      return std::nullopt;
    }
    const std::string value = set.substr(eq + 1);
    // Numbers and true/false as they are; on/off for the switches; anything else is a name.
    nlohmann::ordered_json parsed = nlohmann::ordered_json::parse(value, nullptr, false);
    const std::string name = set.substr(0, eq);
    if (settings_file::IsSwitchKey(name) && (value == "on" || value == "off")) parsed = value == "on";
    if (parsed.is_discarded() || parsed.is_object() || parsed.is_array()) parsed = value;
    settings[name] = parsed;
  }
  file["settings"] = settings;
  return file.dump();
}

int RunTask(const TaskRequest& given, const TaskMachine& machine, Terminal& terminal, SessionLogFile* log) {
  TaskRequest request = given;
  std::error_code error;
  // The update's file dialog moves the current directory; the files stay where they were named.
  if (!request.file.empty()) request.file = std::filesystem::absolute(request.file, error).string();

  HeadlessUi backend;
  TaskUi ui(backend, terminal, request.yes);
  if (request.command == "info") ui.resultCaptions = {"Info:"};
  if (request.command == "calibrate") ui.resultCaptions = {"calibration successful!", "calibration not correct!"};
  std::unique_ptr<SessionLog> logged;
  if (log) logged = std::make_unique<SessionLog>(ui, *log);
  Platform platform{machine.clock, machine.serial, machine.os, logged ? static_cast<Ui&>(*logged) : ui};
  Tool tool(platform);
  // A port on the command line is for this run: the desktop program's choice stays stored.
  tool.setupFile.Writable = request.port.empty();
  ui.mainTask = [&](Window& main, WindowHandler& handler) {
    return TaskRun(request, tool, ui, terminal, main, handler).Run();
  };
  RunApplication(tool);
  std::fputs(StartDirectoryProblem(tool.setupFile, "ravix-cli").c_str(), stderr);
  const int status = ui.ExitStatus();
  return status == 0 && ui.Failed() ? kTaskFailed : status;
}

}  // namespace ravix::cli
