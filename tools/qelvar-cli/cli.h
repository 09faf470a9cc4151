// qelvar-cli: the core from the command line. Each command lives in its own file (*_command.cpp), adds its
// subcommand and options to the parser in main.cpp and runs when it was chosen.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
}

namespace qelvar::cli {

// Exit codes shared by every command (and listed in --help).
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // the data or a file refused: nothing was written
inline constexpr int kExitUsage = 2;   // the command line itself is wrong

// A command line that parsed but does not make sense (a column the table lacks, a malformed ROW:COL=VALUE).
// main prints "qelvar-cli: <message>" and where the command's help is, and exits with kExitUsage.
struct UsageError {
  std::string message;
};

// One subcommand: the parser's part, filled in when the command is added, and what runs when it is chosen.
struct Command {
  CLI::App* app = nullptr;
  std::function<int()> run;
};

Command AddInspect(CLI::App& parent);
Command AddView(CLI::App& parent);
Command AddEdit(CLI::App& parent);
Command AddTransform(CLI::App& parent);
Command AddProfile(CLI::App& parent);

// "-" as a file name: standard input for reading, standard output for writing.
inline constexpr std::string_view kStdStream = "-";

// How messages name a file: "standard input" / "standard output" for "-", else the name as given.
std::string DisplayName(std::string_view file, bool output = false);

// Prints "qelvar-cli: <file>: <reason>" to stderr (DisplayName of `file`) and returns kExitFailed.
int Fail(std::string_view file, std::string_view reason, bool output = false);

// Writes bytes to stdout exactly as given (binary mode: no newline translation). A reader that went away
// (a broken pipe: `qelvar-cli view ... | head`) ends the program at once and quietly with kExitOk: it has
// what it wanted. Any other write failure prints its reason and ends the program with kExitFailed, so that
// a full disk is never reported as success.
void WriteOut(std::string_view bytes);
// Writes bytes to stderr; failures are ignored (there is nowhere left to report them).
void WriteErr(std::string_view bytes);
// Whether standard output is a pipe whose reader went away, for a program that writes only now and then
// (view --follow) to end as WriteOut would, without waiting for its next write. POSIX only: false
// elsewhere. Does not write.
bool OutputGone();

// Reads all of standard input in binary mode. False (with `reason` set) when it could not be read.
bool ReadStdin(std::string& bytes, std::string& reason);

// "comma", "semicolon", "bar", "tab", "colon" (any case) or one character other than a quote or a line
// break; UsageError naming `option` otherwise.
char16_t ParseDelimiter(std::u16string_view text, std::string_view option);

// A non-negative integer of at most nine digits (a row index, a count); nullopt otherwise.
std::optional<std::int32_t> ParseIndex(std::u16string_view text);

// A column given on the command line: a number counting from 1, as the grid shows columns, or (where
// `names` is given) a name of the table, compared without regard to case. Digits are always a number.
// When a name occurs more than once in `names`, `occurrence` picks the k-th (0-based; the first when there
// are fewer). Returns the 0-based column; UsageError naming `option` and `text` when the table has no such
// column (0 is refused with a reminder that columns count from 1).
std::int32_t ResolveColumn(std::u16string_view text, std::int32_t columnCount, const std::vector<std::u16string>* names,
                           std::string_view option, std::int32_t occurrence = 0);

// JSON rows written as they are made, so that a large table is never held whole: BeginJsonRow puts the
// separator before row `index` (writing `out` first once it has grown past a megabyte); EndJsonRows closes
// the rows array and the object and writes what is left.
void BeginJsonRow(std::string& out, std::int64_t index);
void EndJsonRows(std::string& out, std::int64_t rows);

// Appends `text` as a JSON string literal in UTF-8. A lone surrogate is written as a \udXXX escape so
// that nothing is lost; control characters are escaped.
void AppendJsonString(std::string& out, std::u16string_view text);

}  // namespace qelvar::cli
