#include "viewer/look/fonts.h"

#include <utility>

#include "platform/wide.h"

namespace qelvar {

bool TGridFonts::Create(const TMetrics& metrics) noexcept {
  const auto make = [&](int weight) {
    return CreateFontW(metrics.FontRequestHeight(), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                       Wide(metrics.FontName()));
  };
  TFont regular(make(metrics.FontWeight()));
  if (!regular) return false;
  TFont bold(make(700));
  if (!bold) return false;
  regular_ = std::move(regular);
  bold_ = std::move(bold);
  return true;
}

}  // namespace qelvar
