#pragma once
// What a console scan found: the JSON document and the readable text report.

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/console_scan.h"
#include "cli/json_stream.h"

// One problem's object of the JSON document (small: it is dumped and dropped).
nlohmann::json ProblemJson(const ProblemRecord& record);
// The scan's JSON document, written as it goes (no whole tree, whatever the
// number of problems). `fields` and `members` are added to the document in their
// key order: `clean` adds what it removed and kept.
void WriteScanJson(ConsoleScan& scan, ReportStream& out,
                   const nlohmann::json& fields = nlohmann::json::object(),
                   std::vector<StreamedMember> members = {});
// The readable report grouped by section, written as it goes.
void WriteScanText(ConsoleScan& scan, ReportStream& out);

// Registry data may hold any bytes: invalid UTF-8 is replaced, never thrown on.
std::string DumpJson(const nlohmann::json& document);

// A registry or file text as the text report shows it: control characters,
// Unicode direction overrides and bytes that are not UTF-8 are written as
// escapes (\n, \x1b, \u202e ...), so a name or value cannot move the cursor,
// colour the terminal or forge report lines. Backslashes stay as they are.
std::string ConsoleText(const std::string& text);

// The program's words, line by line through ConsoleText (a name from an archive
// or the registry must not drive the terminal); nothing for "".
void PrintMessage(FILE* stream, const std::string& text);

// 0 nothing found, 1 problems found, 3 aborted.
int ScanExitCode(ConsoleScan& scan);
