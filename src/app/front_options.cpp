#include "app/front_options.h"

#include <cstring>
#include <set>

#include "files/setup_file.h"
#include "app/tool_machine.h"

namespace ravix {

namespace {

// Qt's own options, which QApplication takes from the command line: with a value, and
// without one.
const std::set<std::string, std::less<>> kQtOptionsWithValue = {
    "-platform", "-platformpluginpath", "-platformtheme", "-plugin", "-qwindowgeometry", "-qwindowicon",
    "-qwindowtitle", "-style", "-stylesheet", "-session", "-display", "-geometry", "-qmljsdebugger"};
const std::set<std::string, std::less<>> kQtFlags = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};

class Parser {
 public:
  Parser(int argc, char** argv, const FrontFeatures& features, FrontOptions& options, std::string& message)
      : argc_(argc), argv_(argv), features_(features), options_(options), message_(message) {}

  // False with message_ set when the command line is not understood.
  bool Parse(const char* usage) {
    for (i_ = 1; i_ < argc_; ++i_) {
      arg_ = argv_[i_];
      if (features_.qtOptions && QtOption()) {
        if (!message_.empty()) return false;
        continue;
      }
      if (!OwnOption()) {
        if (message_.empty()) message_ = "ravix-setup: unknown argument " + arg_ + "\n" + usage;
        return false;
      }
    }
    return Consistent();
  }

 private:
  // Qt accepts its options with two dashes as well.
  bool QtOption() {
    const std::string single = arg_.starts_with("--") ? arg_.substr(1) : arg_;
    if (kQtFlags.count(single)) return true;
    if (!kQtOptionsWithValue.count(single)) return false;
    if (++i_ >= argc_) {
      message_ = "ravix-setup: " + arg_ + " needs a value\n";
      return true;
    }
    if (single == "-platform") options_.qtPlatform = argv_[i_];
    return true;
  }

  std::optional<std::string> Value(const char* what) {
    if (i_ + 1 >= argc_) {
      message_ = "ravix-setup: " + arg_ + " needs " + what + "\n";
      return std::nullopt;
    }
    return std::string(argv_[++i_]);
  }

  // True when the argument is one of the program's options; message_ says what is wrong with it.
  bool OwnOption() {
    if (arg_ == "--simulate") {
      options_.simulate = true;
    } else if (arg_ == "--script") {
      options_.script = Value("a script file");
    } else if (arg_ == "--screenshot") {
      options_.screenshotDir = Value("a directory");
    } else if (arg_ == "--sim-platform") {
      SimPlatform();
    } else if (arg_ == "--sim-state") {
      options_.simState = Value("a file");
    } else if (arg_ == "--sim-adapter") {
      SimAdapter();
    } else if (arg_ == "--timing") {
      if (const auto word = Value("specified or port-aware"); word && !ToolMachine::ParseTiming(*word, options_.timing))
        message_ = "ravix-setup: --timing takes specified or port-aware, not " + *word + "\n";
    } else if (arg_ == "--log" && features_.log) {
      options_.logPath = Value("a file");
    } else if (arg_ == "--in-config-dir" && features_.configDir) {
      options_.inConfigDir = true;
    } else if (arg_ == "--measure" && features_.measure) {
      options_.measure = true;
    } else {
      return false;
    }
    return message_.empty();
  }

  void SimPlatform() {
    const auto platform = Value("9x, nt or nt-nodriver");
    if (!platform) return;
    if (!ToolMachine::KnownSimPlatform(*platform))
      message_ = "ravix-setup: unknown simulated platform " + *platform + "\n";
    else
      options_.simPlatform = *platform;
  }

  void SimAdapter() {
    const auto model = Value(("one of " + ToolMachine::SimAdapterNames()).c_str());
    if (!model) return;
    if (!ToolMachine::KnownSimAdapter(*model))
      message_ = "ravix-setup: unknown simulated adapter " + *model + " (" + ToolMachine::SimAdapterNames() + ")\n";
    else
      options_.simAdapter = *model;
  }

  bool Consistent() {
    if (options_.simPlatform != "nt" && !options_.simulate)
      message_ = "ravix-setup: --sim-platform needs --simulate\n";
    else if (options_.simState && !options_.simulate)
      message_ = "ravix-setup: --sim-state needs --simulate\n";
    else if (options_.simAdapter != "uart" && !options_.simulate)
      message_ = "ravix-setup: --sim-adapter needs --simulate\n";
    else if (options_.screenshotDir && !options_.script)
      message_ = "ravix-setup: --screenshot goes with --script\n";
    return message_.empty();
  }

  int argc_;
  char** argv_;
  const FrontFeatures& features_;
  FrontOptions& options_;
  std::string& message_;
  int i_ = 1;
  std::string arg_;
};

}  // namespace

FrontStart ParseFrontOptions(int argc, char** argv, const FrontFeatures& features, const char* usage,
                             FrontOptions& options, std::string& message) {
  message.clear();
  // Answered before anything else, so that they work even beside a mistyped option.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || (features.shortHelp && std::strcmp(argv[i], "-h") == 0))
      return FrontStart::Help;
    if (std::strcmp(argv[i], "--version") == 0) return FrontStart::Version;
  }
  Parser parser(argc, argv, features, options, message);
  return parser.Parse(usage) ? FrontStart::Run : FrontStart::Refused;
}

std::string StartDirectoryProblem(const SetupFile& setupFile, const char* program) {
  if (setupFile.StartDirectoryError.empty()) return {};
  return std::string(program) + ": " + setupFile.StartDirectoryError + "\n";
}

}  // namespace ravix
