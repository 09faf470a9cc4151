#include <cstdio>

#include "cli.h"
#include "platform/utf.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace qelvar::cli {

namespace {

bool IsOptionWord(std::u16string_view arg) { return arg.size() > 2 && arg.substr(0, 2) == u"--"; }

std::string Narrow(std::u16string_view s) { return Utf16ToUtf8(s); }

}  // namespace

std::optional<std::u16string> Args::Option(std::u16string_view name) {
  std::vector<std::u16string> values = Options(name);
  if (values.empty()) return std::nullopt;
  return std::move(values.back());
}

std::vector<std::u16string> Args::Options(std::u16string_view name) {
  std::vector<std::u16string> values;
  for (std::size_t i = 0; i < args_.size(); ++i) {
    if (used_[i] || args_[i] != name) continue;
    if (i + 1 >= args_.size()) throw UsageError{"option " + Narrow(name) + " needs a value"};
    used_[i] = used_[i + 1] = true;
    values.push_back(args_[i + 1]);
    ++i;
  }
  return values;
}

std::vector<std::pair<std::u16string, std::u16string>> Args::OrderedOptions(
    std::initializer_list<std::u16string_view> names) {
  std::vector<std::pair<std::u16string, std::u16string>> values;
  for (std::size_t i = 0; i < args_.size(); ++i) {
    if (used_[i]) continue;
    bool wanted = false;
    for (auto name : names) wanted = wanted || args_[i] == name;
    if (!wanted) continue;
    if (i + 1 >= args_.size()) throw UsageError{"option " + Narrow(args_[i]) + " needs a value"};
    used_[i] = used_[i + 1] = true;
    values.emplace_back(args_[i], args_[i + 1]);
    ++i;
  }
  return values;
}

bool Args::Flag(std::u16string_view name) {
  bool found = false;
  for (std::size_t i = 0; i < args_.size(); ++i)
    if (!used_[i] && args_[i] == name) used_[i] = found = true;
  return found;
}

std::optional<std::int64_t> Args::Integer(std::u16string_view name) {
  const auto text = Option(name);
  if (!text) return std::nullopt;
  if (text->empty() || text->size() > 18) throw UsageError{"option " + Narrow(name) + " needs a number"};
  std::int64_t value = 0;
  for (char16_t c : *text) {
    if (c < u'0' || c > u'9') throw UsageError{"option " + Narrow(name) + " needs a number"};
    value = value * 10 + (c - u'0');
  }
  return value;
}

std::vector<std::u16string> Args::Positionals() {
  std::vector<std::u16string> rest;
  for (std::size_t i = 0; i < args_.size(); ++i) {
    if (used_[i]) continue;
    if (IsOptionWord(args_[i])) throw UsageError{"unknown option " + Narrow(args_[i])};
    used_[i] = true;
    rest.push_back(args_[i]);
  }
  return rest;
}

char16_t ParseDelimiter(std::u16string_view text) {
  struct Word {
    std::u16string_view word;
    char16_t delimiter;
  };
  static constexpr Word kWords[] = {
      {u"comma", u','}, {u"semicolon", u';'}, {u"bar", u'|'}, {u"tab", u'\t'}, {u"colon", u':'}};
  for (const auto& w : kWords)
    if (EqualsIgnoreAsciiCase(text, w.word)) return w.delimiter;
  if (text.size() == 1 && text[0] != u'"' && text[0] != u'\r' && text[0] != u'\n') return text[0];
  throw UsageError{"a delimiter is one character or one of: comma, semicolon, bar, tab, colon"};
}

namespace {

void WriteBytes(std::FILE* stream, std::string_view bytes) {
#ifdef _WIN32
  // Binary mode: no newline is translated. Setting it again before each write costs nothing.
  _setmode(_fileno(stream), _O_BINARY);
#endif
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::fflush(stream);
}

}  // namespace

void WriteOut(std::string_view bytes) { WriteBytes(stdout, bytes); }

void WriteErr(std::string_view bytes) { WriteBytes(stderr, bytes); }

std::int32_t ParseIndex(std::u16string_view text, const std::string& message) {
  if (text.empty() || text.size() > 9) throw UsageError{message};
  std::int32_t value = 0;
  for (const char16_t c : text) {
    if (c < u'0' || c > u'9') throw UsageError{message};
    value = value * 10 + (c - u'0');
  }
  return value;
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
