// qelvar-cli: the core from the command line. Each command lives in its own file and is listed in the
// command table of main.cpp.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qelvar::cli {

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Thrown by argument parsing only; main turns it into the usage text and exit code 2.
struct UsageError {
  std::string message;
};

// The command's arguments after the command word, as UTF-16, with helpers to take options in any order.
class Args {
 public:
  explicit Args(std::vector<std::u16string> args) : args_(std::move(args)), used_(args_.size(), false) {}

  // Takes "--name VALUE" (the last one given wins); nullopt when absent. A missing value is a usage error.
  std::optional<std::u16string> Option(std::u16string_view name);
  // Takes every "--name VALUE" in order.
  std::vector<std::u16string> Options(std::u16string_view name);
  // Takes every "--name VALUE" whose name is one of `names`, in the order given on the command line.
  std::vector<std::pair<std::u16string, std::u16string>> OrderedOptions(
      std::initializer_list<std::u16string_view> names);
  // Takes a "--name" flag.
  bool Flag(std::u16string_view name);
  // Takes "--name N" as a non-negative integer (usage error when malformed).
  std::optional<std::int64_t> Integer(std::u16string_view name);
  // The remaining arguments that are not options, in order; a leftover "--option" is a usage error.
  std::vector<std::u16string> Positionals();

 private:
  std::vector<std::u16string> args_;
  std::vector<bool> used_;
};

// "comma", "semicolon", "bar", "tab", "colon" or a single character; usage error otherwise.
char16_t ParseDelimiter(std::u16string_view text);

// Output: bytes to stdout / stderr exactly as given (no newline translation).
void WriteOut(std::string_view bytes);
void WriteErr(std::string_view bytes);

// A 0-based index of at most nine digits; a usage error with `message` otherwise.
std::int32_t ParseIndex(std::u16string_view text, const std::string& message);

// JSON rows written as they are made, so that a large table is never held whole: BeginJsonRow puts the
// separator before row `index` (writing `out` first once it has grown past a megabyte); EndJsonRows closes
// the rows array and the object and writes what is left.
void BeginJsonRow(std::string& out, std::int64_t index);
void EndJsonRows(std::string& out, std::int64_t rows);

// Appends `text` as a JSON string literal in UTF-8. A lone surrogate is written as a \udXXX escape so
// that nothing is lost; control characters are escaped.
void AppendJsonString(std::string& out, std::u16string_view text);

int RunInspect(Args& args);
int RunEdit(Args& args);
int RunView(Args& args);
int RunTransform(Args& args);

}  // namespace qelvar::cli
