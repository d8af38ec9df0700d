// quillbane-cli scan [--sections 3,4,13] [--json] [--pause-ms N]

#include <cstdio>

#include "cli/commands.h"
#include "cli/console_out.h"
#include "cli/console_scan.h"
#include "cli/scan_report.h"
#include "core/handles.h"

namespace {

struct ScanOptions {
  std::string sections;
  bool json = false;
  int pauseMs = 0;
};

int RunScanCommand(const ScanOptions& options, bool sectionsGiven) {
  const ComApartment com;
  ConsoleScan scan;
  if (sectionsGiven) {
    std::string error;
    if (!scan.SelectSections(options.sections, error)) {
      PrintTo(stderr, "%s\n", error.c_str());
      return kExitUsage;
    }
  }
  scan.SetItemPauseMs(options.pauseMs);
  scan.Run();
  ReportStream out(stdout);
  if (options.json) {
    WriteScanJson(scan, out);
    out.Write("\n");
  } else {
    WriteScanText(scan, out);
  }
  // A report cut short (a full disk, a closed pipe) must not pass for a whole one.
  if (!out.Finish()) {
    PrintTo(stderr, "%s\n", kReportNotWritten);
    return kExitUsage;
  }
  return ScanExitCode(scan);
}

}  // namespace

void AddPauseOption(CLI::App& command, int& pauseMs) {
  command
      .add_option("--pause-ms", pauseMs,
                  "Pause N ms after each item, as the window does (default 0: no pause)")
      ->check(CLI::Range(0, 1000))
      ->type_name("N");
}

void AddScanCommand(CLI::App& app, int& exitCode) {
  auto options = std::make_shared<ScanOptions>();
  CLI::App* scan = app.add_subcommand(
      "scan", "Scan the enabled sections (or the listed ones) and report the problems found");
  CLI::Option* sections =
      scan->add_option("--sections", options->sections,
                       "Comma-separated section ids to scan instead of the enabled ones");
  scan->add_flag("--json", options->json, "Print one JSON document on stdout");
  AddPauseOption(*scan, options->pauseMs);
  scan->callback([options, sections, &exitCode]() {
    exitCode = RunScanCommand(*options, sections->count() > 0);
  });
}
