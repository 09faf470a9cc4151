// The sizes that follow the DPI and the grid font: every pixel size of the viewer's controls is computed
// here from the two, so that a zoom or a move to another monitor changes them all alike. Portable: no
// window is needed to compute a size.
#pragma once

#include <string>

namespace qelvar {

// The grid font's sizes in points: zooming stays within them, and a size read from the settings is
// clamped to them.
inline constexpr int kMinFontSize = 10;
inline constexpr int kMaxFontSize = 48;

class TMetrics {
 public:
  // The font as the settings give it: `size` in points (clamped to kMinFontSize..kMaxFontSize), `weight`
  // 1..9 (hundreds; anything else is the face's default weight, 0).
  void SetFont(std::u16string name, int size, int weight);
  const std::u16string& FontName() const noexcept { return fontName_; }
  int FontSize() const noexcept { return fontSize_; }
  int FontWeight() const noexcept { return fontWeight_; }
  // A zoom step: false (nothing changes) when `size` is outside the limits or the size already.
  bool SetFontSize(int size) noexcept;

  // Dots per inch; a value of 0 or less means the classic 96.
  void SetDpi(int dpi) noexcept { dpi_ = dpi > 0 ? dpi : 96; }
  int Dpi() const noexcept { return dpi_; }

  // `n` pixels at 96 DPI scaled to the DPI.
  int Scale(int n) const noexcept;
  // The font's character height in pixels (never below 10 pixels at 96 DPI), and the LOGFONT height that
  // asks for the font's point size (negative: a character height).
  int FontPixelHeight() const noexcept;
  int FontRequestHeight() const noexcept;
  // `n` pixels designed for a 13-pixel font, grown with the font; never less than Scale(n).
  int ScaleByFont(int n) const noexcept;
  int FilterRowHeight() const noexcept;
  int StatusBarHeight() const noexcept;
  int TransformPanelWidth() const noexcept;

 private:
  std::u16string fontName_;
  int fontSize_ = 16;
  int fontWeight_ = 0;
  int dpi_ = 96;
};

}  // namespace qelvar
