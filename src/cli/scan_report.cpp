#include "cli/scan_report.h"

#include "core/product.h"
#include "core/registry.h"

namespace {

std::string Program() { return std::string(qb::kProductName) + " " + qb::kProductVersion; }

std::string Plural(int count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace

nlohmann::json ProblemJson(const ProblemRecord& record) {
  nlohmann::json problem;
  problem["type"] = ErrorType(record);
  if (record.errorType == kRegistryError) {
    problem["root"] = RootKeyName(record.rootKey);
    problem["key"] = record.keyPath;
    problem["valueName"] = record.valueName;
    problem["valueData"] = record.valueData;
    // Whose entry it is: "32" for a 32-bit program's (named by its explicit
    // Wow6432Node path, or a type library's 32-bit code), whose paths were tested
    // as that program finds them.
    problem["view"] = ViewName(ProblemView(record));
  } else {
    problem["linkPath"] = record.linkPath;
    problem["targetPath"] = record.targetPath;
  }
  problem["message"] = record.message;
  return problem;
}

nlohmann::json ScanJson(ConsoleScan& scan) {
  nlohmann::json document;
  document["program"] = Program();
  document["status"] = scan.EndText();
  document["totalProblems"] = scan.Store().totalProblems();
  document["affectedSections"] = scan.Store().affectedSections();
  nlohmann::json sections = nlohmann::json::array();
  for (const ConsoleRow& row : scan.Rows()) {
    if (row.section == nullptr) continue;
    const ScanSection& section = *row.section;
    nlohmann::json entry;
    entry["id"] = section.sectionId;
    entry["name"] = section.name;
    entry["severity"] = SeverityName(section.severity);
    entry["status"] = row.status;
    entry["count"] = section.problemCount();
    nlohmann::json problems = nlohmann::json::array();
    for (const auto& record : section.problems) problems.push_back(ProblemJson(*record));
    entry["problems"] = problems;
    sections.push_back(entry);
  }
  document["sections"] = sections;
  return document;
}

std::string DumpJson(const nlohmann::json& document) {
  return document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string ScanText(ConsoleScan& scan) {
  std::string text = Program() + " - " + scan.EndText() + "\n\n";
  for (const ConsoleRow& row : scan.Rows()) {
    if (row.section == nullptr) continue;
    const ScanSection& section = *row.section;
    text += section.name + "  [" + SeverityName(section.severity) + "]  " + row.status + ", " +
            Plural(section.problemCount(), "problem") + "\n";
    for (const auto& record : section.problems) {
      const ProblemRecord& r = *record;
      const std::string kind = ErrorType(r);
      text += "  " + kind + std::string(kind.size() < 10 ? 10 - kind.size() : 1, ' ');
      if (r.errorType == kRegistryError) {
        text += RootKeyName(r.rootKey) + "\\" + r.keyPath + "\n";
        if (!r.valueName.empty() || !r.valueData.empty()) {
          text += "            " + (r.valueName.empty() ? std::string("(Default)") : r.valueName) +
                  " = " + r.valueData + "\n";
        }
      } else {
        text += r.linkPath + " -> " + r.targetPath + "\n";
      }
      text += "            " + r.message + "\n";
    }
  }
  text += "\nTotal Problems : " + std::to_string(scan.Store().totalProblems()) + "\n";
  text += "Affected Sections : " + std::to_string(scan.Store().affectedSections()) + "\n";
  if (!scan.LogPath().empty()) text += "Log : " + scan.LogPath() + "\n";
  return text;
}

int ScanExitCode(ConsoleScan& scan) {
  if (scan.Aborted()) return 3;
  return scan.Store().totalProblems() > 0 ? 1 : 0;
}
