// The column profile's window: its controls, the column it describes and the worker computing it. Owned
// by the viewer (TCsvViewer::profile); the window itself is a popup of the host's top-level window, so the
// viewer destroys it when it goes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "viewer/profile/profile_job.h"

namespace qelvar {

struct TProfileWindow {
  HWND window = nullptr;  // null once destroyed
  HWND list = nullptr;    // the figures, one a line; the most frequent values can be chosen
  HWND viewer = nullptr;  // the viewer window it describes a column of
  int column = -1;        // the document column
  TDecimalSeparator separator = TDecimalSeparator::Point;
  std::vector<std::u16string> values;  // per list line, the value it offers ("" for a figure)
  TProfileJob job;
};

}  // namespace qelvar
