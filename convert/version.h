#pragma once

// The program's identity, shared by the about box, `morvane-convert --version` and, on
// Windows, the version resource.
namespace morvane::version {

inline constexpr int kMajor = 1;
inline constexpr int kMinor = 4;
inline constexpr int kPatch = 1;
inline constexpr int kBuild = 0;

inline constexpr const char* kFileVersion = "1, 4, 1, 0";     // "FileVersion"
inline constexpr const char* kProductVersion = "1, 4, 1, 0";  // "ProductVersion"
inline constexpr const char* kNumericVersion = "1.4.1.0";
inline constexpr const char* kDisplayVersion = "1.41";         // as the dialogs show it
inline constexpr const char* kComments = "RexEdit file(*.dvc) List output";
inline constexpr const char* kFileDescription = "morvane MFC apprication";
inline constexpr const char* kInternalName = "morvane";
inline constexpr const char* kOriginalFilename = "morvane.exe";
inline constexpr const char* kProductName = "morvane apprication";
inline constexpr const char* kCompanyName = "The morvane developers";
inline constexpr const char* kLegalCopyright = "Copyright (C) the morvane developers";

}  // namespace morvane::version
