#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "link/link.h"
#include "status/status.h"

namespace ravix {

// The setup file "rvsetup.cfg" in the directory current at start-up: the port in
// use, the update file chosen last, the motor's pole count and gear ratio. Fields
// lie at fixed offsets and are rewritten in place one by one; the file is opened
// and closed within each operation.
//
//   0    4        port name, no terminator: COM1 to COM8, 0278, 0378, 03BC; for any
//                 other port the marker "*EXT", which no reader before long names took
//                 for a port (they fall back to their default port)
//   4    26       with the marker: the port name (at most 25 bytes), a zero byte, zeros
//                 to the end of the field; else unused (zero where the file was
//                 extended over it)
//   30   2        CR LF
//   32   L + 21   update path, a zero byte, 20 blanks (L at most 203)
//   256  2        pole count, "%2d"
//   258  2        two zero bytes
//   260  to end   gear ratio, "%1.2f"
class SetupFile {
 public:
  static constexpr const char* FileName = "rvsetup.cfg";
  static constexpr long PortNameOffset = 0;
  static constexpr std::string_view LongPortMarker = "*EXT";
  static constexpr long LongPortNameOffset = 4;
  // With its terminator the longest name fills bytes 4 to 29.
  static constexpr size_t MaxLongPortName = 25;
  static constexpr long LineEndOffset = 30;
  static constexpr long UpdatePathOffset = 32;
  static constexpr long PoleCountOffset = 256;
  static constexpr long GearRatioOffset = 260;
  // The longest path whose field (path, zero byte, 20 blanks) still ends before the pole count.
  static constexpr size_t MaxUpdatePath = PoleCountOffset - UpdatePathOffset - 21;

  // Port name, DirectPortIo and PortDriverReady come from the link; failures go to
  // ErrorText or into message boxes.
  SetupFile(Link& link, Status& status) : link_(link), status_(status) {}

  // False for a run whose port was given for it alone: the file is read where it is
  // there, but never made or changed, and what would be stored (the port, the
  // update path, the motor values) is kept for this run only.
  bool Writable = true;
  // For a file that is only read: where the port is read from when the start
  // directory holds no setup file (the one of the user's configuration directory).
  std::string FallbackPath;
  // InitSetupFile found a setup file (in the start directory, or at FallbackPath).
  bool FileFound = false;

  std::string StartDirectory;
  // Why the current directory could not be taken as StartDirectory ("_getcwd error:
  // ..."), empty when it was; for the front end to print.
  std::string StartDirectoryError;
  int PoleCount = 0;
  float GearRatio = 0.0f;
  // InitSetupFile took PortName from the long form (a port above COM8, a device path).
  bool PortNameStoredLong = false;

  // Remembers the current directory as StartDirectory, opens the file (creating it
  // only when it cannot be opened), takes PortName from it and writes it back. 1 when
  // the file can neither be opened nor created; PortName is set all the same.
  [[nodiscard]] int InitSetupFile();
  // PortName to offset 0 (a name of the port table), or in the long form; a name too
  // long for either is not stored. 1 with ErrorText when the file cannot be opened.
  [[nodiscard]] int SavePortName();
  // The update path to offset 32; 1 with "Open Error 'rvsetup.cfg'!" in ErrorText.
  [[nodiscard]] int StoreUpdatePath(const std::string& path);
  // Loads PoleCount and GearRatio (2 and 1.0 for missing, unreadable or unusable
  // fields) and writes them back; 1 after an "open error" box.
  [[nodiscard]] int LoadRpmValues();
  // Stores both values and makes them PoleCount and GearRatio; 1 after an "open
  // error" box, or for a pole count that does not fit its two characters.
  [[nodiscard]] int StoreRpmValues(int poleCount, float gearRatio);

  // Makes StartDirectory the current directory again (the file dialog moves it).
  void EnterStartDirectory();
  // The port of a new setup file: "0378" where the parallel port can be reached, else "COM2".
  std::string DefaultPortName() const;

 private:
  std::string FilePath() const;
  // The port field of a file that is only read: nothing when there is no such file.
  std::optional<std::string> ReadOnlyPortField(const std::string& path) const;
  // PortName from the stored field (nothing: no file), with the defaults for an empty
  // field and for a parallel port that cannot be reached.
  void TakeStoredPortName(const std::optional<std::string>& field);
  void ShowOpenError();

  Link& link_;
  Status& status_;
};

}  // namespace ravix
