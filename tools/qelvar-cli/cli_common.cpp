// What the commands share: messages, standard input and output, delimiters, indexes and columns, JSON.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cli.h"
#include "platform/utf.h"
#include "transform/transform.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <poll.h>
#endif

namespace qelvar::cli {

namespace {

void SetBinary([[maybe_unused]] std::FILE* stream) {
#ifdef _WIN32
  // No newline is translated, in either direction.
  _setmode(_fileno(stream), _O_BINARY);
#endif
}

}  // namespace

std::string DisplayName(std::string_view file, bool output) {
  if (file == kStdStream) return output ? "standard output" : "standard input";
  return std::string(file);
}

int Fail(std::string_view file, std::string_view reason, bool output) {
  WriteErr("qelvar-cli: " + DisplayName(file, output) + ": " + std::string(reason) + "\n");
  return kExitFailed;
}

void WriteOut(std::string_view bytes) {
  static const bool binary = (SetBinary(stdout), true);
  (void)binary;
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0) return;
  if (errno == EPIPE) std::_Exit(kExitOk);
  const std::string reason = std::strerror(errno);
  Fail(kStdStream, "could not be written: " + reason, true);
  std::_Exit(kExitFailed);
}

void WriteErr(std::string_view bytes) {
  static const bool binary = (SetBinary(stderr), true);
  (void)binary;
  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
  std::fflush(stderr);
}

bool OutputGone() {
#ifdef _WIN32
  return false;
#else
  // The writing end of a pipe without a reader polls as an error.
  pollfd out{1, 0, 0};
  return ::poll(&out, 1, 0) == 1 && (out.revents & (POLLERR | POLLHUP)) != 0;
#endif
}

bool ReadStdin(std::string& bytes, std::string& reason) {
  SetBinary(stdin);
  bytes.clear();
  char buffer[1 << 16];
  while (true) {
    const std::size_t got = std::fread(buffer, 1, sizeof buffer, stdin);
    bytes.append(buffer, got);
    if (got == sizeof buffer) continue;
    if (std::ferror(stdin)) {
      reason = std::string("could not be read: ") + std::strerror(errno);
      return false;
    }
    return true;
  }
}

char16_t ParseDelimiter(std::u16string_view text, std::string_view option) {
  struct Word {
    std::u16string_view word;
    char16_t delimiter;
  };
  static constexpr Word kWords[] = {
      {u"comma", u','}, {u"semicolon", u';'}, {u"bar", u'|'}, {u"tab", u'\t'}, {u"colon", u':'}};
  for (const auto& w : kWords)
    if (EqualsIgnoreAsciiCase(text, w.word)) return w.delimiter;
  if (text.size() == 1 && text[0] != u'"' && text[0] != u'\r' && text[0] != u'\n') return text[0];
  throw UsageError{std::string(option) + " " + Utf16ToUtf8(text) +
                   ": a delimiter is one character or one of: comma, semicolon, bar, tab, colon"};
}

std::optional<std::int32_t> ParseIndex(std::u16string_view text) {
  if (text.empty() || text.size() > 9) return std::nullopt;
  std::int32_t value = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') return std::nullopt;
    value = value * 10 + (c - u'0');
  }
  return value;
}

std::int32_t ResolveColumn(std::u16string_view text, std::int32_t columnCount, const std::vector<std::u16string>* names,
                           std::string_view option, std::int32_t occurrence) {
  const std::string shown = std::string(option) + " " + Utf16ToUtf8(text);
  const bool digits = !text.empty() && text.find_first_not_of(u"0123456789") == std::u16string_view::npos;
  if (digits) {
    const auto number = ParseIndex(text);
    if (number && *number == 0) throw UsageError{shown + ": columns count from 1, as the grid shows them"};
    if (number && *number <= columnCount) return *number - 1;
    throw UsageError{shown + ": the table has no column " + Utf16ToUtf8(text) + " (it has " +
                     std::to_string(columnCount) + ")"};
  }
  if (names) {
    std::int32_t first = -1;
    for (std::size_t c = 0; c < names->size(); ++c) {
      if (!SameName((*names)[c], text)) continue;
      if (first < 0) first = static_cast<std::int32_t>(c);
      if (occurrence-- == 0) return static_cast<std::int32_t>(c);
    }
    if (first >= 0) return first;
    throw UsageError{shown + ": the table has no column of that name"};
  }
  throw UsageError{shown + ": a column is a number counting from 1"};
}

void BeginJsonRow(std::string& out, std::int64_t index) {
  if (out.size() > (1u << 20)) {
    WriteOut(out);
    out.clear();
  }
  out += index == 0 ? "\n" : ",\n";
}

void EndJsonRows(std::string& out, std::int64_t rows) {
  out += rows > 0 ? "\n]}\n" : "]}\n";
  WriteOut(out);
}

void AppendJsonString(std::string& out, std::u16string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  auto escape = [&out](unsigned unit) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
  };
  out += '"';
  const std::size_t n = text.size();
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t c = text[i];
    switch (c) {
      case u'"': out += "\\\""; continue;
      case u'\\': out += "\\\\"; continue;
      case u'\n': out += "\\n"; continue;
      case u'\r': out += "\\r"; continue;
      case u'\t': out += "\\t"; continue;
      default: break;
    }
    if (c < 0x20) {
      escape(c);
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += Utf16ToUtf8(text.substr(i, 2));
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      escape(c);  // a lone surrogate: kept as an escape so that nothing is lost
    } else {
      out += Utf16ToUtf8(text.substr(i, 1));
    }
  }
  out += '"';
}

}  // namespace qelvar::cli
