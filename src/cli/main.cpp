// quillbane-cli: the console front end over the engine.

#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "cli/backup_commands.h"
#include "core/product.h"

namespace {

constexpr int kExitUsage = 2;

}  // namespace

int main(int argc, char** argv) {
  const std::string banner = std::string(qb::kProductName) + " " + qb::kProductVersion;
  CLI::App app{banner + " - finds and removes stale registry entries and broken shortcuts",
               "quillbane-cli"};
  app.set_version_flag("--version", banner);
  app.footer("Exit codes: 0 nothing found or done, 1 problems found, 2 usage or runtime error, "
             "3 aborted.");

  int exitCode = -1;
  RegisterBackupCommands(app, exitCode);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kExitUsage;
  }
  if (exitCode >= 0) return exitCode;
  // No command given: say what there is.
  std::fputs(app.help().c_str(), stdout);
  return kExitUsage;
}
