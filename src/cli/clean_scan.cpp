// `clean` runs the console scan and hands its records to removal while they live.

#include <windows.h>

#include <cstdio>

#include "cli/commands.h"
#include "cli/console_out.h"
#include "cli/console_scan.h"
#include "cli/scan_report.h"
#include "core/handles.h"

CleanScan ConsoleCleanScan() {
  return [](const std::string* sections, int pauseMs, const CleanFinish& finish) {
    // Shortcut targets are read through the shell-link object.
    const ComApartment com;
    int code = kExitUsage;
    {
      ConsoleScan scan;
      std::string error;
      if (sections && !scan.SelectSections(*sections, error)) {
        PrintTo(stderr, "%s\n", error.c_str());
      } else {
        scan.SetItemPauseMs(pauseMs);
        scan.Run();
        code = ScanExitCode(scan);
        finish(scan.Catalogue(), code == kExitNothingFound || code == kExitProblemsFound,
               [&scan](ReportStream& out, const nlohmann::json& fields,
                       std::vector<StreamedMember> members) {
                 WriteScanJson(scan, out, fields, std::move(members));
               });
      }
    }
    return code;
  };
}
