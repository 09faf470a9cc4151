#!/usr/bin/env bash
# Takes the user guide's screenshots with the test suite and copies them into docs/:
#   scripts/update-screenshots.sh
# The pictures come from the GUI screenshot tests (light and dark theme, the filter row in use, the transform
# panel in both themes), which check
# what each picture is meant to show before they write it; nothing is drawn by hand.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

./scripts/install-deps.sh
log=build/update-screenshots.log
mkdir -p build
if ! { cmake --preset win64 && cmake --build --preset win64 -j2 --target qelvar_gui_tests; } >"$log" 2>&1; then
  grep -E -B2 -A6 'error|Error' "$log" | head -60 >&2
  echo "update-screenshots.sh: the build failed; the whole log is in $log" >&2
  exit 1
fi
sh tests/gui/with-display.sh cmake/wine-run.sh win64 build/win64/tests/gui/qelvar_gui_tests.exe \
  '--gtest_filter=Themes/ScreenshotTest.*:ScreenshotFilterTest.*:TransformLookTest.ScreenshotsOfThePanelForTheGuide'
# The tests write plain PNGs; ImageMagick compresses them (losslessly) for the repository and the guide page,
# into which they are embedded.
for name in grid-light grid-dark grid-filter transform-light transform-dark; do
  /usr/bin/convert-im6.q16 "build/win64/screenshots/$name.png" -strip -define png:compression-level=9 "docs/$name.png"
  echo "docs/$name.png"
done
