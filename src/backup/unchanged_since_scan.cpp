#include "backup/unchanged_since_scan.h"

#include <windows.h>

#include <vector>

#include "backup/file_utils.h"
#include "core/handles.h"
#include "core/registry.h"
#include "core/section_catalogue.h"
#include "core/startup_approved.h"
#include "core/wide_text.h"

namespace {

constexpr const char* kGoneReason = "no longer present";
constexpr const char* kChangedReason = "changed since the scan";

std::string TextUpToZero(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

// Type and bytes of a value, read the way the scanners read it (narrow), so the
// text compares with what they recorded. ERROR_SUCCESS or the system's reason.
LONG ReadValue(HKEY hKey, const std::string& name, DWORD& type, std::string& bytes) {
  DWORD size = 0;
  LONG result = RegQueryValueExA(hKey, name.c_str(), nullptr, &type, nullptr, &size);
  for (int attempt = 0; attempt < 4 && result == ERROR_SUCCESS; ++attempt) {
    std::vector<BYTE> buffer(size ? size : 1);
    DWORD got = static_cast<DWORD>(buffer.size());
    result = RegQueryValueExA(hKey, name.c_str(), nullptr, &type, buffer.data(), &got);
    if (result == ERROR_SUCCESS) {
      bytes.assign(reinterpret_cast<const char*>(buffer.data()), got);
      return result;
    }
    if (result == ERROR_MORE_DATA) {
      size = got;  // grown meanwhile: ask again at the new size
      result = ERROR_SUCCESS;
    }
  }
  return result == ERROR_SUCCESS ? ERROR_MORE_DATA : result;
}

std::string Expanded(const std::string& text) {
  std::string out;
  return ExpandEnvironmentText(text, out) ? out : text;
}

ItemState Unreadable(DWORD code, std::string& reasonOut) {
  reasonOut = "cannot be read (" + ErrorReason(code) + ")";
  return ItemState::kUnreadable;
}

ItemState CheckFile(const ProblemRecord& problem, std::string& reasonOut) {
  DWORD error = 0;
  const DWORD attributes = FileAttributes(problem.linkPath, &error);
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    if (!IsNotFoundError(error)) return Unreadable(error, reasonOut);
    reasonOut = kGoneReason;
    return ItemState::kGone;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    reasonOut = kChangedReason;
    return ItemState::kChanged;
  }
  return ItemState::kAsScanned;
}

}  // namespace

bool SameAsRecordedData(const std::string& recorded, unsigned long type,
                        const std::string& bytes, const std::string& expandedText) {
  if (TextUpToZero(bytes) == recorded) return true;
  return type == REG_EXPAND_SZ && expandedText == recorded;
}

ItemState CheckItemAsScanned(const ProblemRecord& problem, std::string& reasonOut) {
  reasonOut.clear();
  if (problem.errorType == kFileError) return CheckFile(problem, reasonOut);
  if (problem.rootKey == nullptr) return Unreadable(ERROR_INVALID_PARAMETER, reasonOut);

  KeyHandle key;
  const LONG opened = OpenRegistryKey(problem.rootKey, problem.keyPath, KEY_READ, key);
  if (opened != ERROR_SUCCESS) {
    if (!IsNotFoundError(static_cast<DWORD>(opened))) return Unreadable(opened, reasonOut);
    reasonOut = kGoneReason;
    return ItemState::kGone;
  }
  ItemState state = ItemState::kAsScanned;
  if (problem.isValue != 0) {
    DWORD type = REG_NONE;
    std::string bytes;
    const LONG read = ReadValue(key.Get(), problem.valueName, type, bytes);
    if (IsNotFoundError(static_cast<DWORD>(read))) {
      reasonOut = kGoneReason;
      state = ItemState::kGone;
    } else if (read != ERROR_SUCCESS) {
      state = Unreadable(read, reasonOut);
    } else if (problem.sectionId == kStartupPrograms && type == REG_BINARY) {
      // A StartupApproved value: the scan recorded the state it gives.
      if (problem.valueData != (ApprovalEnabled(true, bytes) ? "Enabled" : "Disabled")) {
        reasonOut = kChangedReason;
        state = ItemState::kChanged;
      }
    } else if (problem.sectionId != kSharedFiles &&
               !SameAsRecordedData(problem.valueData, type, bytes,
                                   type == REG_EXPAND_SZ ? Expanded(TextUpToZero(bytes)) : "")) {
      reasonOut = kChangedReason;
      state = ItemState::kChanged;
    }
  }
  return state;
}
