#include "grid/grid_values.h"

#include <charconv>
#include <limits>
#include <string>

#include "platform/platform.h"

namespace qelvar {
namespace {

bool IsAsciiDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsBlank(char16_t c) { return c < 33; }

// Scans the literal form; on success gives the decimal exponent of the first significant digit (the
// value lies in [10^(k-1), 10^k) for k = *magnitude), used to tell overflow from underflow.
bool ScanLiteral(std::u16string_view s, long long& magnitude) {
  std::size_t i = 0;
  const std::size_t n = s.size();
  if (i < n && (s[i] == u'+' || s[i] == u'-')) ++i;
  const std::size_t intStart = i;
  while (i < n && IsAsciiDigit(s[i])) ++i;
  const std::size_t intEnd = i;
  std::size_t fracStart = i, fracEnd = i;
  if (i < n && s[i] == u'.') {
    fracStart = ++i;
    while (i < n && IsAsciiDigit(s[i])) ++i;
    fracEnd = i;
  }
  if (intEnd == intStart && fracEnd == fracStart) return false;  // no digit at all
  long long exponent = 0;
  if (i < n && (s[i] == u'e' || s[i] == u'E')) {
    ++i;
    bool negative = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    if (i == n || !IsAsciiDigit(s[i])) return false;
    while (i < n && IsAsciiDigit(s[i])) {
      if (exponent < 1'000'000'000) exponent = exponent * 10 + (s[i] - u'0');  // saturates; only the sign matters
      ++i;
    }
    if (negative) exponent = -exponent;
  }
  if (i != n) return false;

  long long k = 0;
  std::size_t p = intStart;
  while (p < intEnd && s[p] == u'0') ++p;
  if (p < intEnd) {
    k = static_cast<long long>(intEnd - p);
  } else {
    std::size_t q = fracStart;
    while (q < fracEnd && s[q] == u'0') ++q;
    k = -static_cast<long long>(q - fracStart);
  }
  magnitude = k + exponent;
  return true;
}

}  // namespace

bool TryParseNumber(std::u16string_view text, double& value) {
  std::size_t b = 0, e = text.size();
  while (b < e && IsBlank(text[b])) ++b;
  while (e > b && IsBlank(text[e - 1])) --e;
  const std::u16string_view s = text.substr(b, e - b);
  long long magnitude = 0;
  if (s.empty() || !ScanLiteral(s, magnitude)) return false;

  // from_chars wants chars and no leading '+'; the literal is pure ASCII by now.
  const bool plus = s[0] == u'+';
  const std::size_t len = s.size() - (plus ? 1 : 0);
  char local[256];
  std::string heap;
  char* chars = local;
  if (len > sizeof local) {
    heap.resize(len);
    chars = heap.data();
  }
  for (std::size_t i = 0; i < len; ++i) chars[i] = static_cast<char>(s[i + (plus ? 1 : 0)]);
  double parsed = 0;
  const auto result = std::from_chars(chars, chars + len, parsed, std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) {
    const bool negative = s[0] == u'-';
    parsed = magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    if (negative) parsed = -parsed;
  } else if (result.ec != std::errc() || result.ptr != chars + len) {
    return false;  // cannot happen after the scan; kept so that a library difference fails safely
  }
  value = parsed;
  return true;
}

int CompareOrdinal(std::u16string_view a, std::u16string_view b) {
  const int r = a.compare(b);  // char_traits<char16_t> compares code units as unsigned values
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CompareValues(std::u16string_view a, std::u16string_view b) {
  double x = 0, y = 0;
  if (TryParseNumber(a, x) && TryParseNumber(b, y)) return x < y ? -1 : (x > y ? 1 : 0);
  if (const auto r = platform::CompareTextLocale(a, b)) return *r < 0 ? -1 : (*r > 0 ? 1 : 0);
  return CompareOrdinal(a, b);
}

std::u16string ExtractLink(std::u16string_view text) {
  const std::size_t marker = text.find(u"://");
  if (marker != std::u16string_view::npos) {
    std::size_t start = marker;
    while (start > 0) {
      const char16_t c = text[start - 1];
      if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))) break;
      --start;
    }
    std::size_t end = marker + 3;
    while (end < text.size()) {
      const char16_t c = text[end];
      if (c == u'\t' || c == u'\n' || c == u'\r' || c == u' ' || c == u'"' || c == u'\'') break;
      ++end;
    }
    return std::u16string(text.substr(start, end - start));
  }
  if (text.find(u'.') != std::u16string_view::npos) {
    std::size_t b = 0, e = text.size();
    while (b < e && IsBlank(text[b])) ++b;
    while (e > b && IsBlank(text[e - 1])) --e;
    return u"https://" + std::u16string(text.substr(b, e - b));
  }
  return {};
}

int SampleCount(int total, int limit) {
  if (total <= 0 || limit <= 0) return 0;
  return total < limit ? total : limit;
}

int SampleRow(int j, int samples, int total) {
  if (total <= 1 || samples <= 1) return 0;
  return static_cast<int>(static_cast<std::int64_t>(total - 1) * j / (samples - 1));
}

}  // namespace qelvar
