#include "backup/zip_names.h"

#include <cctype>

namespace {

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool IsDeviceName(const std::string& component) {
  // Windows maps these names to devices whatever extension follows them.
  std::string stem = Upper(component.substr(0, component.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* device : kDevices) {
    if (stem == device) return true;
  }
  if (stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
      stem[3] >= '0' && stem[3] <= '9') {
    return true;
  }
  return false;
}

}  // namespace

bool IsSafeNameComponent(const std::string& component) {
  if (component.empty() || component == "." || component == "..") return false;
  for (char c : component) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 32) return false;
    switch (c) {
      case ':': case '<': case '>': case '"': case '/': case '\\': case '|': case '?': case '*':
        return false;
      default:
        break;
    }
  }
  const char last = component.back();
  if (last == '.' || last == ' ') return false;
  return !IsDeviceName(component);
}

bool EntryTargetName(const std::string& entryName, bool ignorePath, std::string& target) {
  target.clear();
  // Every component is checked, also those a flat extraction drops: a name that
  // climbs, names a drive or a device is not something this program wrote.
  if (entryName.empty() || entryName[0] == '\\') return false;
  size_t start = 0;
  while (start <= entryName.size()) {
    size_t end = entryName.find('\\', start);
    if (end == std::string::npos) end = entryName.size();
    if (!IsSafeNameComponent(entryName.substr(start, end - start))) return false;
    start = end + 1;
  }
  target = ignorePath ? BareFileName(entryName) : entryName;
  return true;
}

std::string BareFileName(const std::string& path) {
  const size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}
