#pragma once
// Names and texts that identify the program and where it keeps its settings.

namespace qb {

constexpr const char* kProductName = "Quillbane";
constexpr const char* kProductVersion = "v2.1";
// The maker's name: caption of the backup question, settings key, Run-key value name.
constexpr const char* kMakerName = "Tarnwick";
// Settings key below HKEY_CURRENT_USER.
constexpr const char* kSettingsKeyPath = "Software\\Tarnwick";

}  // namespace qb
