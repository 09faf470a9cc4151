// The columns the user hid, per view of the grid: each view has its own flags, so that hiding a column of
// one never hides a column of the other. Pure and header-only.
#pragma once

#include <vector>

namespace qelvar {

struct THiddenColumns {
  std::vector<bool> document;  // per document column (may be shorter than the columns)
  std::vector<bool> output;    // per output column of the transformed view
  // The flags of the view shown.
  std::vector<bool>& Of(bool transformedView) noexcept { return transformedView ? output : document; }
};

}  // namespace qelvar
