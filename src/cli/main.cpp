// quillbane-cli: the console front end over the engine.

#include <windows.h>

#include <cstdio>
#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "cli/console_out.h"
#include "core/product.h"

namespace {

// Windows console programs take "/?" and "-?" for help, anywhere a switch goes.
std::vector<std::string> WindowsStyleArguments(int argc, char** argv) {
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    arguments.push_back(argument == "/?" || argument == "-?" ? "--help" : argument);
  }
  return arguments;
}

}  // namespace

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
  // "SCAN" is "scan", as commands are in a Windows console; the subcommands
  // added below take this over.
  app.ignore_case();

  int exitCode = -1;
  AddScanCommand(app, exitCode);
  AddBackupCommands(app, exitCode);
  AddCleanCommand(app, exitCode);
  AddIgnoreCommand(app, exitCode);
  AddInventoryCommands(app, exitCode);

  try {
    // CLI11 takes the arguments last to first.
    std::vector<std::string> arguments = WindowsStyleArguments(argc, argv);
    app.parse(std::vector<std::string>(arguments.rbegin(), arguments.rend()));
  } catch (const CLI::ParseError& error) {
    std::ostringstream out, err;
    const int code = app.exit(error, out, err);
    WriteText(stdout, out.str());
    WriteText(stderr, err.str());
    return code == 0 ? 0 : kExitUsage;
  } catch (const std::exception& error) {
    PrintTo(stderr, "%s\n", error.what());
    return kExitUsage;
  }
  if (exitCode >= 0) return exitCode;
  // No command given: say what there is.
  WriteText(stdout, app.help());
  return kExitUsage;
}
