#include "grid/filter_regex.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

#include "grid/filter_regex_dfa.h"
#include "platform/platform.h"

namespace qelvar {
namespace {

using TRange = TFilterRegex::TRange;
using TClass = TFilterRegex::TClass;
using TInst = TFilterRegex::TInst;
using Op = TFilterRegex::Op;
using regex_chars::CodePointAt;
using regex_chars::IsWord;

constexpr char32_t kMaxCodePoint = 0x10FFFF;

char32_t CodePointBefore(std::u16string_view text, std::size_t pos) {
  const char16_t c = text[pos - 1];
  if (c >= 0xDC00 && c <= 0xDFFF && pos >= 2 && text[pos - 2] >= 0xD800 && text[pos - 2] <= 0xDBFF)
    return 0x10000 + ((static_cast<char32_t>(text[pos - 2]) - 0xD800) << 10) + (c - 0xDC00u);
  return c;
}

char32_t LowerCodePoint(char32_t c) {
  if (c < 0x80) return (c >= U'A' && c <= U'Z') ? c + 32 : c;
  std::u16string one;
  if (c >= 0x10000) {
    one = {static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)), static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF))};
  } else {
    one = {static_cast<char16_t>(c)};
  }
  platform::ToLowerInPlace(one);
  std::size_t width = 0;
  return CodePointAt(one, 0, width);
}

// Word characters: ASCII letters, digits and '_', and the letters of the Latin, Greek and Cyrillic blocks
// (the scripts of the languages the viewer speaks), so that \w and \b work on "Müller" and "Київ".
constexpr TRange kWordRanges[] = {{U'0', U'9'},     {U'A', U'Z'},     {U'_', U'_'},     {U'a', U'z'},
                                  {0xC0, 0xD6},     {0xD8, 0xF6},     {0xF8, 0x24F},    {0x370, 0x3FF},
                                  {0x400, 0x52F},   {0x1E00, 0x1EFF}};
constexpr TRange kDigitRanges[] = {{U'0', U'9'}};
constexpr TRange kSpaceRanges[] = {{0x09, 0x0D}, {0x20, 0x20}, {0xA0, 0xA0}, {0x1680, 0x1680}, {0x2000, 0x200A},
                                   {0x2028, 0x2029}, {0x202F, 0x202F}, {0x205F, 0x205F}, {0x3000, 0x3000},
                                   {0xFEFF, 0xFEFF}};

template <std::size_t N>
void AppendSet(std::vector<TRange>& out, const TRange (&set)[N], bool complement) {
  if (!complement) {
    out.insert(out.end(), set, set + N);
    return;
  }
  char32_t next = 0;  // the sets are sorted and disjoint
  for (const auto& r : set) {
    if (r.first > next) out.push_back({next, r.first - 1});
    next = r.last + 1;
  }
  if (next <= kMaxCodePoint) out.push_back({next, kMaxCodePoint});
}

// ---- parsing into a tree ----------------------------------------------------------------------------

enum class Kind { Empty, Char, Any, Class, Begin, End, WordBoundary, NotWordBoundary, Concat, Alternate, Repeat };

struct Node {
  Kind kind = Kind::Empty;
  char32_t c = 0;
  std::uint32_t classIndex = 0;
  int min = 0, max = 0;  // Repeat; max < 0 is unbounded
  std::vector<std::unique_ptr<Node>> children;
};

using NodePtr = std::unique_ptr<Node>;

NodePtr Leaf(Kind kind, char32_t c = 0) {
  auto node = std::make_unique<Node>();
  node->kind = kind;
  node->c = c;
  return node;
}

class Parser {
 public:
  Parser(std::u32string pattern, bool lowerCase, std::vector<TClass>& classes)
      : p_(std::move(pattern)), lowerCase_(lowerCase), classes_(classes) {}

  NodePtr Parse() {
    NodePtr root = Alternation(0);
    if (!root || pos_ != p_.size()) return nullptr;  // an unmatched ')'
    return root;
  }

 private:
  bool AtEnd() const { return pos_ >= p_.size(); }
  char32_t Peek() const { return p_[pos_]; }

  NodePtr Alternation(int depth) {
    if (depth > TFilterRegex::kMaxDepth) return nullptr;
    NodePtr first = Sequence(depth);
    if (!first) return nullptr;
    if (AtEnd() || Peek() != U'|') return first;
    auto alt = Leaf(Kind::Alternate);
    alt->children.push_back(std::move(first));
    while (!AtEnd() && Peek() == U'|') {
      ++pos_;
      NodePtr next = Sequence(depth);
      if (!next) return nullptr;
      alt->children.push_back(std::move(next));
    }
    return alt;
  }

  NodePtr Sequence(int depth) {
    auto seq = Leaf(Kind::Concat);
    while (!AtEnd() && Peek() != U'|' && Peek() != U')') {
      NodePtr atom = Atom(depth);
      if (!atom) return nullptr;
      int min = 0, max = 0;
      if (Quantifier(min, max)) {
        if (!AtEnd() && Peek() == U'?') ++pos_;  // lazy: the same cells match
        int unused1 = 0, unused2 = 0;
        const std::size_t before = pos_;
        if (Quantifier(unused1, unused2)) return nullptr;  // "a**" is a mistake, not a pattern
        pos_ = before;
        if (atom->kind == Kind::Begin || atom->kind == Kind::End || atom->kind == Kind::WordBoundary ||
            atom->kind == Kind::NotWordBoundary)
          return nullptr;
        auto repeat = Leaf(Kind::Repeat);
        repeat->min = min;
        repeat->max = max;
        repeat->children.push_back(std::move(atom));
        atom = std::move(repeat);
      }
      seq->children.push_back(std::move(atom));
    }
    return seq;
  }

  // Reads "*", "+", "?" or a valid "{n}", "{n,}", "{n,m}"; leaves the position unchanged otherwise.
  bool Quantifier(int& min, int& max) {
    if (AtEnd()) return false;
    switch (Peek()) {
      case U'*': ++pos_, min = 0, max = -1; return true;
      case U'+': ++pos_, min = 1, max = -1; return true;
      case U'?': ++pos_, min = 0, max = 1; return true;
      case U'{': return Count(min, max);
      default: return false;
    }
  }

  bool Number(int& value) {
    const std::size_t start = pos_;
    long long v = 0;
    while (!AtEnd() && Peek() >= U'0' && Peek() <= U'9') {
      v = std::min<long long>(v * 10 + (Peek() - U'0'), 1'000'000'000);
      ++pos_;
    }
    value = static_cast<int>(v);
    return pos_ > start;
  }

  bool Count(int& min, int& max) {
    const std::size_t start = pos_;
    ++pos_;
    if (!Number(min)) return pos_ = start, false;
    max = min;
    if (!AtEnd() && Peek() == U',') {
      ++pos_;
      if (!Number(max)) max = -1;
    }
    if (AtEnd() || Peek() != U'}') return pos_ = start, false;
    ++pos_;
    return true;
  }

  NodePtr Atom(int depth) {
    const char32_t c = p_[pos_];
    switch (c) {
      case U'(': {
        ++pos_;
        if (!AtEnd() && Peek() == U'?') {
          if (pos_ + 1 < p_.size() && p_[pos_ + 1] == U':') {
            pos_ += 2;
          } else {
            return nullptr;  // lookaround and named groups are not supported
          }
        }
        NodePtr inner = Alternation(depth + 1);
        if (!inner || AtEnd() || Peek() != U')') return nullptr;
        ++pos_;
        return inner;
      }
      case U'[': return ClassAtom();
      case U'.': ++pos_; return Leaf(Kind::Any);
      case U'^': ++pos_; return Leaf(Kind::Begin);
      case U'$': ++pos_; return Leaf(Kind::End);
      case U'*':
      case U'+':
      case U'?': return nullptr;  // nothing to repeat
      case U'{': {
        int min = 0, max = 0;
        if (Quantifier(min, max)) return nullptr;
        ++pos_;
        return Literal(U'{');
      }
      case U'\\': return EscapeAtom();
      default: ++pos_; return Literal(c);
    }
  }

  NodePtr Literal(char32_t c) { return Leaf(Kind::Char, lowerCase_ ? LowerCodePoint(c) : c); }

  NodePtr ClassNode(TClass cls) {
    auto node = Leaf(Kind::Class);
    node->classIndex = static_cast<std::uint32_t>(classes_.size());
    classes_.push_back(std::move(cls));
    return node;
  }

  // A single-character escape after the backslash; nullopt for a letter with no meaning here.
  std::optional<char32_t> EscapedChar() {
    if (AtEnd()) return std::nullopt;
    const char32_t c = p_[pos_++];
    switch (c) {
      case U't': return U'\t';
      case U'n': return U'\n';
      case U'r': return U'\r';
      case U'f': return U'\f';
      case U'v': return U'\v';
      case U'0': return U'\0';
      case U'x':
      case U'u': {
        const std::size_t digits = c == U'x' ? 2 : 4;
        if (pos_ + digits > p_.size()) return std::nullopt;
        char32_t v = 0;
        for (std::size_t i = 0; i < digits; ++i) {
          const char32_t d = p_[pos_ + i];
          int x = -1;
          if (d >= U'0' && d <= U'9') x = static_cast<int>(d - U'0');
          else if (d >= U'a' && d <= U'f') x = static_cast<int>(d - U'a' + 10);
          else if (d >= U'A' && d <= U'F') x = static_cast<int>(d - U'A' + 10);
          if (x < 0) return std::nullopt;
          v = v * 16 + static_cast<char32_t>(x);
        }
        pos_ += digits;
        return v;
      }
      default:
        // Letters and digits are reserved (\1, \p, \k ... mean things this engine does not do); any other
        // character stands for itself.
        if ((c >= U'a' && c <= U'z') || (c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9')) return std::nullopt;
        return c;
    }
  }

  // \d \D \w \W \s \S into `ranges`; false when the escape is not one of them (nothing consumed).
  bool SetEscape(std::vector<TRange>& ranges) {
    if (AtEnd()) return false;
    const char32_t c = Peek();
    const bool upper = c == U'D' || c == U'W' || c == U'S';
    switch (c) {
      case U'd': case U'D': AppendSet(ranges, kDigitRanges, upper); break;
      case U'w': case U'W': AppendSet(ranges, kWordRanges, upper); break;
      case U's': case U'S': AppendSet(ranges, kSpaceRanges, upper); break;
      default: return false;
    }
    ++pos_;
    return true;
  }

  NodePtr EscapeAtom() {
    ++pos_;
    if (AtEnd()) return nullptr;
    if (Peek() == U'b' || Peek() == U'B') {
      const bool boundary = Peek() == U'b';
      ++pos_;
      return Leaf(boundary ? Kind::WordBoundary : Kind::NotWordBoundary);
    }
    TClass set;
    if (SetEscape(set.ranges)) return ClassNode(std::move(set));
    const auto c = EscapedChar();
    if (!c) return nullptr;
    return Literal(*c);
  }

  NodePtr ClassAtom() {
    ++pos_;
    TClass cls;
    if (!AtEnd() && Peek() == U'^') cls.negated = true, ++pos_;
    bool first = true;
    for (;;) {
      if (AtEnd()) return nullptr;
      if (Peek() == U']' && !first) break;
      first = false;
      char32_t low = 0;
      if (Peek() == U'\\') {
        ++pos_;
        if (SetEscape(cls.ranges)) continue;
        if (!AtEnd() && Peek() == U'b') {
          ++pos_;
          low = U'\b';
        } else {
          const auto c = EscapedChar();
          if (!c) return nullptr;
          low = *c;
        }
      } else {
        low = p_[pos_++];
      }
      char32_t high = low;
      if (pos_ + 1 < p_.size() && Peek() == U'-' && p_[pos_ + 1] != U']') {
        ++pos_;
        if (Peek() == U'\\') {
          ++pos_;
          const auto c = EscapedChar();
          if (!c) return nullptr;  // a set such as \d cannot end a range
          high = *c;
        } else {
          high = p_[pos_++];
        }
        if (high < low) return nullptr;
      }
      AddRange(cls.ranges, low, high);
    }
    ++pos_;
    return ClassNode(std::move(cls));
  }

  // Without case the text arrives lowered, so a range also stands for its lowered counterpart. A range
  // whose two ends lower by the same distance ("A-Z", "А-Я") is taken to be a block of upper-case letters
  // lowering as a block; any other keeps its ends' lowered forms as single characters.
  void AddRange(std::vector<TRange>& ranges, char32_t low, char32_t high) {
    ranges.push_back({low, high});
    if (!lowerCase_) return;
    const char32_t lowLower = LowerCodePoint(low), highLower = LowerCodePoint(high);
    if (lowLower == low && highLower == high) return;
    if (static_cast<long long>(lowLower) - low == static_cast<long long>(highLower) - high) {
      ranges.push_back({lowLower, highLower});
    } else {
      ranges.push_back({lowLower, lowLower});
      ranges.push_back({highLower, highLower});
    }
  }

  std::u32string p_;
  std::size_t pos_ = 0;
  bool lowerCase_;
  std::vector<TClass>& classes_;
};

// ---- the program -------------------------------------------------------------------------------------

class Emitter {
 public:
  explicit Emitter(std::vector<TInst>& program) : program_(program) {}

  bool Emit(const Node& node) {
    if (program_.size() > TFilterRegex::kMaxProgram) return false;
    switch (node.kind) {
      case Kind::Empty: return true;
      case Kind::Char: return Add({Op::Char, node.c});
      case Kind::Any: return Add({Op::Any});
      case Kind::Class: return Add({Op::Class, 0, node.classIndex});
      case Kind::Begin: return Add({Op::Begin});
      case Kind::End: return Add({Op::End});
      case Kind::WordBoundary: return Add({Op::WordBoundary});
      case Kind::NotWordBoundary: return Add({Op::NotWordBoundary});
      case Kind::Concat:
        for (const auto& child : node.children)
          if (!Emit(*child)) return false;
        return true;
      case Kind::Alternate: {
        std::vector<std::size_t> jumps;
        for (std::size_t i = 0; i < node.children.size(); ++i) {
          const bool last = i + 1 == node.children.size();
          std::size_t split = 0;
          if (!last) {
            split = program_.size();
            if (!Add({Op::Split})) return false;
            program_[split].x = Here();
          }
          if (!Emit(*node.children[i])) return false;
          if (!last) {
            jumps.push_back(program_.size());
            if (!Add({Op::Jump})) return false;
            program_[split].y = Here();
          }
        }
        for (const std::size_t j : jumps) program_[j].x = Here();
        return true;
      }
      case Kind::Repeat: return EmitRepeat(node);
    }
    return false;
  }

 private:
  std::uint32_t Here() const { return static_cast<std::uint32_t>(program_.size()); }

  bool Add(TInst inst) {
    if (program_.size() >= TFilterRegex::kMaxProgram) return false;
    program_.push_back(inst);
    return true;
  }

  bool EmitRepeat(const Node& node) {
    const Node& body = *node.children[0];
    if (node.min > TFilterRegex::kMaxCount || node.max > TFilterRegex::kMaxCount) return false;
    if (node.max >= 0 && node.max < node.min) return false;
    for (int i = 0; i < node.min; ++i)
      if (!Emit(body)) return false;
    if (node.max < 0) {
      const std::uint32_t loop = Here();
      if (!Add({Op::Split})) return false;
      program_[loop].x = Here();
      if (!Emit(body) || !Add({Op::Jump, 0, loop})) return false;
      program_[loop].y = Here();
      return true;
    }
    std::vector<std::size_t> splits;
    for (int i = node.min; i < node.max; ++i) {
      splits.push_back(program_.size());
      if (!Add({Op::Split})) return false;
      program_[splits.back()].x = Here();
      if (!Emit(body)) return false;
    }
    for (const std::size_t s : splits) program_[s].y = Here();
    return true;
  }

  std::vector<TInst>& program_;
};

bool StartsAnchored(const Node& node) {
  if (node.kind == Kind::Begin) return true;
  if (node.kind == Kind::Concat && !node.children.empty()) return StartsAnchored(*node.children.front());
  return false;
}

}  // namespace

namespace regex_chars {

bool IsWord(char32_t c) {
  for (const auto& r : kWordRanges)
    if (c >= r.first && c <= r.last) return true;
  return false;
}

const std::vector<TRange>& WordRanges() {
  static const std::vector<TRange> ranges(std::begin(kWordRanges), std::end(kWordRanges));
  return ranges;
}

}  // namespace regex_chars

TFilterRegex::TFilterRegex(std::u16string_view pattern, bool lowerCase) {
  std::u32string points;
  for (std::size_t i = 0, width = 0; i < pattern.size(); i += width) points.push_back(CodePointAt(pattern, i, width));
  Parser parser(std::move(points), lowerCase, classes_);
  const NodePtr root = parser.Parse();
  if (!root) return;
  Emitter emitter(program_);
  if (!emitter.Emit(*root) || program_.size() >= kMaxProgram) {
    program_.clear();
    return;
  }
  program_.push_back({Op::Match});
  anchored_ = StartsAnchored(*root);

  // The code units a match can start with, when every way in begins with a literal character: the search
  // then skips to those instead of starting a thread at every position.
  std::vector<bool> visited(program_.size(), false);
  std::vector<std::uint32_t> todo = {0};
  bool literalStart = true;
  while (!todo.empty() && literalStart) {
    const std::uint32_t pc = todo.back();
    todo.pop_back();
    if (visited[pc]) continue;
    visited[pc] = true;
    const TInst& inst = program_[pc];
    switch (inst.op) {
      case Op::Char: {
        const char16_t unit = inst.c >= 0x10000 ? static_cast<char16_t>(0xD800 + ((inst.c - 0x10000) >> 10))
                                                : static_cast<char16_t>(inst.c);
        if (std::find(firstUnits_.begin(), firstUnits_.end(), unit) == firstUnits_.end()) firstUnits_.push_back(unit);
        break;
      }
      case Op::Jump: todo.push_back(inst.x); break;
      case Op::Split: todo.push_back(inst.x), todo.push_back(inst.y); break;
      default: literalStart = false; break;
    }
  }
  if (!literalStart) firstUnits_.clear();

  seen_.assign(program_.size(), 0);
  current_.reserve(program_.size());
  next_.reserve(program_.size());
  valid_ = true;
  dfa_ = TDfa::Make(*this, kDfaCacheBytes);
}

TFilterRegex::~TFilterRegex() = default;
TFilterRegex::TFilterRegex(TFilterRegex&&) noexcept = default;
TFilterRegex& TFilterRegex::operator=(TFilterRegex&&) noexcept = default;

void TFilterRegex::UseEngine(Engine engine, std::size_t dfaCacheBytes) {
  engine_ = engine;
  if (valid_) dfa_ = TDfa::Make(*this, dfaCacheBytes);
}

bool TFilterRegex::Search(std::u16string_view text) {
  if (!valid_) return false;
  if (engine_ != Engine::Nfa && dfa_) {
    const TDfa::Result result = dfa_->Search(*this, text, engine_ == Engine::Auto);
    if (result != TDfa::Result::GaveUp) return result == TDfa::Result::Match;
  }
  return SearchNfa(text);
}

// Adds `pc` and every state reachable from it without reading a character to `list`; true when the match
// state is among them.
bool TFilterRegex::AddState(std::vector<std::uint32_t>& list, std::uint32_t pc, std::u16string_view text,
                            std::size_t pos) {
  stack_.clear();
  stack_.push_back(pc);
  while (!stack_.empty()) {
    const std::uint32_t at = stack_.back();
    stack_.pop_back();
    if (seen_[at] == stamp_) continue;
    seen_[at] = stamp_;
    const TInst& inst = program_[at];
    switch (inst.op) {
      case Op::Match: return true;
      case Op::Jump: stack_.push_back(inst.x); break;
      case Op::Split: stack_.push_back(inst.y), stack_.push_back(inst.x); break;
      case Op::Begin:
        if (pos == 0) stack_.push_back(at + 1);
        break;
      case Op::End:
        if (pos == text.size()) stack_.push_back(at + 1);
        break;
      case Op::WordBoundary:
      case Op::NotWordBoundary: {
        std::size_t width = 0;
        const bool before = pos > 0 && IsWord(CodePointBefore(text, pos));
        const bool after = pos < text.size() && IsWord(CodePointAt(text, pos, width));
        if ((before != after) == (inst.op == Op::WordBoundary)) stack_.push_back(at + 1);
        break;
      }
      default: list.push_back(at); break;
    }
  }
  return false;
}

void TFilterRegex::NextStamp() {
  if (++stamp_ == 0) {  // wrapped: old stamps could be mistaken for new ones
    std::fill(seen_.begin(), seen_.end(), 0);
    stamp_ = 1;
  }
}

bool TFilterRegex::SearchNfa(std::u16string_view text) {
  const std::size_t n = text.size();
  std::size_t pos = 0;
  current_.clear();
  NextStamp();
  for (;;) {
    if (current_.empty()) {
      if (anchored_ && pos > 0) return false;
      if (!firstUnits_.empty()) {
        const std::size_t next = regex_chars::NextStart(text, pos, firstUnits_);
        if (next == std::u16string_view::npos) return false;
        if (next != pos) {
          pos = next;
          NextStamp();
        }
      }
    }
    if ((!anchored_ || pos == 0) && AddState(current_, 0, text, pos)) return true;
    if (pos >= n || current_.empty()) {
      if (pos >= n) return false;
      // Nothing alive and nothing can start here: move on one character.
      std::size_t width = 0;
      CodePointAt(text, pos, width);
      pos += width;
      NextStamp();
      continue;
    }
    std::size_t width = 0;
    const char32_t c = CodePointAt(text, pos, width);
    NextStamp();
    next_.clear();
    for (const std::uint32_t pc : current_) {
      if (regex_chars::Takes(program_[pc], classes_, c) && AddState(next_, pc + 1, text, pos + width)) return true;
    }
    current_.swap(next_);
    pos += width;
  }
}

}  // namespace qelvar
