#pragma once
// The task commands of ravix-cli against one simulated controller that keeps its
// memory from command to command, as a real one does.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "cli/tasks.h"
#include "cli/terminal.h"
#include "sim/sim_adapter.h"
#include "temp_dir.h"

namespace ravix {

class CliTasksTest : public FreshDirectoryTest {
 protected:
  CliTasksTest() : FreshDirectoryTest("ravix-cli-tasks-") {}

  struct Result {  // NOLINT
    int status;
    std::string out, err;
  };

  Result Run(cli::TaskRequest request) {
    if (request.port.empty()) request.port = "COM1";
    cli::Terminal terminal(stdin, stderr);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = cli::RunTask(request, {clock_, adapter_, adapter_}, terminal);
    std::string out = testing::internal::GetCapturedStdout();
    return {status, out, testing::internal::GetCapturedStderr()};
  }

  sim::SimClock clock_{true};
  sim::SimAdapter adapter_{clock_};
  std::array<uint8_t, sim::kSettingBytes>& bytes_ = adapter_.controller.settings;
};

}  // namespace ravix
