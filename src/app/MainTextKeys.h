#pragma once

namespace app {

// The string-table keys of the main window's own texts.
namespace key {

inline constexpr int ProductTitle = 1;
inline constexpr int HintCapture = 10;
inline constexpr int HintCutting = 11;
inline constexpr int HintTrackLog = 12;
inline constexpr int HintPreferences = 13;
inline constexpr int Information = 62;
inline constexpr int Warning = 63;
inline constexpr int Error = 64;
inline constexpr int UnknowError = 65;
inline constexpr int CutBusy = 70;
inline constexpr int CutStopQuestion = 71;
inline constexpr int Cutting = 72;
inline constexpr int CuttingCompleted = 73;
inline constexpr int CutTooShort = 74;
inline constexpr int CutTooLarge = 75;
inline constexpr int CutDifferentTypes = 76;
inline constexpr int StopCutting = 77;
inline constexpr int FileFormatError = 78;
inline constexpr int SaveFileNotOpened = 79;
inline constexpr int SourceNotOpened = 80;
inline constexpr int OverwriteQuestion = 81;
inline constexpr int SaveImageTo = 85;
inline constexpr int SaveVideoTo = 86;

}  // namespace key

}  // namespace app
