// qelvar-cli COMMAND ...: see the usage text below.
#include <exception>
#include <string>
#include <vector>

#include "cli.h"
#include "platform/utf.h"

namespace qelvar::cli {
namespace {

constexpr std::string_view kUsage =
    "usage: qelvar-cli COMMAND FILE [options]\n"
    "       qelvar-cli --version\n"
    "\n"
    "commands:\n"
    "  inspect FILE [load options] [--rows N]\n"
    "      print the encoding, mark, delimiter, counts and rows with their cells as JSON\n"
    "      (--rows N: at most N rows; 0: none)\n"
    "  edit FILE [load options] OP...\n"
    "      apply the operations in order and save the file in place, keeping every untouched byte;\n"
    "      OP is --set ROW:COL=VALUE, --insert-after ROW, --delete-row ROW, --delete-rows ROW,ROW,...,\n"
    "      --delete-column COL, or --undo N / --redo N (take back / do again the last N edits)\n"
    "      (0-based indexes; VALUE is everything after the first \"=\")\n"
    "  view FILE [load options] [--no-header] [--case-sensitive] [--filter COL=TEXT]...\n"
    "       [--sort COL[:asc|:desc]] [--rows N]\n"
    "      print the column names, the visible count and the visible rows in display order as JSON;\n"
    "      filters apply in the order given, then the sort (COL: a 0-based document column)\n"
    "  transform FILE --config T.json --out OUT.csv [load options] [--no-header]\n"
    "      apply a saved transformation and export the result as CSV (UTF-8, CR LF)\n"
    "\n"
    "load options: --encoding NAME  --delimiter D  --comments 0..3 (0 parsed, 1 unparsed, 2 hidden,\n"
    "              3 auto)  --no-trim  --max-size BYTES (0: no limit)  --samples N (default 1000)\n"
    "\n"
    "NAME is UTF-8, UTF-16LE, UTF-16BE or ANSI; D is one character or one of the words\n"
    "comma, semicolon, bar, tab, colon.\n";

struct Command {
  std::u16string_view name;
  int (*run)(Args&);
};

constexpr Command kCommands[] = {
    {u"inspect", RunInspect},
    {u"edit", RunEdit},
    {u"view", RunView},
    {u"transform", RunTransform},
};

int Run(std::vector<std::u16string> argv) {
  try {
    if (argv.empty()) throw UsageError{"a command is needed"};
    for (const auto& command : kCommands) {
      if (argv[0] != command.name) continue;
      Args args(std::vector<std::u16string>(argv.begin() + 1, argv.end()));
      return command.run(args);
    }
    if (argv[0] == u"--help" || argv[0] == u"-h" || argv[0] == u"help") {
      WriteOut(kUsage);
      return kExitOk;
    }
    // The release's version, the same number as in the plug-in's version resource (set by the build).
    if (argv[0] == u"--version") {
      WriteOut("qelvar-cli " QELVAR_VERSION "\n");
      return kExitOk;
    }
    throw UsageError{"unknown command " + Utf16ToUtf8(argv[0])};
  } catch (const UsageError& e) {
    WriteErr("qelvar-cli: " + e.message + "\n\n");
    WriteErr(kUsage);
    return kExitUsage;
  } catch (const std::exception& e) {
    WriteErr(std::string("qelvar-cli: ") + e.what() + "\n");
    return kExitFailed;
  } catch (...) {
    WriteErr("qelvar-cli: unexpected failure\n");
    return kExitFailed;
  }
}

}  // namespace
}  // namespace qelvar::cli

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(reinterpret_cast<const char16_t*>(argv[i]));
  return qelvar::cli::Run(std::move(args));
}
#else
int main(int argc, char** argv) {
  std::vector<std::u16string> args;
  for (int i = 1; i < argc; ++i) args.push_back(qelvar::Utf8ToUtf16(argv[i]));
  return qelvar::cli::Run(std::move(args));
}
#endif
