// Evaluates a Lister detect string for one file, as far as the stand-in host needs it: which files of a
// folder the plug-in accepts (the N and P keys).
//
// Grammar (the host's): terms joined by "&" (and), "|" (or), "!" (not) and parentheses. Only EXT
// comparisons ("=" or "!=", letter case ignored) depend on the file; the other terms (MULTIMEDIA, FORCE,
// SIZE comparisons, content tests such as [0]="M" or FIND("x")) cannot be judged from the name and count
// as true. Portable, header-only; does not throw.
#pragma once

#include <cctype>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qelvar::host {

namespace detect_detail {

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

class TParser {
 public:
  TParser(std::string_view text, std::string_view extension) : text_(text), extension_(extension) {}

  std::optional<bool> Run() {
    const std::optional<bool> value = Or();
    SkipBlanks();
    if (!value || at_ != text_.size()) return std::nullopt;
    return value;
  }

 private:
  std::optional<bool> Or() {
    std::optional<bool> left = And();
    while (left && Take('|')) {
      const std::optional<bool> right = And();
      if (!right) return std::nullopt;
      left = *left || *right;
    }
    return left;
  }

  std::optional<bool> And() {
    std::optional<bool> left = Unary();
    while (left && Take('&')) {
      const std::optional<bool> right = Unary();
      if (!right) return std::nullopt;
      left = *left && *right;
    }
    return left;
  }

  std::optional<bool> Unary() {
    if (depth_ > 100) return std::nullopt;  // hostile nesting
    if (Take('!')) {
      ++depth_;
      const std::optional<bool> value = Unary();
      --depth_;
      if (!value) return std::nullopt;
      return !*value;
    }
    if (Take('(')) {
      ++depth_;
      const std::optional<bool> value = Or();
      --depth_;
      if (!value || !Take(')')) return std::nullopt;
      return value;
    }
    return Term();
  }

  // NAME, NAME[n], NAME(args), each optionally followed by a comparison with a string or a number;
  // or a content test such as [0]="M".
  std::optional<bool> Term() {
    SkipBlanks();
    std::string_view name;
    const std::size_t start = at_;
    while (at_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[at_])) != 0 || text_[at_] == '_')) ++at_;
    name = text_.substr(start, at_ - start);
    if (Peek() == '[') {
      if (!SkipBracketed('[', ']')) return std::nullopt;
    } else if (Peek() == '(') {
      if (name.empty() || !SkipBracketed('(', ')')) return std::nullopt;
    } else if (name.empty()) {
      return std::nullopt;
    }
    SkipBlanks();
    std::string_view op;
    for (const std::string_view candidate : {"!=", "<=", ">=", "=", "<", ">"}) {
      if (text_.substr(at_, candidate.size()) == candidate) {
        op = candidate;
        at_ += candidate.size();
        break;
      }
    }
    if (op.empty()) return true;  // a flag such as MULTIMEDIA or FORCE, or a test on the content
    const std::optional<std::string> value = Value();
    if (!value) return std::nullopt;
    if (EqualsNoCase(name, "EXT") && (op == "=" || op == "!=")) {
      const bool equal = EqualsNoCase(extension_, *value);
      return op == "=" ? equal : !equal;
    }
    return true;
  }

  std::optional<std::string> Value() {
    SkipBlanks();
    if (Peek() == '"') {
      ++at_;
      const std::size_t end = text_.find('"', at_);
      if (end == std::string_view::npos) return std::nullopt;
      std::string value(text_.substr(at_, end - at_));
      at_ = end + 1;
      return value;
    }
    const std::size_t start = at_;
    while (at_ < text_.size() && std::isalnum(static_cast<unsigned char>(text_[at_])) != 0) ++at_;
    if (at_ == start) return std::nullopt;
    return std::string(text_.substr(start, at_ - start));
  }

  bool SkipBracketed(char open, char close) {
    if (!Take(open)) return false;
    bool inString = false;
    for (; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (c == '"') inString = !inString;
      if (!inString && c == close) {
        ++at_;
        return true;
      }
    }
    return false;
  }

  char Peek() {
    SkipBlanks();
    return at_ < text_.size() ? text_[at_] : '\0';
  }

  bool Take(char c) {
    if (Peek() != c) return false;
    ++at_;
    return true;
  }

  void SkipBlanks() {
    while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t')) ++at_;
  }

  std::string_view text_;
  std::string_view extension_;
  std::size_t at_ = 0;
  int depth_ = 0;
};

}  // namespace detect_detail

// Whether a file with the given extension (without the dot, any letter case; UTF-8) passes the detect
// string. nullopt when the detect string is malformed.
inline std::optional<bool> DetectStringAccepts(std::string_view detectString, std::string_view extension) {
  return detect_detail::TParser(detectString, extension).Run();
}

// The extension of a file name without the dot ("a.b.csv" -> "csv"; "README" and ".profile" -> "").
template <typename Char>
std::basic_string<Char> ExtensionOf(std::basic_string_view<Char> name) {
  const Char separators[] = {static_cast<Char>('\\'), static_cast<Char>('/')};
  const auto slash = name.find_last_of(std::basic_string_view<Char>(separators, 2));
  const std::basic_string_view<Char> base = slash == std::basic_string_view<Char>::npos ? name : name.substr(slash + 1);
  const auto dot = base.find_last_of(static_cast<Char>('.'));
  if (dot == std::basic_string_view<Char>::npos || dot == 0) return {};
  return std::basic_string<Char>(base.substr(dot + 1));
}

}  // namespace qelvar::host
