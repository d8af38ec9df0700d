#include "cli/scan_report.h"

#include "cli/console_out.h"
#include "core/elevation.h"
#include "core/product.h"
#include "core/registry.h"
#include "scan/section_registry.h"

namespace {

std::string Program() { return std::string(qb::kProductName) + " " + qb::kProductVersion; }

std::string Plural(int count, const char* word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

std::string Hex(unsigned long code, int digits, const char* prefix) {
  static const char kDigits[] = "0123456789abcdef";
  std::string text = prefix;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) text += kDigits[(code >> shift) & 15];
  return text;
}

// Length of the UTF-8 sequence at text[i] and its code point; 0 when invalid.
size_t Utf8Sequence(const std::string& text, size_t i, unsigned long& code) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
  if (lead >= 0xF5 || length == 0 || i + length > text.size()) return 0;
  code = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    code = (code << 6) | (next & 0x3F);
  }
  const unsigned long least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
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

namespace {

// One row of the progress list: the section's totals and its problems.
void WriteSectionJson(ReportStream& out, const ConsoleRow& row) {
  const ScanSection& section = *row.section;
  nlohmann::json entry;
  entry["id"] = section.sectionId;
  entry["name"] = section.name;
  entry["severity"] = SeverityName(section.severity);
  entry["status"] = row.status;
  entry["count"] = section.problemCount();
  entry["ignored"] = section.ignored;
  entry["notChecked"] = section.notChecked;
  WriteJsonObject(out, entry, {{"problems", [&section](ReportStream& problemsOut) {
                                  JsonArray problems(problemsOut);
                                  for (const auto& record : section.problems) {
                                    WriteJson(problems.Next(), ProblemJson(*record));
                                  }
                                  problems.End();
                                }}});
}

}  // namespace

void WriteScanJson(ConsoleScan& scan, ReportStream& out, const nlohmann::json& fields,
                   std::vector<StreamedMember> members) {
  nlohmann::json document = fields;
  document["program"] = Program();
  document["status"] = scan.EndText();
  document["totalProblems"] = scan.Store().totalProblems();
  document["affectedSections"] = scan.Store().affectedSections();
  document["elevated"] = ProcessIsElevated();
  members.push_back({"sections", [&scan](ReportStream& sectionsOut) {
                       JsonArray sections(sectionsOut);
                       for (const ConsoleRow& row : scan.Rows()) {
                         if (row.section) WriteSectionJson(sections.Next(), row);
                       }
                       sections.End();
                     }});
  WriteJsonObject(out, document, std::move(members));
}

std::string DumpJson(const nlohmann::json& document) {
  return document.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::string ConsoleText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7F) {
      out += text[i++];
      continue;
    }
    if (c == '\n' || c == '\r' || c == '\t') {
      out += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
      ++i;
      continue;
    }
    unsigned long code = 0;
    const size_t length = c >= 0x80 ? Utf8Sequence(text, i, code) : 0;
    if (length == 0) {
      out += Hex(c, 2, "\\x");
      ++i;
      continue;
    }
    const bool control = code < 0xA0 || (code >= 0x202A && code <= 0x202E) ||
                         (code >= 0x2066 && code <= 0x2069) || code == 0x200E || code == 0x200F;
    out += control ? Hex(code, 4, "\\u") : text.substr(i, length);
    i += length;
  }
  return out;
}

void WriteScanText(ConsoleScan& scan, ReportStream& out) {
  out.Write(Program() + " - " + scan.EndText() + "\n\n");
  for (const ConsoleRow& row : scan.Rows()) {
    if (row.section == nullptr) continue;
    const ScanSection& section = *row.section;
    out.Write(section.name + "  [" + SeverityName(section.severity) + "]  " + row.status + ", " +
              Plural(section.problemCount(), "problem") +
              (section.ignored > 0 ? ", " + std::to_string(section.ignored) + " ignored" : "") +
              (section.notChecked > 0 ? ", " + std::to_string(section.notChecked) + " not checked"
                                      : "") +
              "\n");
    for (const auto& record : section.problems) {
      const ProblemRecord& r = *record;
      const std::string kind = ErrorType(r);
      std::string text = "  " + kind + std::string(kind.size() < 10 ? 10 - kind.size() : 1, ' ');
      if (r.errorType == kRegistryError) {
        text += ConsoleText(RootKeyName(r.rootKey) + "\\" + r.keyPath) + "\n";
        if (!r.valueName.empty() || !r.valueData.empty()) {
          text += "            " +
                  (r.valueName.empty() ? std::string("(Default)") : ConsoleText(r.valueName)) +
                  " = " + ConsoleText(r.valueData) + "\n";
        }
      } else {
        text += ConsoleText(r.linkPath) + " -> " + ConsoleText(r.targetPath) + "\n";
      }
      out.Write(text + "            " + ConsoleText(r.message) + "\n");
    }
  }
  out.Write("\nTotal Problems : " + std::to_string(scan.Store().totalProblems()) + "\n");
  out.Write("Affected Sections : " + std::to_string(scan.Store().affectedSections()) + "\n");
  if (scan.Store().Ignoring()) {
    out.Write("Ignored : " + ConsoleText(IgnoredSummary(scan.Catalogue())) + "\n");
  }
  if (scan.DeniedSections() > 0) {
    // The sentence after the end text, as the window's end message has it.
    const std::string message =
        ScanEndMessage(scan.EndText(), scan.DeniedSections(), ProcessIsElevated());
    out.Write(message.substr(message.rfind('\n') + 1) + "\n");
  }
  if (!scan.LogPath().empty()) out.Write("Log : " + scan.LogPath() + "\n");
}

int ScanExitCode(ConsoleScan& scan) {
  if (scan.Aborted()) return 3;
  return scan.Store().totalProblems() > 0 ? 1 : 0;
}

void PrintMessage(FILE* stream, const std::string& text) {
  if (text.empty()) return;
  size_t start = 0;
  for (;;) {
    const size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? end : end - start);
    while (!line.empty() && line.back() == '\r') line.pop_back();
    PrintTo(stream, "%s\n", ConsoleText(line).c_str());
    if (end == std::string::npos) break;
    start = end + 1;
  }
}
