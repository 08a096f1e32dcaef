#include "cli/tasks.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <span>
#include <system_error>

#include "app/config_dir.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/tool.h"
#include "cli/port_check_lines.h"
#include "cli/task_ui.h"
#include "files/firmware_update.h"
#include "isp/avr_parts.h"
#include "link/adapter_kinds.h"
#include "platform/file_access.h"
#include "platform/headless/headless_ui.h"
#include "platform/text.h"
#include "app/front_options.h"
#include "script/session_log.h"
#include "settings/settings_commands.h"
#include "settings/settings_file.h"
#include "settings/setting_table.h"
#include "status/messages.h"

namespace ravix::cli {

namespace {

constexpr size_t kMaxSettingsFile = 1 << 20;  // a settings file is a few hundred bytes
// The controller's whole program memory: 8 KiB in 128 pages of 64 bytes.
constexpr int kFullImageLines = 8192;
constexpr int kFullImagePages = 128;
// The panel's buttons for the active set and the two model memories, in the order of SettingSlot
// (and of --memory).
constexpr int kReadButton[] = {panel::kRead, panel::kReadMemory1, panel::kReadMemory2};
constexpr int kWriteButton[] = {panel::kWrite, panel::kWriteMemory1, panel::kWriteMemory2};
constexpr char kNoMemories[] = "This controller has no model memories!";

// The setup file of the user's configuration directory, or "" where there is none.
std::string ConfigSetupFile() {
  std::string why;
  const auto dir = ConfigDirectory(why);
  return dir ? (std::filesystem::path(*dir) / SetupFile::FileName).string() : std::string();
}

// What the commands' boxes say, on the terminal: a refusal or a warning at once on
// standard error (with the system's reason), a report kept for the task to print as
// its result. Nothing here reads a box's words to decide anything.
class TaskMessages {
 public:
  void Tell(const ShownBox& box) {
    switch (box.role) {
      case BoxRole::Report:
        reports_.push_back(box);
        return;
      case BoxRole::Question:  // asked and answered on the terminal already
        return;
      case BoxRole::Refusal:
      case BoxRole::Warning:
        std::fprintf(stderr, "ravix-cli: %s\n", BoxLine(box.caption, box.text).c_str());
        if (!box.reason.empty()) std::fprintf(stderr, "ravix-cli: details: %s\n", box.reason.c_str());
        return;
    }
  }
  // The reports since the last call, oldest first.
  std::vector<ShownBox> TakeReports() { return std::exchange(reports_, {}); }

 private:
  std::vector<ShownBox> reports_;
};

// One task on the open main window.
class TaskRun {
 public:
  TaskRun(const TaskRequest& request, Tool& tool, TaskUi& ui, TaskMessages& messages, Terminal& terminal,
          Window& main, WindowHandler& handler)
      : request_(request),
        tool_(tool),
        ui_(ui),
        messages_(messages),
        terminal_(terminal),
        main_(main),
        handler_(handler) {}

  int Run() {
    if (!SelectPort()) return kTaskFailed;
    const std::string& c = request_.command;
    if (c == "read") return Read();
    if (c == "save") return Save();
    if (c == "write" || c == "load") return Write();
    if (c == "update") return Update();
    if (c == "info") return Info();
    if (c == "calibrate") return Calibrate();
    if (c == "locks") return Locks();
    if (c == "port-check") return PortCheck();
    return kTaskUsage;
  }

 private:
  // The command as its button sends it; true when it has done what it was asked. A
  // command of the firmware's setup set refused on a port without them gets the way to
  // a port that has them, which the window's own words leave to its Port menu.
  bool Press(int id) {
    handler_.OnCommand(main_, id);
    const bool done = tool_.status.LastOutcome().Done();
    if (!done && !tool_.link.Kind().setupCommands && NeedsSetupCommands(id))
      std::fprintf(stderr,
                   "ravix-cli: this needs the serial adapter: choose its port with --port COM1 (or COM2 ... COM256, or "
                   "a device)\n");
    return done;
  }
  static bool NeedsSetupCommands(int id) {
    for (int command : {panel::kRead, panel::kWrite, menu::kReadMemory1, menu::kReadMemory2, menu::kWriteMemory1,
                        menu::kWriteMemory2, menu::kOpenUpdateFile, menu::kLockFunctions})
      if (id == command) return true;
    return false;
  }
  SettingSlot Slot() const { return static_cast<SettingSlot>(request_.memory); }
  bool Refuse(const std::string& text) {
    tool_.status.Refuse("Error!", text);
    return false;
  }

  // The controller's identity, as the Options menu shows it.
  int Info() {
    if (!Press(menu::kControllerInfo)) return kTaskFailed;
    for (const ShownBox& report : messages_.TakeReports()) std::printf("%s\n", BoxLine("", report.text).c_str());
    // The box shows the bytes; a terminal also names the part they stand for.
    if (const std::string_view part = AvrPartName(tool_.isp.Signature); !part.empty())
      std::printf("Part: %.*s\n", static_cast<int>(part.size()), part.data());
    return 0;
  }

  // The calibration's report says in its caption how it went; the outcome says whether
  // that is a success.
  int Calibrate() {
    const bool done = Press(menu::kCalibrateOscillator);
    for (const ShownBox& report : messages_.TakeReports())
      std::printf("%s\n%s\n", report.caption.c_str(), BoxLine("", report.text).c_str());
    return done ? 0 : kTaskFailed;
  }

  // A port of the Port menu is chosen as its menu item does; any other port (COM12, a
  // device path) is used by the kind of adapter its name stands for, named in the
  // messages as the user gave it. Either is for this run only: the setup file is not
  // written (RunTask).
  bool SelectPort() {
    const std::string& port = request_.port;
    // A first run with --simulate needs no port of its own: the simulated adapter answers on COM1.
    if (port.empty() && request_.simulated && !tool_.setupFile.FileFound) return Press(menu::kFirstPort);
    if (port.empty()) return true;
    for (const PortRow& row : PortTable)
      if (EqualsIgnoringCase(port, row.name)) return Press(row.command);
    Link& link = tool_.link;
    link.ClosePort();
    // The messages name the port as it was given ("No Adaptor found at COM12").
    link.PortName = port;
    link.Serial().ComDeviceName = port;
    link.SelectAdapter(KindOfPort(port).id);
    return true;
  }

  // A memory is read as the desktop's user reads it: after the active set, which
  // identifies the controller.
  bool ReadSlot(SettingSlot slot) {
    if (slot != SettingSlot::Active && (!ReadSlot(SettingSlot::Active) || !MemoriesOffered())) return false;
    return Press(kReadButton[static_cast<int>(slot)]);
  }

  // The Read of the reduced controller greys the memory commands of the menu: it has
  // no model memories, and a task may not reach them where a click could not.
  bool MemoriesOffered() {
    if (main_.IsMenuItemEnabled(kReadButton[request_.memory])) return true;
    return Refuse(kNoMemories);
  }

  int Read() {
    if (!ReadSlot(Slot())) return kTaskFailed;
    const std::string json = settings_file::JsonFromValues(tool_.settings.LastRead);
    std::fputs(request_.json ? json.c_str() : settings_file::TableFromJson(json).c_str(), stdout);
    return 0;
  }

  int Save() {
    if (!ReadSlot(Slot())) return kTaskFailed;
    const std::string json = settings_file::JsonFromValues(tool_.settings.LastRead);
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
  // checks refuse what the file cannot have caught.
  int Write() {
    std::string text;
    if (!request_.file.empty() && !Settings(text)) return kTaskFailed;
    if (!ReadSlot(SettingSlot::Active)) return kTaskFailed;
    if (request_.file.empty() && !Settings(text)) return kTaskFailed;
    if (Slot() != SettingSlot::Active && (!MemoriesOffered() || !ReadMemoryForWrite(text))) return kTaskFailed;
    const std::string refused =
        settings_file::LoadJson(main_, tool_.settings, Slot(), text, [this](int id) { handler_.OnCommand(main_, id); });
    if (!refused.empty()) return Refuse(refused), kTaskFailed;
    if (Slot() != SettingSlot::Active) NotePassedOver(text);
    if (!Press(kWriteButton[request_.memory])) return kTaskFailed;
    return ReadBackAndCompare();
  }

  // A memory write changes only what the settings name: the panel shows the memory
  // first. It also writes the active pulse widths, which go back as the active Read
  // just showed them (and so as they were read). A memory that holds nothing takes
  // only a whole settings file, which leaves nothing of the panel to chance.
  bool ReadMemoryForWrite(const std::string& text) {
    std::array<std::string, kPulseCount> pulses;
    for (size_t i = 0; i < kPulseCount; ++i) pulses[i] = main_.GetItemText(kPulseFields[i].id);
    const std::string missing = settings_file::MissingMemoryKeys(text);
    bool holdsSettings = true;
    if (!MemoryHoldsSettings(holdsSettings)) return false;
    if (!holdsSettings && !missing.empty()) {
      // Refused as the memory's own Read refuses it, and with what a whole file would need.
      tool_.status.ReportCommandError(Slot() == SettingSlot::Memory1 ? msg::kMemory1Empty : msg::kMemory2Empty);
      std::fprintf(stderr,
                   "ravix-cli: a memory that holds nothing takes a whole settings file (as save --memory %d writes "
                   "it); this one leaves out %s\n",
                   request_.memory, missing.c_str());
      return false;
    }
    if (holdsSettings && !Press(kReadButton[request_.memory])) return false;
    for (size_t i = 0; i < kPulseCount; ++i) main_.SetItemText(kPulseFields[i].id, pulses[i]);
    return true;
  }

  // The settings of the active set alone that a file for a memory holds: it loads
  // without them, and the user hears which.
  void NotePassedOver(const std::string& text) {
    std::string keys;
    for (const std::string& key : settings_file::ActiveOnlyKeysIn(text))
      keys += (keys.empty() ? "\"" : ", \"") + key + "\"";
    if (!keys.empty())
      std::fprintf(stderr, "ravix-cli: passed over what a model memory does not hold: %s\n", keys.c_str());
  }

  // Whether the memory holds settings (its frequency byte is not the empty mark), asked
  // of the controller the active Read just found; false when it stopped answering.
  bool MemoryHoldsSettings(bool& holds) {
    SetupProtocol& protocol = tool_.protocol;
    holds = protocol.ReadSettingByte(SlotAddress(Slot(), SlotSetting::PwmCode)) != kMemoryEmpty;
    if (protocol.LinkStillReady()) return true;
    tool_.status.ReportCommandError(msg::kNoConnection);
    return false;
  }

  // Each byte was confirmed as it was written; after a fresh Read (the controller
  // restarts) every one of them is read back and compared byte for byte.
  int ReadBackAndCompare() {
    if (!ReadSlot(Slot())) return kTaskFailed;
    const ReadBack back = CompareWithController(tool_.protocol, tool_.settings);
    if (back.linkLost) {
      tool_.status.ReportCommandError(msg::kNoConnection);
      return kTaskFailed;
    }
    if (!back.differ.empty()) {
      std::fprintf(stderr, "ravix-cli: read back, the controller holds other bytes: %s\n", back.differ.c_str());
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
    const bool done = Press(menu::kOpenUpdateFile);
    const bool stopped = ui_.StopRequested();
    terminal_.GuardInterrupts(false);
    terminal_.Progress(0, 0);
    if (!done) {
      if (agreed && stopped)
        std::fprintf(stderr,
                     "ravix-cli: the update stopped before its end: the controller may hold part of the new "
                     "firmware only; run the update again to its end\n");
      return kTaskFailed;
    }
    std::fprintf(stderr, "ravix-cli: updated; read the settings again before writing them\n");
    return 0;
  }

  // The adapter check (which measures the port), one link exchange to see whether a
  // controller answers, and what that makes of a Read, a Write and an update.
  int PortCheck() {
    const auto say = [](const char* label, const std::string& value) {
      std::printf("%-13s %s\n", label, value.c_str());
    };
    Link& link = tool_.link;
    const AdapterKind& kind = link.Kind();
    std::string device;
    if (kind.id == AdapterKindId::Serial) device = tool_.platform.serial.DeviceBehind(link.Serial().ComDeviceName);
    say("port", link.PortName + (device.empty() || device == link.PortName ? "" : " (" + device + ")"));
    say("adapter", std::string(kind.name) + ": " + CarriedJobs(kind));
    say("lines", std::string(kind.lines));
    say("timing", link.timing == Timing::PortAware ? "port-aware" : "specified");
    if (!kind.setupCommands) {
      say("durations", "none: a Read, a Write and an update need a serial port");
      return 0;
    }
    const bool detected = link.DetectSerialAdapter() == 0;
    const Adapter& lines = link.Lines();
    const PortFigures& figures = lines.Figures();
    const PortTiming rules = lines.Rules();
    // What the calls of the check cost is worth knowing also when no adapter answered.
    if (figures.lineOps.count > 0) {
      say("line change", Milliseconds(figures.LineOpUs()) + " a call");
      say("status read", Milliseconds(figures.StatusReadUs()) + " a call");
    }
    if (kind.id == AdapterKindId::Ftdi) SayFtdiCable(link.Ftdi());
    if (!detected) {
      tool_.status.ShowErrorText(nullptr, "Error");
      return kTaskFailed;
    }
    const uint32_t answer = tool_.protocol.LinkExchange();
    if (kind.id == AdapterKindId::Ftdi)
      SayFtdiFigures(link.Ftdi());
    else if (link.timing == Timing::Specified)
      say("a change", "not measured (--timing specified)");
    else if (!figures.showMeasured)
      say("a change", "shows in the next read (a built-in port: not measured)");
    else
      say("a change", (figures.showUs == 0 ? std::string("shows in the next read")
                                           : "shows after " + Milliseconds(figures.showUs)) +
                          " (measured with " + std::to_string(figures.measuringReads) + " extra reads)");
    if (kind.id == AdapterKindId::Ftdi) {
      // Its unit, a number of the chip's states, is above.
    } else if (rules.UnitsAreDurations())
      say("delay unit", Milliseconds(rules.UnitUs()) + " by the clock (the port is slow)");
    else
      say("delay unit", Milliseconds(rules.ShortDelayUs(1)) + ", five passes of status reads");
    if (const uint32_t after = rules.SampleAfterRiseUs(); after > 0 && kind.id != AdapterKindId::Ftdi)
      say("data read", Milliseconds(after) + " after the rising clock edge at the earliest");
    say("controller", answer == kAnswerReady        ? "answers (254)"
                      : answer == kAnswerOtherDevice ? "a device of another kind answers (253)"
                                                     : "no answer now (a Read restarts it first)");
    const ExpectedDurations expected(link);
    say("read", AboutDuration(expected.StepsUs(kReadActiveSteps) / 1e6));
    say("write", AboutDuration(expected.StepsUs(kWriteActiveSteps) / 1e6));
    UpdateShape shape{kFullImageLines, kFullImagePages};
    std::string what = "a full 8 KiB image";
    if (!request_.file.empty()) {
      std::string why;
      if (!ShapeOfUpdateFile(request_.file, tool_.status, shape, why)) {
        std::fprintf(stderr, "ravix-cli: cannot time %s: %s\n", request_.file.c_str(), why.c_str());
        return kTaskFailed;
      }
      what = std::string(FileNamePart(request_.file));
    }
    say("update", AboutDuration(expected.UpdateUs(shape.lines, shape.pages) / 1e6) + " (" +
                      std::to_string(shape.lines) + " lines of " + what + ")");
    const std::string told = UpdateDurationText(link, shape);
    if (const size_t advice = told.find('\n'); advice != std::string::npos) say("advice", told.substr(advice + 1));
    return 0;
  }

  int Locks() {
    if (!ReadSlot(SettingSlot::Active)) return kTaskFailed;
    int status = kTaskFailed;
    ui_.dialogTask = [this, &status](Window& dialog, WindowHandler& handler) {
      status = LocksDialog(dialog, handler);
      handler.OnCommand(dialog, lockdlg::kEnd);
    };
    return Press(menu::kLockFunctions) ? status : kTaskFailed;
  }

  int LocksDialog(Window& dialog, WindowHandler& handler) {
    const Outcome& outcome = tool_.status.LastOutcome();
    handler.OnCommand(dialog, lockdlg::kRead);
    if (!outcome.Done()) return kTaskFailed;
    if (!request_.sets.empty()) {
      for (const std::string& set : request_.sets) {
        const size_t eq = set.find('=');
        const int id = set.substr(0, eq) == "rc-setup" ? lockdlg::kLockRcSetup : lockdlg::kLockTestProgram;
        dialog.CheckItem(id, set.substr(eq + 1) == "on");
      }
      handler.OnCommand(dialog, lockdlg::kWrite);
      if (!outcome.Done()) return kTaskFailed;
    }
    // In the words locks --set takes, so that the lines can be given back to it.
    std::printf("rc-setup=%s\n", dialog.IsItemChecked(lockdlg::kLockRcSetup) ? "on" : "off");
    std::printf("testprogram=%s\n", dialog.IsItemChecked(lockdlg::kLockTestProgram) ? "on" : "off");
    return 0;
  }

 private:
  const TaskRequest& request_;
  Tool& tool_;
  TaskUi& ui_;
  TaskMessages& messages_;
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

std::string PortNameProblem(const std::string& name) {
  // A control character would end the name where the setup file is read back.
  for (const char c : name)
    if (static_cast<unsigned char>(c) < 32) return "a port name holds no control characters";
  if (PortRowOfName(name) >= 0 || (ComPortNumber(name) >= 1 && ComPortNumber(name) <= 256)) return "";
  for (const PortRow& row : PortTable)
    if (EqualsIgnoringCase(name, row.name)) return "";
#ifdef _WIN32
  if (name.starts_with("\\\\.\\") && name.size() > 4) return "";
  constexpr const char* kDevice = "a device (\\\\.\\COM3)";
#else
  if (name.find('/') != std::string::npos) return "";
  constexpr const char* kDevice = "a device (/dev/ttyUSB0)";
#endif
  // An FTDI cable by its serial number, or "ftdi:" for the only one.
  if (name.size() >= kFtdiPortPrefix.size() && EqualsIgnoringCase(name.substr(0, kFtdiPortPrefix.size()), kFtdiPortPrefix))
    return "";
  return "'" + name + "' is no port: COM1 to COM256, a parallel port (0278, 0378, 03BC), " + kDevice +
         " or an FTDI cable (ftdi:SERIAL)";
}

std::string SettingAssignmentsProblem(const std::vector<std::string>& sets) {
  for (const std::string& set : sets) {
    const size_t eq = set.find('=');
    const std::string name = set.substr(0, eq);
    if (eq == std::string::npos || eq == 0 || eq + 1 == set.size())
      return "--set " + set + ": a setting is set as NAME=VALUE (brake=hard)";
    if (FindSetting(name)) continue;
    std::string text = "--set " + name + ": unknown setting";
    const std::vector<std::string> near = NearestSettings(name);
    for (size_t i = 0; i < near.size(); ++i) text += (i == 0 ? "; did you mean " : " or ") + near[i];
    return text + (near.empty() ? "" : "?") + " (ravix-cli settings lists them)";
  }
  return "";
}

void ListSettings(std::FILE* out) {
  std::fprintf(out, "%-26s %-8s %s\n", "NAME", "UNIT", "VALUES");
  for (const SettingRow& row : SettingRows())
    std::fprintf(out, "%-26s %-8s %s%s\n", row.key, *row.unit ? row.unit : "-", row.values,
                 row.activeOnly ? " (active set only)" : "");
  std::fputs("write --set NAME=VALUE takes these; on and off stand for true and false.\n", out);
}

int PortCommand(const std::string& name, const TaskMachine& machine, const PortInUse& inUse) {
  std::string why;
  const auto dir = ConfigDirectory(why);
  if (!dir) {
    std::fprintf(stderr, "ravix-cli: no configuration directory: %s\n", why.c_str());
    return kTaskFailed;
  }
  HeadlessUi ui;
  Platform platform{machine.clock, machine.serial, machine.os, ui};
  Tool tool(platform);
  std::string saidInBox;
  tool.status.OnBox = [&saidInBox](const ShownBox& box) { saidInBox = BoxLine(box.caption, box.text); };
  if (name.empty()) {
    // Which port the task commands take here, and from where.
    tool.setupFile.Writable = false;
    tool.setupFile.FallbackPath = ConfigSetupFile();
    // Nothing is written here: the answer below says which file was found, if any.
    static_cast<void>(tool.setupFile.InitSetupFile());
    std::error_code error;
    const bool here = std::filesystem::exists(SetupFile::FileName, error);
    const std::string stored = !tool.setupFile.FileFound ? "none stored: the default"
                               : here                    ? "stored in ./rvsetup.cfg"
                                                         : "stored in " + ConfigSetupFile();
    if (!inUse.given.empty())
      std::printf("%s (given with --port for this run)\n", inUse.given.c_str());
    else if (inUse.simulated && !tool.setupFile.FileFound)
      std::printf("COM1 (none stored: the simulated adapter's)\n");
    else
      std::printf("%s (%s)\n", tool.link.PortName.c_str(), stored.c_str());
    return 0;
  }
  std::error_code error;
  std::filesystem::create_directories(*dir, error);
  const std::filesystem::path before = std::filesystem::current_path(error);
  std::filesystem::current_path(*dir, error);
  if (error) {
    std::fprintf(stderr, "ravix-cli: cannot use %s: %s\n", dir->c_str(), error.message().c_str());
    return kTaskFailed;
  }
  const bool stored = tool.setupFile.InitSetupFile() == 0 && ((tool.link.PortName = name), true) &&
                      tool.setupFile.SavePortName() == 0;
  std::filesystem::current_path(before, error);
  if (!stored) {
    // The setup file is written in place, never through a link or into anything but a regular file.
    const std::string reason = !saidInBox.empty()               ? saidInBox
                               : !tool.status.ErrorText.empty() ? tool.status.ErrorText
                                                                : "it is no regular file that can be written";
    std::fprintf(stderr, "ravix-cli: cannot store the port in %s: %s\n", ConfigSetupFile().c_str(), reason.c_str());
    return kTaskFailed;
  }
  std::printf("%s stored in %s\n", name.c_str(), ConfigSetupFile().c_str());
  return 0;
}

int RunTask(const TaskRequest& given, const TaskMachine& machine, Terminal& terminal, SessionLogFile* log) {
  TaskRequest request = given;
  std::error_code error;
  // The update's file dialog moves the current directory; the files stay where they were named.
  if (!request.file.empty()) request.file = std::filesystem::absolute(request.file, error).string();

  HeadlessUi backend;
  TaskUi ui(backend, terminal, request.yes);
  std::unique_ptr<SessionLog> logged;
  if (log) logged = std::make_unique<SessionLog>(ui, *log);
  Platform platform{machine.clock, machine.serial, machine.os, logged ? static_cast<Ui&>(*logged) : ui};
  Tool tool(platform);
  tool.link.timing = machine.timing;
  // A task leaves nothing behind where it runs: the stored port is read from the setup
  // file there, else from the one the desktop entry's program keeps, and nothing is stored.
  tool.setupFile.Writable = false;
  tool.setupFile.FallbackPath = ConfigSetupFile();
  TaskMessages messages;
  tool.status.OnBox = [&messages](const ShownBox& box) { messages.Tell(box); };
  tool.link.ftdiUnitUs = machine.ftdiUnitUs;
  ui.mainTask = [&](Window& main, WindowHandler& handler) {
    return TaskRun(request, tool, ui, messages, terminal, main, handler).Run();
  };
  RunApplication(tool);
  std::fputs(StartDirectoryProblem(tool.setupFile, "ravix-cli").c_str(), stderr);
  return ui.ExitStatus();
}

}  // namespace ravix::cli
