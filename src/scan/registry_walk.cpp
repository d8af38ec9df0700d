// The full registry scan: every REG_SZ value below the machine's and the user's
// Software keys whose text holds a drive path naming nothing that exists.
//
// The walk keeps its own stack of open keys instead of recursing: the registry
// allows 512 levels of nesting, far deeper than the thread's stack would take
// with a frame per level. The visit order stays that of a depth-first recursion:
// a key's subkeys (in enumeration order, each with everything below it) before
// the key's own values.

#include <cstring>
#include <exception>
#include <vector>

#include "core/registry.h"
#include "core/section_catalogue.h"
#include "framework/prompt.h"
#include "scan/path_tests.h"
#include "scan/registry_read.h"
#include "scan/section_scanner.h"

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerText(std::string text) {
  for (char& c : text) c = LowerAscii(c);
  return text;
}

void CutAtLast(std::string& text, char c) {
  const size_t at = text.rfind(c);
  if (at != std::string::npos) text.erase(at);
}

struct WalkFrame {
  HKEY hKey;
  bool owned;
  std::string path;
  DWORD subKeys;
  DWORD values;
  DWORD nextSubKey;
};

void CloseFrame(WalkFrame& frame) {
  if (frame.owned && frame.hKey) RegCloseKey(frame.hKey);
  frame.hKey = nullptr;
}

WalkFrame MakeFrame(HKEY hKey, bool owned, std::string path) {
  WalkFrame frame{hKey, owned, std::move(path), 0, 0, 0};
  if (RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, &frame.subKeys, nullptr, nullptr,
                       &frame.values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
    frame.subKeys = frame.values = 0;
  }
  return frame;
}

}  // namespace

bool DrivePathStart(const std::string& text, std::string& lowerOut) {
  const size_t at = text.find(":\\");
  if (at == std::string::npos || at < 1) return false;
  const char letter = LowerAscii(text[at - 1]);
  if (letter < 'a' || letter > 'z') return false;
  lowerOut = LowerText(text.substr(at - 1));
  return true;
}

std::string TrimCandidatePath(std::string text) {
  const size_t comma = text.find(',');
  if (comma != std::string::npos) text.erase(comma);
  CutAtLast(text, '%');
  CutAtLast(text, '"');
  CutAtLast(text, '/');
  CutAtLast(text, ';');
  return text;
}

bool SplitRegistryPath(const std::string& path, HKEY& rootOut, std::string& keyOut) {
  const size_t slash = path.find('\\');
  if (slash == std::string::npos) return false;
  rootOut = RootKeyFromName(path.substr(0, slash));
  const size_t keyStart = path.find_first_not_of('\\', slash);
  keyOut = keyStart == std::string::npos ? std::string() : path.substr(keyStart);
  return true;
}

int SectionScanner::ScanMachineSoftware(int /*pauseMs: this walk never pauses*/) {
  ScopedKey hKey;
  if (!hKey.Open(HKEY_LOCAL_MACHINE, "SOFTWARE")) return m_bRunning;
  WalkRegistryKey(hKey.Get(), "HKEY_LOCAL_MACHINE\\Software");
  return m_bRunning;
}

int SectionScanner::ScanUserSoftware() {
  ScopedKey hKey;
  if (!hKey.Open(HKEY_CURRENT_USER, "SOFTWARE")) return m_bRunning;
  WalkRegistryKey(hKey.Get(), "HKEY_CURRENT_USER\\Software");
  return m_bRunning;
}

int SectionScanner::WalkRegistryKey(HKEY hKey, const std::string& path) {
  if (!m_bRunning) return 0;

  std::vector<WalkFrame> stack;
  stack.push_back(MakeFrame(hKey, false, path));
  std::vector<char> valueName(16384);
  std::string name, text, candidate, status;

  while (!stack.empty()) {
    if (!m_bRunning) break;
    try {
      WalkFrame& frame = stack.back();
      if (frame.nextSubKey < frame.subKeys) {
        std::string name;
        if (!EnumSubKeyName(frame.hKey, frame.nextSubKey++, name)) continue;
        HKEY hSub = nullptr;
        if (RegOpenKeyExA(frame.hKey, name.c_str(), 0, KEY_ALL_ACCESS, &hSub) != ERROR_SUCCESS) {
          continue;
        }
        // Class registrations are the other sections' business, and far too many.
        if (LowerText(name).find("classes") != std::string::npos) {
          RegCloseKey(hSub);
          continue;
        }
        std::string subPath = frame.path + "\\" + name;
        stack.push_back(MakeFrame(hSub, true, std::move(subPath)));
        continue;
      }

      for (DWORD index = 0; index < frame.values && m_bRunning; ++index) {
        // One read gives name, type and data; data over 260 bytes fails it.
        char data[261];
        DWORD nameLength = 16383, dataSize = 260, type = 0;
        if (RegEnumValueA(frame.hKey, index, valueName.data(), &nameLength, nullptr, &type,
                          reinterpret_cast<BYTE*>(data), &dataSize) != ERROR_SUCCESS ||
            type != REG_SZ || dataSize > 260) {
          continue;
        }
        data[dataSize] = '\0';
        // The texts are reused from item to item: most values cost no allocation.
        name.assign(valueName.data(), nameLength < 16383 ? nameLength : 16383);
        text.assign(data, std::strlen(data));

        if (DrivePathStart(text, candidate)) {
          ExpandEnvironment(candidate);
          candidate = TrimCandidatePath(candidate);
          if (!ReferencedFileExists(candidate) && !IsDirectory(candidate)) {
            HKEY hRoot = nullptr;
            std::string keyPath;
            SplitRegistryPath(frame.path, hRoot, keyPath);
            ReportRegistry(kFullRegistryScan, hRoot, keyPath, name, text, 1,
                           FileNotFoundMessage(candidate));
          }
        }
        status.assign(frame.path).append(1, '\\').append(name);
        Status(status);
        Pump();
      }
      CloseFrame(frame);
      stack.pop_back();
    } catch (...) {
      // One damaged key must not end the whole walk: its parent goes on.
      ShowMessage("Internal Windows Error, Please restart");
      CloseFrame(stack.back());
      stack.pop_back();
    }
  }
  for (WalkFrame& frame : stack) CloseFrame(frame);
  return m_bRunning;
}
