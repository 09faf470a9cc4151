// The POSIX build compares text with ICU's collator, set to compare as the Windows build's CompareStringEx
// does with NORM_IGNORECASE | NORM_IGNOREWIDTH | SORT_DIGITSASNUMBERS: accents count as secondary
// differences, letter case and width not at all, and digit runs by their numeric value. So a column sorts
// the same on every system ("École" beside "Ecole", not after "zebra").
#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/text_compare.h"

namespace qelvar::platform {

namespace {

struct CollatorCloser {
  void operator()(UCollator* collator) const { ucol_close(collator); }
};

// One collator per thread (a collator is not meant to be shared while it is used); nullptr when ICU
// cannot open one, and callers then compare ordinally.
UCollator* Collator() {
  thread_local std::unique_ptr<UCollator, CollatorCloser> collator = [] {
    // The POSIX locale's tailoring orders ASCII by code point, capitals first: the user of a C locale
    // gets the root order, as Windows gives a user without a locale of their own.
    const char* locale = uloc_getDefault();
    if (locale == nullptr || std::strcmp(locale, "en_US_POSIX") == 0 || std::strcmp(locale, "c") == 0) locale = "";
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UCollator, CollatorCloser> opened(ucol_open(locale, &status));
    if (U_FAILURE(status)) return std::unique_ptr<UCollator, CollatorCloser>();
    ucol_setStrength(opened.get(), UCOL_SECONDARY);
    ucol_setAttribute(opened.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    if (U_FAILURE(status)) return std::unique_ptr<UCollator, CollatorCloser>();
    return opened;
  }();
  return collator.get();
}

std::int32_t Length(std::u16string_view text) {
  return static_cast<std::int32_t>(std::min<std::size_t>(text.size(), INT32_MAX));
}

}  // namespace

bool CollationAvailable() { return Collator() != nullptr; }

std::optional<int> CollateCompare(std::u16string_view a, std::u16string_view b) {
  UCollator* collator = Collator();
  if (!collator) return std::nullopt;
  return static_cast<int>(ucol_strcoll(collator, a.data(), Length(a), b.data(), Length(b)));
}

bool AppendCollationKey(std::u16string_view text, std::u16string& keys) {
  UCollator* collator = Collator();
  if (!collator) return false;
  thread_local std::vector<std::uint8_t> bytes(256);
  auto size = static_cast<std::size_t>(
      ucol_getSortKey(collator, text.data(), Length(text), bytes.data(), static_cast<std::int32_t>(bytes.size())));
  if (size > bytes.size()) {
    bytes.resize(size);
    size = static_cast<std::size_t>(
        ucol_getSortKey(collator, text.data(), Length(text), bytes.data(), static_cast<std::int32_t>(bytes.size())));
  }
  // Two bytes to a unit, the first as the high byte, so that units compare as the bytes do. The key's own
  // closing 0 byte is kept, so that a padding 0 never makes two keys equal that differ.
  for (std::size_t i = 0; i < size; i += 2) {
    const unsigned high = bytes[i];
    const unsigned low = i + 1 < size ? bytes[i + 1] : 0u;
    keys.push_back(static_cast<char16_t>((high << 8) | low));
  }
  return true;
}

int CompareCollationKeys(std::u16string_view a, std::u16string_view b) { return a.compare(b); }

std::uint64_t CollationKeyPrefix(std::u16string_view key, bool& complete) {
  std::uint64_t prefix = 0;
  for (std::size_t i = 0; i < 4; ++i) prefix = (prefix << 16) | (i < key.size() ? key[i] : 0u);
  complete = key.size() <= 4;
  return prefix;
}

}  // namespace qelvar::platform
