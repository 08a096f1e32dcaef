#include <vector>

#include "resources/resource_builders.h"
#include "resources/resources.h"

namespace ravix {

namespace {

using K = ControlKind;

// Edits are 12 units high, check boxes 10, push buttons 14, as in the main window.

// Dialog 1228: the maximum values on the left, the motor and the controller on the
// right, the five steps of a set-up along the bottom.
DialogResource BuildRpmControl() {
  const char* values = "Max. Values";
  const char* motor = "Motor-Gearbox";
  const char* controller = "Controller";
  const char* gains = "P/I - Control";
  DialogResource d;
  d.id = IDD_RPM_CONTROL;
  d.title = "RPM-Control";
  d.width = 407;
  d.height = 189;
  d.controls = {
      Group(values, 7, 7, 190, 118),
      Label("elec. freq. motorphase, Hz", 13, 22, 110, values),
      Control(rpmdlg::kFrequencyHz, K::Edit, "", 130, 20, 50, 12, values, false),
      Label("elec. freq. motorphase, RPM", 13, 40, 110, values),
      Control(rpmdlg::kElectricalRpm, K::Edit, "", 130, 38, 50, 12, values, false),
      Label("motor-RPM ", 13, 58, 110, values),
      Control(rpmdlg::kMotorRpm, K::Edit, "", 130, 56, 50, 12, values, false),
      Label("desired rotorspeed, RPM", 13, 76, 110, values),
      Control(rpmdlg::kRotorRpm, K::Edit, "", 130, 74, 50, 12, values, false),
      Control(rpmdlg::kCalculate, K::PushButton, "Calculate", 130, 100, 50, 14, values, false),

      Group(motor, 205, 7, 195, 62),
      Label("number of poles", 211, 22, 70, motor),
      Control(motor::kPoleCount, K::Edit, "", 285, 20, 30, 12, motor),
      Label("gearbox ratio 1:", 211, 40, 70, motor),
      Control(motor::kGearRatio, K::Edit, "", 285, 38, 40, 12, motor),
      Control(motor::kSaveInput, K::PushButton, "Save Input", 335, 28, 55, 14, motor),

      Group(controller, 205, 75, 95, 50),
      Control(rpmdlg::kRead, K::DefPushButton, "Read", 211, 90, 40, 14, controller),
      Control(rpmdlg::kWrite, K::PushButton, "Write", 255, 90, 40, 14, controller, false),

      Group(gains, 305, 75, 95, 50),
      Label("P-Value", 311, 88, 40, gains),
      Control(rpmdlg::kPValue, K::Edit, "", 355, 86, 20, 12, gains, false),
      Label("I-Value", 311, 102, 40, gains),
      Control(rpmdlg::kIValue, K::Edit, "", 355, 100, 20, 12, gains, false),
      Label("1: soft / 5: hard", 311, 114, 84, gains),

      Label("1. set values Motor-Gearbox", 7, 140, 100, ""),
      Label("2. click \"Read\"", 112, 140, 60, ""),
      Label("3. type in desired rotorspeed", 177, 140, 105, ""),
      Label("4. \"calculate\"", 287, 140, 50, ""),
      Label("5. \"write\"", 342, 140, 50, ""),

      Control(rpmdlg::kDone, K::PushButton, "Done", 350, 168, 50, 14, ""),
  };
  return d;
}

// Dialog 1229: the two locks in their group, the buttons beside them.
DialogResource BuildLockFunctions() {
  const char* options = "Options";
  DialogResource d;
  d.id = IDD_LOCK_FUNCTIONS;
  d.title = "Lock Functions";
  d.width = 208;
  d.height = 90;
  d.controls = {
      Group(options, 7, 7, 120, 50),
      Control(lockdlg::kLockRcSetup, K::CheckBox, "lock RC-setup", 15, 21, 100, 10, options, false),
      Control(lockdlg::kLockTestProgram, K::CheckBox, "lock testprogram", 15, 37, 100, 10, options, false),
      Control(lockdlg::kRead, K::DefPushButton, "Read", 140, 10, 60, 14, ""),
      Control(lockdlg::kWrite, K::PushButton, "Write", 140, 30, 60, 14, "", false),
      Control(lockdlg::kEnd, K::PushButton, "End", 140, 68, 60, 14, ""),
  };
  return d;
}

// Dialog 1240: the four values on the left; the motor, the release and "Done" on the
// right. Static text 1237 names field 1218 and changes while the dialog waits.
DialogResource BuildRevCounter() {
  const char* revs = "Revs";
  const char* motor = "Motor-Gearbox";
  DialogResource d;
  d.id = IDD_REV_COUNTER;
  d.title = "Number of Revolutions";
  d.width = 374;
  d.height = 143;
  d.controls = {
      Group(revs, 7, 7, 200, 92),
      Label("elec. freq. motorphase, Hz", 13, 22, 110, revs),
      Control(revdlg::kFrequencyHz, K::ReadOnlyEdit, "", 130, 20, 60, 12, revs),
      Label("elec. freq. motorphase, RPM", 13, 40, 110, revs),
      Control(revdlg::kElectricalRpm, K::ReadOnlyEdit, "", 130, 38, 60, 12, revs),
      Label("Motor revs, rpm", 13, 58, 110, revs),
      Control(revdlg::kMotorRpm, K::ReadOnlyEdit, "", 130, 56, 60, 12, revs),
      Control(revdlg::kPropLabel, K::Label, "Prop revs, rpm", 13, 76, 110, 8, revs),
      Control(revdlg::kPropRpm, K::ReadOnlyEdit, "", 130, 74, 60, 12, revs),

      Group(motor, 215, 7, 152, 70),
      Label("number of poles", 221, 22, 75, motor),
      Control(motor::kPoleCount, K::Edit, "", 300, 20, 30, 12, motor),
      Label("gearbox ratio 1:", 221, 40, 75, motor),
      Control(motor::kGearRatio, K::Edit, "", 300, 38, 40, 12, motor),
      Control(motor::kSaveInput, K::PushButton, "Save Input", 300, 56, 55, 14, motor),

      Control(revdlg::kReleaseMotor, K::PushButton, "Release Motor", 215, 84, 80, 14, ""),
      Control(revdlg::kDone, K::DefPushButton, "Done", 317, 122, 50, 14, ""),
  };
  return d;
}

// Constant data, built once before main() and never changed.
const DialogResource kRpmControl = BuildRpmControl();
const DialogResource kLockFunctions = BuildLockFunctions();
const DialogResource kRevCounter = BuildRevCounter();

}  // namespace

// The tool dialogs' tables: RPM control 1228, lock functions 1229, rev counter 1240.
const DialogResource* FindToolDialogResource(int id) {
  switch (id) {
    case IDD_RPM_CONTROL: return &kRpmControl;
    case IDD_LOCK_FUNCTIONS: return &kLockFunctions;
    case IDD_REV_COUNTER: return &kRevCounter;
    default: return nullptr;
  }
}

}  // namespace ravix
