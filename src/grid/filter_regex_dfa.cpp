#include "grid/filter_regex_dfa.h"

#include <algorithm>
#include <iterator>

namespace qelvar {

using TInst = TFilterRegex::TInst;
using TClass = TFilterRegex::TClass;
using Op = TFilterRegex::Op;

namespace regex_chars {

bool Takes(const TInst& inst, const std::vector<TClass>& classes, char32_t c) {
  switch (inst.op) {
    case Op::Char: return inst.c == c;
    case Op::Any: return c != U'\n';
    case Op::Class: {
      const TClass& cls = classes[inst.x];
      bool in = false;
      for (const auto& r : cls.ranges)
        if (c >= r.first && c <= r.last) {
          in = true;
          break;
        }
      return in != cls.negated;
    }
    default: return false;
  }
}

std::size_t NextStart(std::u16string_view text, std::size_t pos, const std::vector<char16_t>& units) {
  for (;; ++pos) {
    pos = units.size() == 1 ? text.find(units[0], pos)
                            : text.find_first_of(std::u16string_view(units.data(), units.size()), pos);
    if (pos == std::u16string_view::npos) return pos;
    const bool lowHalf = text[pos] >= 0xDC00 && text[pos] <= 0xDFFF && pos > 0 && text[pos - 1] >= 0xD800 &&
                         text[pos - 1] <= 0xDBFF;
    if (!lowHalf) return pos;
  }
}

}  // namespace regex_chars

namespace {

constexpr char32_t kPastCodePoints = 0x110000;
// Beyond this many classes a state's row costs more to fill than the state lists cost to step.
constexpr std::size_t kMaxClasses = 1024;
// A cache that is cleared after fewer characters than this per state it built does not pay its way.
constexpr std::size_t kReadPerState = 10;

}  // namespace

std::unique_ptr<TFilterRegex::TDfa> TFilterRegex::TDfa::Make(const TFilterRegex& regex, std::size_t cacheBytes) {
  std::vector<char32_t> starts = {0};
  const auto edges = [&starts](char32_t first, char32_t last) {
    starts.push_back(first);
    if (last + 1 < kPastCodePoints) starts.push_back(last + 1);
  };
  bool word = false;
  for (const TInst& inst : regex.program_) {
    switch (inst.op) {
      case Op::Char: edges(inst.c, inst.c); break;
      case Op::Any: edges(U'\n', U'\n'); break;
      case Op::Class:
        for (const auto& r : regex.classes_[inst.x].ranges) edges(r.first, r.last);
        break;
      case Op::WordBoundary:
      case Op::NotWordBoundary: word = true; break;
      default: break;
    }
  }
  // With \b or \B, a class must also be all word characters or none, for its transition to decide them.
  if (word)
    for (const auto& r : regex_chars::WordRanges()) edges(r.first, r.last);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  if (starts.size() > kMaxClasses) return nullptr;
  std::unique_ptr<TDfa> dfa(new TDfa(regex.program_.size(), cacheBytes, std::move(starts)));
  dfa->wordAssertions_ = word;
  return dfa;
}

TFilterRegex::TDfa::TDfa(std::size_t programSize, std::size_t cacheBytes, std::vector<char32_t> starts)
    : cacheBytes_(cacheBytes), starts_(std::move(starts)) {
  width_ = static_cast<std::uint32_t>(starts_.size() + 1);
  wordClass_.resize(starts_.size());
  for (std::size_t k = 0; k < starts_.size(); ++k) wordClass_[k] = regex_chars::IsWord(starts_[k]);
  std::uint32_t cls = 0;
  for (char32_t c = 0; c < 256; ++c) {
    while (cls + 1 < starts_.size() && starts_[cls + 1] <= c) ++cls;
    latin_[c] = static_cast<std::uint16_t>(cls);
  }
  slots_.assign(64, -1);
  mark_.assign(programSize, 0);
}

std::uint32_t TFilterRegex::TDfa::ClassOf(char32_t c) const {
  return static_cast<std::uint32_t>(std::upper_bound(starts_.begin(), starts_.end(), c) - starts_.begin() - 1);
}

void TFilterRegex::TDfa::Clear() {
  pcs_.clear();
  states_.clear();
  next_.clear();
  std::fill(slots_.begin(), slots_.end(), -1);
  start_ = -1;
  readSinceClear_ = 0;
  ++clears_;
}

std::size_t TFilterRegex::TDfa::Bytes() const {
  return (pcs_.size() + next_.size() + slots_.size()) * sizeof(std::uint32_t) + states_.size() * sizeof(TState);
}

std::int32_t TFilterRegex::TDfa::Find(std::uint8_t flags, std::size_t pos, bool mayGiveUp) {
  std::uint32_t hash = 2166136261u ^ flags;
  for (const std::uint32_t pc : kernel_) hash = (hash ^ pc) * 16777619u;
  std::size_t mask = slots_.size() - 1;
  std::size_t slot = hash & mask;
  for (; slots_[slot] >= 0; slot = (slot + 1) & mask) {
    const TState& s = states_[static_cast<std::size_t>(slots_[slot])];
    if (s.hash == hash && s.flags == flags && s.size == kernel_.size() &&
        std::equal(kernel_.begin(), kernel_.end(), pcs_.begin() + s.first))
      return slots_[slot];
  }
  const std::size_t cost = (kernel_.size() + width_) * sizeof(std::uint32_t) + sizeof(TState);
  if (!states_.empty() && Bytes() + cost > cacheBytes_) {
    const std::size_t read = readSinceClear_ + (pos - searchReadFrom_);
    const bool thrashing = read < kReadPerState * states_.size();
    Clear();
    searchReadFrom_ = pos;
    if (thrashing && mayGiveUp) return kGaveUp;
    slot = hash & mask;
  }
  if ((states_.size() + 1) * 2 > slots_.size()) {
    slots_.assign(slots_.size() * 2, -1);
    mask = slots_.size() - 1;
    for (std::size_t i = 0; i < states_.size(); ++i) {
      std::size_t at = states_[i].hash & mask;
      while (slots_[at] >= 0) at = (at + 1) & mask;
      slots_[at] = static_cast<std::int32_t>(i);
    }
    slot = hash & mask;
    while (slots_[slot] >= 0) slot = (slot + 1) & mask;
  }
  const auto index = static_cast<std::int32_t>(states_.size());
  states_.push_back({static_cast<std::uint32_t>(pcs_.size()), static_cast<std::uint32_t>(kernel_.size()), hash, flags});
  pcs_.insert(pcs_.end(), kernel_.begin(), kernel_.end());
  next_.resize(next_.size() + width_, kUnknown);
  slots_[slot] = index;
  return index;
}

std::int32_t TFilterRegex::TDfa::StartState() {
  if (start_ < 0) {
    kernel_.clear();
    start_ = Find(kAtStart, 0, false);
  }
  return start_;
}

// The transition of `state` on class `cls` (width_ - 1: the end of the text), cached unless the cache was
// cleared to make room for the state it leads to.
std::int32_t TFilterRegex::TDfa::Step(std::int32_t state, std::uint32_t cls, std::size_t pos, bool mayGiveUp) {
  const TState from = states_[static_cast<std::size_t>(state)];
  const bool end = cls + 1 == width_;
  const char32_t c = end ? 0 : starts_[cls];
  const bool before = (from.flags & kAfterWord) != 0;
  const bool after = !end && wordClass_[cls];
  const bool atStart = (from.flags & kAtStart) != 0;
  if (++stamp_ == 0) {
    std::fill(mark_.begin(), mark_.end(), 0);
    stamp_ = 1;
  }
  // Follow what reads no character from the state's positions (and from the start of the program, where
  // a match may begin), keeping the readers that take `c`, one position on.
  stack_.assign(pcs_.begin() + from.first, pcs_.begin() + from.first + from.size);
  if (!regex_->anchored_ || atStart) stack_.push_back(0);
  kernel_.clear();
  bool matched = false;
  while (!stack_.empty() && !matched) {
    const std::uint32_t at = stack_.back();
    stack_.pop_back();
    if (mark_[at] == stamp_) continue;
    mark_[at] = stamp_;
    const TInst& inst = regex_->program_[at];
    switch (inst.op) {
      case Op::Match: matched = true; break;
      case Op::Jump: stack_.push_back(inst.x); break;
      case Op::Split: stack_.push_back(inst.y), stack_.push_back(inst.x); break;
      case Op::Begin:
        if (atStart) stack_.push_back(at + 1);
        break;
      case Op::End:
        if (end) stack_.push_back(at + 1);
        break;
      case Op::WordBoundary:
      case Op::NotWordBoundary:
        if ((before != after) == (inst.op == Op::WordBoundary)) stack_.push_back(at + 1);
        break;
      default:
        if (!end && regex_chars::Takes(inst, regex_->classes_, c)) kernel_.push_back(at + 1);
        break;
    }
  }
  std::int32_t to = kDead;
  bool keep = true;
  if (matched) {
    to = kMatch;
  } else if (!end && (!kernel_.empty() || !regex_->anchored_)) {
    std::sort(kernel_.begin(), kernel_.end());
    const std::uint32_t clears = clears_;
    to = Find(wordAssertions_ && after ? kAfterWord : 0, pos, mayGiveUp);
    keep = clears == clears_;  // else `state` went with the cache
  }
  if (keep) next_[static_cast<std::size_t>(state) * width_ + cls] = to;
  return to;
}

TFilterRegex::TDfa::Result TFilterRegex::TDfa::Search(const TFilterRegex& regex, std::u16string_view text,
                                                     bool mayGiveUp) {
  regex_ = &regex;
  searchReadFrom_ = 0;
  std::int32_t state = StartState();
  const std::vector<char16_t>& firstUnits = regex_->firstUnits_;
  const std::size_t n = text.size();
  std::size_t pos = 0;
  std::int32_t to = state;
  while (pos < n) {
    // Nothing alive: skip to where a match can begin. What this state carries of the past does not
    // matter then, as every way in starts with a literal character.
    if (!firstUnits.empty() && states_[static_cast<std::size_t>(state)].size == 0) {
      const std::size_t next = regex_chars::NextStart(text, pos, firstUnits);
      if (next == std::u16string_view::npos) {
        pos = n;
        to = kDead;
        break;
      }
      pos = next;
    }
    char32_t c = text[pos];
    std::size_t width = 1;
    if (c >= 0xD800 && c <= 0xDBFF) c = regex_chars::CodePointAt(text, pos, width);
    const std::uint32_t cls = c < 256 ? latin_[c] : ClassOf(c);
    to = next_[static_cast<std::size_t>(state) * width_ + cls];
    if (to == kUnknown) to = Step(state, cls, pos, mayGiveUp);
    if (to < 0) break;
    state = to;
    pos += width;
  }
  if (to >= 0) {
    to = next_[static_cast<std::size_t>(state) * width_ + width_ - 1];
    if (to == kUnknown) to = Step(state, width_ - 1, n, mayGiveUp);
  }
  readSinceClear_ += pos - searchReadFrom_;
  if (to == kMatch) return Result::Match;
  return to == kGaveUp ? Result::GaveUp : Result::NoMatch;
}

}  // namespace qelvar
