#include "grid/column_stats.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

#include "grid/grid_values.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

bool IsBlank(char16_t c) { return c < 33; }

// Neumaier's compensated sum: a million prices summed keep their cents. Once the sum is not finite the
// compensation is meaningless and is dropped.
class TSum {
 public:
  void Add(double x) {
    // The 32-bit build does its arithmetic on the x87 unit, whose 80-bit registers would make the
    // error term zero; the sum is rounded to a double through memory so that the term is the real one.
    const volatile double rounded = s_ + x;
    const double t = rounded;
    if (!std::isfinite(t)) {
      s_ = t;
      c_ = 0;
      return;
    }
    c_ += std::fabs(s_) >= std::fabs(x) ? (s_ - t) + x : (x - t) + s_;
    s_ = t;
  }
  double Value() const { return std::isfinite(s_) ? s_ + c_ : s_; }

 private:
  double s_ = 0, c_ = 0;
};

// Reads the digits at `i`, between `min` and `max` of them; false (i unchanged) otherwise.
bool Digits(std::u16string_view s, std::size_t& i, std::size_t min, std::size_t max, int& value) {
  std::size_t j = i;
  int v = 0;
  while (j < s.size() && j - i < max && s[j] >= u'0' && s[j] <= u'9') v = v * 10 + (s[j++] - u'0');
  if (j - i < min) return false;
  i = j;
  value = v;
  return true;
}

bool Skip(std::u16string_view s, std::size_t& i, char16_t c) {
  if (i < s.size() && s[i] == c) return ++i, true;
  return false;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// "HH:MM[:SS[.fff]]" to its end; the fraction is read and ignored.
bool Time(std::u16string_view s, std::size_t& i, int& hour, int& minute, int& second) {
  second = 0;
  if (!Digits(s, i, 1, 2, hour) || !Skip(s, i, u':') || !Digits(s, i, 2, 2, minute)) return false;
  if (Skip(s, i, u':')) {
    if (!Digits(s, i, 2, 2, second)) return false;
    int fraction = 0;
    if (Skip(s, i, u'.') && !Digits(s, i, 1, 9, fraction)) return false;
  }
  return hour <= 23 && minute <= 59 && second <= 60;
}

// "Z", "+02:00", "-0530" or nothing.
bool Zone(std::u16string_view s, std::size_t& i) {
  if (Skip(s, i, u'Z')) return true;
  if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) {
    ++i;
    int hours = 0, minutes = 0;
    if (!Digits(s, i, 2, 2, hours)) return false;
    Skip(s, i, u':');
    return Digits(s, i, 2, 2, minutes) && hours <= 14 && minutes <= 59;
  }
  return true;
}

void AppendUtf8(std::string& out, std::u16string_view text) { out += Utf16ToUtf8(text); }

void AppendJsonString(std::string& out, std::u16string_view text) {
  out += '"';
  for (const char c : Utf16ToUtf8(text)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

// The shortest text that reads back as the same double; "null" when not finite (JSON has no infinity).
void AppendJsonNumber(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

// Line breaks and tabs of a value written out, so that each value stays on its line of the table.
std::u16string OneLine(std::u16string_view value) {
  std::u16string out;
  for (const char16_t c : value) {
    if (c == u'\n') out += u"\\n";
    else if (c == u'\r') out += u"\\r";
    else if (c == u'\t') out += u"\\t";
    else out += c;
  }
  return out;
}

// The distinct values met, with their counts, in an open-addressing table over one buffer of text: a
// column of a million cells with a few hundred names costs a few hundred small copies.
class TValueTable {
 public:
  struct Entry {
    std::size_t offset;
    std::size_t length;
    std::int64_t count;
  };

  void Add(std::u16string_view value) {
    if (entries_.size() * 2 >= slots_.size()) Grow();
    const std::uint64_t hash = Hash(value);
    std::size_t slot = static_cast<std::size_t>(hash) & (slots_.size() - 1);
    for (;;) {
      const std::uint32_t at = slots_[slot];
      if (at == 0) break;
      Entry& e = entries_[at - 1];
      if (hashes_[at - 1] == hash && Text(e) == value) {
        ++e.count;
        return;
      }
      slot = (slot + 1) & (slots_.size() - 1);
    }
    entries_.push_back({text_.size(), value.size(), 1});
    hashes_.push_back(hash);
    text_.append(value);
    slots_[slot] = static_cast<std::uint32_t>(entries_.size());
  }

  const std::vector<Entry>& Entries() const { return entries_; }
  std::u16string_view Text(const Entry& e) const { return std::u16string_view(text_).substr(e.offset, e.length); }

 private:
  static std::uint64_t Hash(std::u16string_view value) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ value.size();
    std::size_t i = 0;
    for (; i + 4 <= value.size(); i += 4) {
      std::uint64_t chunk = 0;
      std::memcpy(&chunk, value.data() + i, 8);
      h = (h ^ chunk) * 0xFF51AFD7ED558CCDull;
      h ^= h >> 32;
    }
    for (; i < value.size(); ++i) h = (h ^ value[i]) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 29);
  }

  void Grow() {
    const std::size_t size = slots_.empty() ? 1024 : slots_.size() * 2;
    slots_.assign(size, 0);
    for (std::size_t k = 0; k < entries_.size(); ++k) {
      std::size_t slot = static_cast<std::size_t>(hashes_[k]) & (size - 1);
      while (slots_[slot] != 0) slot = (slot + 1) & (size - 1);
      slots_[slot] = static_cast<std::uint32_t>(k + 1);
    }
  }

  std::u16string text_;
  std::vector<Entry> entries_;
  std::vector<std::uint64_t> hashes_;
  std::vector<std::uint32_t> slots_;
};

}  // namespace

bool TryParseNumberIn(std::u16string_view text, TDecimalSeparator separator, double& value) {
  if (separator == TDecimalSeparator::Point) return TryParseNumber(text, value);
  if (text.find(u'.') != std::u16string_view::npos) return false;
  const std::size_t comma = text.find(u',');
  if (comma == std::u16string_view::npos) return TryParseNumber(text, value);
  std::array<char16_t, 64> local;
  std::u16string heap;
  char16_t* chars = local.data();
  if (text.size() > local.size()) {
    heap.resize(text.size());
    chars = heap.data();
  }
  std::copy(text.begin(), text.end(), chars);
  chars[comma] = u'.';  // a second comma stays and makes it no number
  return TryParseNumber(std::u16string_view(chars, text.size()), value);
}

TDecimalSeparator GuessDecimalSeparator(std::size_t count, const TCellSource& cells, std::size_t limit) {
  std::size_t points = 0, commas = 0;
  double unused = 0;
  for (std::size_t i = 0; i < count && i < limit; ++i) {
    const std::u16string_view v = cells(i);
    const bool point = TryParseNumber(v, unused);
    const bool comma = TryParseNumberIn(v, TDecimalSeparator::Comma, unused);
    if (point && !comma) ++points;
    if (comma && !point) ++commas;
  }
  return commas > points ? TDecimalSeparator::Comma : TDecimalSeparator::Point;
}

std::u16string FormatStatsNumber(double value, TDecimalSeparator separator) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value > 0 ? u"\u221E" : u"-\u221E";
  char buffer[64];
  char* end = nullptr;
  if (value == std::trunc(value) && std::fabs(value) < 1e15) {
    end = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value)).ptr;
  } else {
    end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15).ptr;
  }
  std::u16string out(buffer, end);
  if (separator == TDecimalSeparator::Comma) std::replace(out.begin(), out.end(), u'.', u',');
  return out;
}

TSelectionStats SelectionStats(std::size_t count, const TCellSource& cells, TDecimalSeparator separator) {
  TSelectionStats stats;
  TSum sum;
  for (std::size_t i = 0; i < count; ++i) {
    const std::u16string_view v = cells(i);
    ++stats.cells;
    if (v.empty()) continue;
    ++stats.count;
    double x = 0;
    if (!TryParseNumberIn(v, separator, x)) continue;
    if (stats.numbers++ == 0) stats.min = stats.max = x;
    stats.min = std::min(stats.min, x);
    stats.max = std::max(stats.max, x);
    sum.Add(x);
  }
  stats.sum = sum.Value();
  return stats;
}

std::u16string FormatSelectionStats(const TSelectionStats& stats, const TStatsLabels& labels,
                                    TDecimalSeparator separator) {
  if (stats.cells < 2) return {};
  std::u16string out;
  const auto item = [&](std::u16string_view label, const std::u16string& value) {
    if (!out.empty()) out += u"   ";
    out += label;
    out += u": ";
    out += value;
  };
  const auto integer = [](std::int64_t n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
  };
  item(labels.count, integer(stats.count));
  if (stats.numbers == 0) return out;
  item(labels.numbers, integer(stats.numbers));
  item(labels.sum, FormatStatsNumber(stats.sum, separator));
  item(labels.average, FormatStatsNumber(stats.Average(), separator));
  item(labels.min, FormatStatsNumber(stats.min, separator));
  item(labels.max, FormatStatsNumber(stats.max, separator));
  return out;
}

bool TryParseDate(std::u16string_view text, std::int64_t& key) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  const std::u16string_view s = text.substr(b, e - b);
  std::size_t i = 0;
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int first = 0, second2 = 0;
  bool iso = false;
  if (Digits(s, i, 4, 4, year) && (Skip(s, i, u'-') || Skip(s, i, u'/'))) {
    const char16_t dash = s[i - 1];
    iso = dash == u'-';
    if (!Digits(s, i, iso ? 2 : 1, 2, month) || !Skip(s, i, dash) || !Digits(s, i, iso ? 2 : 1, 2, day)) return false;
  } else {
    i = 0;
    if (!Digits(s, i, 1, 2, first)) return false;
    char16_t mark = 0;
    if (Skip(s, i, u'.')) mark = u'.';
    else if (Skip(s, i, u'/')) mark = u'/';
    else return false;
    if (!Digits(s, i, 1, 2, second2) || !Skip(s, i, mark) || !Digits(s, i, 4, 4, year)) return false;
    if (mark == u'.' || first > 12) {
      day = first, month = second2;
    } else {
      month = first, day = second2;
    }
  }
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return false;
  if (i < s.size()) {
    if (!(Skip(s, i, u' ') || (iso && Skip(s, i, u'T')))) return false;
    if (!Time(s, i, hour, minute, second)) return false;
    if (iso && !Zone(s, i)) return false;
    if (i != s.size()) return false;
  }
  key = ((((static_cast<std::int64_t>(year) * 100 + month) * 100 + day) * 100 + hour) * 100 + minute) * 100 + second;
  return true;
}

bool ProfileColumn(std::size_t count, const TCellSource& cells, TDecimalSeparator separator,
                   const TStatsProgress& progress, TColumnProfile& out) {
  out = TColumnProfile();
  TValueTable table;
  for (std::size_t i = 0; i < count; ++i) {
    if (progress && i % kStatsProgressStep == 0 && i > 0 && !progress(i, count)) return false;
    const std::u16string_view v = cells(i);
    if (v.empty()) {
      ++out.empty;
      continue;
    }
    table.Add(v);
  }
  out.rows = static_cast<std::int64_t>(count);
  const auto& entries = table.Entries();
  out.distinct = static_cast<std::int64_t>(entries.size());

  // Every figure but the text range comes from the distinct values, each weighed by its count.
  TSum sum;
  std::int64_t numberValues = 0, dateValues = 0;
  std::size_t minNumber = 0, maxNumber = 0, minDate = 0, maxDate = 0;
  double low = 0, high = 0;
  std::int64_t earliest = 0, latest = 0;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    if (progress && k % kStatsProgressStep == 0 && k > 0 && !progress(count, count)) return false;
    const std::u16string_view v = table.Text(entries[k]);
    double x = 0;
    std::int64_t date = 0;
    if (TryParseNumberIn(v, separator, x)) {
      if (numberValues++ == 0 || x < low) low = x, minNumber = k;
      if (numberValues == 1 || x > high) high = x, maxNumber = k;
      out.numbers += entries[k].count;
      sum.Add(x * static_cast<double>(entries[k].count));
    } else if (TryParseDate(v, date)) {
      if (dateValues++ == 0 || date < earliest) earliest = date, minDate = k;
      if (dateValues == 1 || date > latest) latest = date, maxDate = k;
    }
  }
  const auto distinct = static_cast<std::int64_t>(entries.size());
  if (distinct > 0 && numberValues == distinct) {
    out.type = TColumnType::Numbers;
    out.min = std::u16string(table.Text(entries[minNumber]));
    out.max = std::u16string(table.Text(entries[maxNumber]));
    out.hasMean = true;
    out.mean = sum.Value() / static_cast<double>(out.numbers);
  } else if (distinct > 0 && dateValues == distinct) {
    out.type = TColumnType::Dates;
    out.min = std::u16string(table.Text(entries[minDate]));
    out.max = std::u16string(table.Text(entries[maxDate]));
  } else if (distinct > 0) {
    std::size_t lo = 0, hi = 0;
    for (std::size_t k = 1; k < entries.size(); ++k) {
      if (progress && k % kStatsProgressStep == 0 && !progress(count, count)) return false;
      const std::u16string_view v = table.Text(entries[k]);
      if (CompareValues(v, table.Text(entries[lo])) < 0) lo = k;
      if (CompareValues(v, table.Text(entries[hi])) > 0) hi = k;
    }
    out.min = std::u16string(table.Text(entries[lo]));
    out.max = std::u16string(table.Text(entries[hi]));
  }

  // Entries are in order of first appearance, so the index breaks ties in file order.
  std::vector<std::uint32_t> order(entries.size());
  for (std::size_t k = 0; k < order.size(); ++k) order[k] = static_cast<std::uint32_t>(k);
  const std::size_t top = std::min(kProfileTopValues, order.size());
  std::partial_sort(order.begin(), order.begin() + static_cast<std::ptrdiff_t>(top), order.end(),
                    [&](std::uint32_t a, std::uint32_t b) {
                      return entries[a].count != entries[b].count ? entries[a].count > entries[b].count : a < b;
                    });
  for (std::size_t k = 0; k < top; ++k)
    out.top.push_back({std::u16string(table.Text(entries[order[k]])), entries[order[k]].count});
  if (progress && !progress(count, count)) return false;
  return true;
}

std::u16string_view ColumnTypeName(TColumnType type) {
  switch (type) {
    case TColumnType::Numbers: return u"numbers";
    case TColumnType::Dates: return u"dates";
    case TColumnType::Text: break;
  }
  return u"text";
}

std::string ProfileToJson(const TColumnProfile& profile, std::u16string_view columnName) {
  std::string out = "{\n  \"column\": ";
  AppendJsonString(out, columnName);
  out += ",\n  \"type\": ";
  AppendJsonString(out, ColumnTypeName(profile.type));
  out += ",\n  \"rows\": " + std::to_string(profile.rows);
  out += ",\n  \"empty\": " + std::to_string(profile.empty);
  out += ",\n  \"distinct\": " + std::to_string(profile.distinct);
  const bool numbers = profile.type == TColumnType::Numbers;
  for (const auto& [name, value] : {std::pair{"min", &profile.min}, std::pair{"max", &profile.max}}) {
    out += ",\n  \"";
    out += name;
    out += "\": ";
    double x = 0;
    if (profile.distinct == 0) {
      out += "null";
    } else if (numbers && TryParseNumberIn(*value, TDecimalSeparator::Comma, x)) {
      AppendJsonNumber(out, x);
    } else if (numbers && TryParseNumber(*value, x)) {
      AppendJsonNumber(out, x);
    } else {
      AppendJsonString(out, *value);
    }
  }
  out += ",\n  \"mean\": ";
  if (profile.hasMean) AppendJsonNumber(out, profile.mean);
  else out += "null";
  out += ",\n  \"top\": [";
  for (std::size_t k = 0; k < profile.top.size(); ++k) {
    out += k == 0 ? "\n    {\"value\": " : ",\n    {\"value\": ";
    AppendJsonString(out, profile.top[k].value);
    out += ", \"count\": " + std::to_string(profile.top[k].count) + "}";
  }
  out += profile.top.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

std::string ProfileToTable(const TColumnProfile& profile, std::u16string_view columnName,
                           TDecimalSeparator separator) {
  std::string out;
  const auto line = [&](const char* label, std::u16string_view value) {
    char padded[16];
    std::snprintf(padded, sizeof padded, "%-10s", label);
    out += padded;
    AppendUtf8(out, OneLine(value));
    out += '\n';
  };
  const auto integer = [](std::int64_t n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
  };
  line("column", columnName);
  line("type", ColumnTypeName(profile.type));
  line("rows", integer(profile.rows));
  line("empty", integer(profile.empty));
  line("distinct", integer(profile.distinct));
  line("min", profile.min);
  line("max", profile.max);
  line("mean", profile.hasMean ? FormatStatsNumber(profile.mean, separator) : std::u16string());
  if (profile.top.empty()) return out;
  out += "most frequent\n";
  std::size_t width = 0;
  for (const auto& t : profile.top) width = std::max(width, std::to_string(t.count).size());
  for (const auto& t : profile.top) {
    const std::string count = std::to_string(t.count);
    out += "  " + std::string(width - count.size(), ' ') + count + "  ";
    AppendUtf8(out, OneLine(t.value));
    out += '\n';
  }
  return out;
}

}  // namespace qelvar
