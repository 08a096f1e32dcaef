#pragma once

namespace ravix::msg {

// Texts that several commands show in the same words: in message boxes, in the status
// field, or as ErrorText. Kept in one place so that they cannot drift apart.

inline constexpr char kConnecting[] = "connecting....";
inline constexpr char kNoConnection[] = "no connection!";
inline constexpr char kReadValuesFirst[] = "Read values first!";
inline constexpr char kOtherDevice[] = "angeschlossenes Ger\xC3\xA4t ist kein Ravix-Micro!";
inline constexpr char kNotSetUp[] = "Available after setup with RC!";
inline constexpr char kNotSuitable[] =
    "PC-Program not suitable,\nPlease download the compatible software !";
inline constexpr char kTooNew[] = "Please download the latest version of this software!";
// A function the controller's firmware release does not have yet, in the German words
// of the lock functions and model memory 1, and the English words of memory 2.
inline constexpr char kControllerTooOld[] =
    "Funktion bei dieser Controllerversion nicht verf\xC3\xBCgbar!";
inline constexpr char kControllerTooOldEn[] =
    "Function not available with \nthis version of controller!";
// A model memory that holds nothing, as its Read says so.
inline constexpr char kMemory1Empty[] = "Memory1 empty";
inline constexpr char kMemory2Empty[] = "Memory2 empty";

}  // namespace ravix::msg
