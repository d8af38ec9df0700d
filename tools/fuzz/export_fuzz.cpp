// libFuzzer harness over the pure parts of key export and import, built natively
// with clang by run-export-fuzz (not by the product's build). For any bytes:
//   - the strict reader reads them without fault (AddressSanitizer watches);
//   - when the import checks let them through, every key lies at or below the
//     confining key and nothing is deleted (checked here by plain text, not by
//     the rules under test);
//   - what such an import leaves, written by our writer and read back, is
//     exactly the same keys and values.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "backup/reg_export_check.h"
#include "backup/reg_export_writer.h"
#include "core/ascii_case.h"

namespace {

const std::string kConfinement = "HKEY_CURRENT_USER\\Software\\QbFuzz";

void Fault(const std::string& what) {
  std::fprintf(stderr, "fault: %s\n", what.c_str());
  std::abort();
}

bool PlainComponents(const std::string& name) {
  for (size_t start = 0;;) {
    const size_t slash = name.find('\\', start);
    const std::string part = name.substr(start, slash == std::string::npos ? slash : slash - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (slash == std::string::npos) return true;
    start = slash + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // 8-bit files read as Latin-1, where every byte is one character.
  const CodePageDecoder latin1 = [](const std::string& text, std::string& wide) {
    wide.clear();
    for (char c : text) wide += {c, '\0'};
    return true;
  };
  ExportContents contents;
  std::string error;
  if (!ParseExportFile(reinterpret_cast<const char*>(data), size, contents, error, latin1)) return 0;
  if (!ImportRefusal(contents, kConfinement).empty()) return 0;

  // The registry after the import: keys merged by name, the last value of a name wins.
  std::map<std::string, std::map<std::string, RegValue>> result;
  const std::string inside = LowerAsciiText(kConfinement);
  for (const ExportSection& section : contents.sections) {
    const std::string name = LowerAsciiText(section.keyName);
    if (section.deletes || !PlainComponents(section.keyName) ||
        (name != inside && name.compare(0, inside.size() + 1, inside + "\\") != 0)) {
      Fault("an import would write " + section.keyName);
    }
    auto& values = result[section.keyName];
    for (const RegValue& value : section.values) values[LowerAsciiText(value.name)] = value;
  }
  std::vector<RegKeyContents> keys;
  for (const auto& key : result) {
    keys.push_back({key.first, {}});
    for (const auto& value : key.second) keys.back().values.push_back(value.second);
  }
  std::string bytes, refusal;
  if (!WriteExportFile(keys, bytes, refusal)) return 0;  // a line break in a name
  ExportContents back;
  if (!ParseExportFile(bytes, back, error)) Fault("our export cannot be read: " + error);
  const std::string difference = ExportDifference(back, keys);
  if (!difference.empty()) Fault("our export does not read back: " + difference);
  return 0;
}
