// The grid font and its bold face (the header's titles), made for the sizes of a TMetrics.
#pragma once

#include <windows.h>

#include "viewer/look/metrics.h"
#include "win/handles.h"

namespace qelvar {

class TGridFonts {
 public:
  // Makes both faces at the metrics' point size and DPI; false (and the object left as it was) when either
  // cannot be made. Build a fresh object, hand its fonts to the controls, then move it over the old one:
  // a control never holds a deleted font.
  bool Create(const TMetrics& metrics) noexcept;
  // Null until Create succeeded.
  HFONT Regular() const noexcept { return regular_.Get(); }
  HFONT Bold() const noexcept { return bold_.Get(); }

 private:
  TFont regular_;
  TFont bold_;
};

}  // namespace qelvar
