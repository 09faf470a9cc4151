// A number's decimal digits as UTF-16 without allocating: line numbers are drawn for every painted row.
// Pure and header-only.
#pragma once

#include <array>
#include <charconv>
#include <cstddef>
#include <string_view>

namespace qelvar {

class TDecimalDigits {
 public:
  explicit TDecimalDigits(long long number) noexcept {
    std::array<char, 24> narrow{};  // room for the longest long long with its sign
    const auto end = std::to_chars(narrow.data(), narrow.data() + narrow.size(), number).ptr;
    length_ = static_cast<std::size_t>(end - narrow.data());
    for (std::size_t i = 0; i < length_; ++i) digits_[i] = static_cast<char16_t>(narrow[i]);
  }
  // Valid while this object lives.
  std::u16string_view View() const noexcept { return {digits_.data(), length_}; }

 private:
  std::array<char16_t, 24> digits_{};
  std::size_t length_ = 0;
};

}  // namespace qelvar
