#include "script/script_names.h"

namespace ravix::script {

namespace {

constexpr int kMain = 1226, kRpm = 1228, kLocks = 1229, kRevs = 1240;

// Built once before main() and never changed.
const std::vector<ControlName> kNames = {
    // Main window: buttons and fields.
    {kMain, "read", 1149},
    {kMain, "write", 1150},
    {kMain, "end", 2},
    {kMain, "status", 1044},
    {kMain, "version-typ", 1145},
    {kMain, "full-speed", 1135},
    {kMain, "neutral", 1166},
    {kMain, "stop-ret", 1134},
    {kMain, "7-8-khz", 1138},
    {kMain, "15-6-khz", 1139},
    {kMain, "control-speed", 1142},
    {kMain, "startup-power", 1164},
    {kMain, "emf-brake", 1146},
    {kMain, "commutation-timing", 1140},
    {kMain, "ignore", 1168},
    {kMain, "reduce-power", 1171},
    {kMain, "switch-off", 1170},
    {kMain, "0-8v-cell", 1193},
    {kMain, "volt", 1194},
    {kMain, "small-high-security", 1180},
    {kMain, "medium", 1181},
    {kMain, "high-for-helicopters", 1182},
    {kMain, "active-rpm-control", 1175},
    {kMain, "max-frequency", 1212},
    {kMain, "setting-up", 1210},
    {kMain, "overtemp-protection", 1191},
    {kMain, "blocked-motor-protect", 1190},
    {kMain, "rpm-limit", 1188},
    {kMain, "active-free-wheeling", 1137},
    {kMain, "forward-reverse", 1169},
    {kMain, "transmitter-failure", 1177},
    {kMain, "overtemperature", 1178},
    {kMain, "undervoltage", 1179},
    {kMain, "blocked-motor", 1192},
    {kMain, "reset", 1183},
    // Main window: menu commands.
    {kMain, "open-update-file", 1147},
    {kMain, "save-settings-as", 2101},
    {kMain, "load-settings", 2102},
    {kMain, "com1", 1155},
    {kMain, "com2", 1156},
    {kMain, "com3", 1157},
    {kMain, "com4", 1158},
    {kMain, "com5", 1159},
    {kMain, "com6", 1160},
    {kMain, "com7", 1161},
    {kMain, "com8", 1162},
    {kMain, "port-0278", 1152},
    {kMain, "port-0378", 1153},
    {kMain, "port-03bc", 1154},
    {kMain, "read-memory1", 1198},
    {kMain, "read-memory2", 1199},
    {kMain, "write-memory1", 1200},
    {kMain, "write-memory2", 1201},
    {kMain, "lock-funktions", 1202},
    {kMain, "calibrate-rc-oscillator", 1208},
    {kMain, "controller-info", 1225},
    {kMain, "rev-counter", 1238},
    {kMain, "help-file", 1104},
    {kMain, "internet-servicepage", 1197},
    {kMain, "about", 1151},
    // Lock functions dialog.
    {kLocks, "read", 1204},
    {kLocks, "write", 1205},
    {kLocks, "lock-rc-setup", 1206},
    {kLocks, "lock-testprogram", 1207},
    {kLocks, "end", 2},
    // RPM-control dialog.
    {kRpm, "elec-freq-motorphase-hz", 1212},
    {kRpm, "elec-freq-motorphase-rpm", 1215},
    {kRpm, "motor-rpm", 1219},
    {kRpm, "desired-rotorspeed-rpm", 1218},
    {kRpm, "calculate", 1216},
    {kRpm, "number-of-poles", 1176},
    {kRpm, "gearbox-ratio-1", 1220},
    {kRpm, "save-input", 1221},
    {kRpm, "read", 1213},
    {kRpm, "write", 1214},
    {kRpm, "p-value", 1241},
    {kRpm, "i-value", 1242},
    {kRpm, "done", 1},
    // Rev counter dialog.
    {kRevs, "elec-freq-motorphase-hz", 1212},
    {kRevs, "elec-freq-motorphase-rpm", 1215},
    {kRevs, "motor-revs-rpm", 1219},
    {kRevs, "prop-revs-rpm", 1218},
    {kRevs, "number-of-poles", 1176},
    {kRevs, "gearbox-ratio-1", 1220},
    {kRevs, "save-input", 1221},
    {kRevs, "release-motor", 1235},
    {kRevs, "done", 1},
};

}  // namespace

const std::vector<ControlName>& ControlNames() { return kNames; }

std::optional<int> IdOfName(int dialog, std::string_view name) {
  for (const ControlName& entry : kNames)
    if (entry.dialog == dialog && entry.name == name) return entry.id;
  return std::nullopt;
}

}  // namespace ravix::script
