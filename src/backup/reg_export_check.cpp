#include "backup/reg_export_check.h"

#include <map>

#include "backup/restore_rules.h"
#include "core/ascii_case.h"

namespace {

std::string Shown(const std::string& valueName) {
  return valueName.empty() ? "the default value" : "the value \"" + valueName + "\"";
}

const char* Difference(const RegValue& a, const RegValue& b) {
  if (a.name != b.name) return "the letter case of the name";
  if (a.type != b.type) return "its type";
  if (a.data != b.data) return "its data";
  return nullptr;
}

// "" when the section's values are exactly the live key's.
std::string ValueDifference(const std::vector<RegValue>& exported, const std::vector<RegValue>& live,
                            const std::string& keyName) {
  std::map<std::string, const RegValue*> byName;
  for (const RegValue& value : exported) {
    if (!byName.emplace(LowerAsciiText(value.name), &value).second) {
      return "the export sets " + Shown(value.name) + " of " + keyName + " twice";
    }
  }
  for (const RegValue& value : live) {
    const auto found = byName.find(LowerAsciiText(value.name));
    if (found == byName.end()) return "the export lacks " + Shown(value.name) + " of " + keyName;
    if (const char* what = Difference(*found->second, value)) {
      return "the export differs from the key in " + std::string(what) + " of " +
             Shown(value.name) + " of " + keyName;
    }
    byName.erase(found);
  }
  if (!byName.empty()) {
    return "the export holds " + Shown(byName.begin()->second->name) + " of " + keyName +
           ", which the key does not have";
  }
  return "";
}

bool KnownRoot(const std::string& fullKeyName) {
  const std::string root = fullKeyName.substr(0, fullKeyName.find('\\'));
  for (const char* known : {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER", "HKEY_CLASSES_ROOT",
                            "HKEY_USERS", "HKEY_CURRENT_CONFIG"}) {
    if (SameIgnoringAsciiCase(root, known)) return true;
  }
  return false;
}

}  // namespace

std::string ExportDifference(const ExportContents& exported, const std::vector<RegKeyContents>& live) {
  if (exported.inexactLine != 0) {
    return "the export cannot be read exactly (line " + std::to_string(exported.inexactLine) +
           ": " + exported.inexactReason + ")";
  }
  if (exported.valueDeletionLine != 0) return "the export would delete a value";
  std::map<std::string, const ExportSection*> byName;
  for (const ExportSection& section : exported.sections) {
    if (section.deletes) return "the export would delete the key " + section.keyName;
    if (!byName.emplace(section.keyName, &section).second) {
      return "the export names the key " + section.keyName + " twice";
    }
  }
  for (const RegKeyContents& key : live) {
    const auto found = byName.find(key.keyName);
    if (found == byName.end()) return "the export lacks the key " + key.keyName;
    const std::string difference = ValueDifference(found->second->values, key.values, key.keyName);
    if (!difference.empty()) return difference;
    byName.erase(found);
  }
  if (!byName.empty()) {
    return "the export holds the key " + byName.begin()->first + ", which is not there";
  }
  return "";
}

std::string ImportRefusal(const ExportContents& exported, const std::string& confinementKey) {
  if (exported.inexactLine != 0) {
    return "line " + std::to_string(exported.inexactLine) + " of the export holds " +
           exported.inexactReason;
  }
  if (exported.sections.empty()) return "the export holds no key";
  if (exported.valueDeletionLine != 0) {
    return "the export would delete a value (line " + std::to_string(exported.valueDeletionLine) + ")";
  }
  if (!KnownRoot(confinementKey)) return "the key " + confinementKey + " is under no known root";
  for (const ExportSection& section : exported.sections) {
    if (section.deletes) return "the export would delete the key " + section.keyName;
    if (!KeyAtOrBelow(section.keyName, confinementKey)) {
      return "the export holds the key " + section.keyName + ", outside " + confinementKey;
    }
  }
  return "";
}
