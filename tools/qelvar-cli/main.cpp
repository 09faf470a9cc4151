// qelvar-cli COMMAND ...: the commands, their help and the exit codes.
#include <CLI/CLI.hpp>

#include <csignal>
#include <exception>
#include <string>
#include <vector>

#include "cli.h"
#include "platform/utf.h"

namespace qelvar::cli {
namespace {

constexpr const char* kExitCodes =
    "Exit codes: 0 done; 1 the data or a file refused (nothing was written); 2 bad usage.\n"
    "FILE may be - for standard input; messages go to standard error as \"qelvar-cli: FILE: reason\".";

void PrintUsageError(const std::string& message, const std::string& command) {
  const std::string help = command.empty() ? "qelvar-cli --help" : "qelvar-cli " + command + " --help";
  WriteErr("qelvar-cli: " + message + "\nSee '" + help + "'.\n");
}

int Run(std::vector<std::string> args) {
  CLI::App app{"qelvar-cli: CSV, TSV and TAB files from the command line, with the detection, filters, sorting, "
               "edits and transformations of the qelvar viewer.",
               "qelvar-cli"};
  app.set_version_flag("-V,--version", "qelvar-cli " QELVAR_VERSION);
  app.require_subcommand(1);
  // "/x" is a path, never an option, on every system.
  app.allow_windows_style_options(false);
  app.footer(std::string("Run 'qelvar-cli COMMAND --help' for a command's options.\n") + kExitCodes);
  const Command commands[] = {AddInspect(app), AddView(app), AddEdit(app), AddTransform(app), AddProfile(app)};
  std::string command;
  for (const auto& c : commands) {
    c.app->footer(c.app->get_footer() + "\n" + kExitCodes);
    if (args.size() > 1 && args[1] == c.app->get_name()) command = args[1];
  }

  std::vector<const char*> argv;
  for (const auto& arg : args) argv.push_back(arg.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {  // --help or --version
      std::ostringstream out, err;
      app.exit(e, out, err);
      WriteOut(out.str());
      return kExitOk;
    }
    std::string message = e.what();
    if (message == "A subcommand is required") message = "a command is needed: inspect, view, edit, transform or profile";
    if (args.size() > 1 && command.empty() && !args[1].empty() && args[1][0] != '-')
      message = "unknown command " + args[1] + " (inspect, view, edit, transform or profile)";
    PrintUsageError(message, command);
    return kExitUsage;
  }
  try {
    for (const auto& c : commands)
      if (c.app->parsed()) return c.run();
    return kExitUsage;
  } catch (const UsageError& e) {
    PrintUsageError(e.message, command);
    return kExitUsage;
  }
}

}  // namespace
}  // namespace qelvar::cli

namespace {

int Guarded(std::vector<std::string> args) {
  try {
    return qelvar::cli::Run(std::move(args));
  } catch (const std::exception& e) {
    qelvar::cli::WriteErr(std::string("qelvar-cli: unexpected failure: ") + e.what() + "\n");
  } catch (...) {
    qelvar::cli::WriteErr("qelvar-cli: unexpected failure\n");
  }
  return qelvar::cli::kExitFailed;
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  // Arguments arrive as UTF-16 whatever the ANSI code page is; the parser works on UTF-8.
  std::vector<std::string> args;
  for (int i = 0; i < argc; ++i) args.push_back(qelvar::Utf16ToUtf8(reinterpret_cast<const char16_t*>(argv[i])));
  return Guarded(std::move(args));
}
#else
int main(int argc, char** argv) {
  // A reader that goes away is told apart by the write's EPIPE (see WriteOut), not by a signal.
  std::signal(SIGPIPE, SIG_IGN);
  return Guarded(std::vector<std::string>(argv, argv + argc));
}
#endif
