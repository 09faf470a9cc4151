#include "viewer/look/metrics.h"

#include <algorithm>
#include <utility>

namespace qelvar {
namespace {

// Pixel sizes are computed in 64 bits and kept within int: no font size or DPI can overflow them.
int ToPixels(long long value) noexcept {
  return static_cast<int>(std::clamp<long long>(value, -32767, 32767));
}

}  // namespace

void TMetrics::SetFont(std::u16string name, int size, int weight) {
  fontName_ = std::move(name);
  fontSize_ = std::clamp(size, kMinFontSize, kMaxFontSize);
  fontWeight_ = weight >= 1 && weight <= 9 ? weight * 100 : 0;
}

bool TMetrics::SetFontSize(int size) noexcept {
  if (size < kMinFontSize || size > kMaxFontSize || size == fontSize_) return false;
  fontSize_ = size;
  return true;
}

int TMetrics::Scale(int n) const noexcept {
  // Rounded to the nearest pixel, halves away from zero, as Windows' MulDiv does.
  const long long product = static_cast<long long>(n) * dpi_;
  return ToPixels(product >= 0 ? (product + 48) / 96 : -((-product + 48) / 96));
}

int TMetrics::FontPixelHeight() const noexcept {
  return ToPixels(std::max(static_cast<long long>(fontSize_) * dpi_ / 72, static_cast<long long>(Scale(10))));
}

int TMetrics::FontRequestHeight() const noexcept {
  return -ToPixels(static_cast<long long>(fontSize_) * dpi_ / 72);
}

int TMetrics::ScaleByFont(int n) const noexcept {
  return ToPixels(
      std::max(static_cast<long long>(n) * FontPixelHeight() / 13, static_cast<long long>(Scale(n))));
}

int TMetrics::FilterRowHeight() const noexcept {
  return ToPixels(
      std::max(static_cast<long long>(FontPixelHeight()) + Scale(8), static_cast<long long>(Scale(24))));
}

int TMetrics::StatusBarHeight() const noexcept {
  return ToPixels(
      std::max(static_cast<long long>(FontPixelHeight()) + Scale(8), static_cast<long long>(Scale(22))));
}

int TMetrics::TransformPanelWidth() const noexcept {
  return ToPixels(std::max(static_cast<long long>(ScaleByFont(260)) + 5LL * FontPixelHeight(),
                           static_cast<long long>(ScaleByFont(330))));
}

}  // namespace qelvar
