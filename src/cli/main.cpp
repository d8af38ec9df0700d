// quillbane-cli: the console front end over the engine.

#include <windows.h>

#include <cstdio>
#include <exception>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/backup_commands.h"
#include "cli/commands.h"
#include "core/product.h"

int main(int argc, char** argv) {
  SetConsoleOutputCP(CP_UTF8);
  const std::string banner = std::string(qb::kProductName) + " " + qb::kProductVersion;
  CLI::App app{banner + " - finds and removes stale registry entries and broken shortcuts",
               "quillbane-cli"};
  app.set_version_flag("--version", banner);
  app.footer("Exit codes: 0 nothing found or done, 1 problems found, 2 usage or runtime error "
             "(for clean: an item kept because something failed), 3 aborted, 4 clean: an item "
             "reported removed is still there.");
  app.require_subcommand(0, 1);

  int exitCode = -1;
  AddScanCommand(app, exitCode);
  RegisterBackupCommands(app, exitCode, ConsoleCleanScan());
  AddIgnoreCommand(app, exitCode);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kExitUsage;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return kExitUsage;
  }
  if (exitCode >= 0) return exitCode;
  // No command given: say what there is.
  std::fputs(app.help().c_str(), stdout);
  return kExitUsage;
}
