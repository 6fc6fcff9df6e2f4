#!/usr/bin/env bash
# Draws the pictures of the manual into docs/: kvel.png (kvel's main window after a run on
# examples/kvel), solvanta.png (solvanta's main window on examples/solvanta) and editor.png (the
# editor window on an observation file). Builds nothing: build first, e.g.
#     cmake -S . -B build -G Ninja && ninja -C build gui_screenshots
# then
#     bash scripts/screenshots.sh [build folder, default: build]
# The windows are drawn off-screen (QT_QPA_PLATFORM=offscreen). With ORVANE_SCREENSHOTS_XVFB=1 they
# are drawn on a virtual X server (xvfb-run) instead.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
tool="$build/bin/gui_screenshots"
if [[ ! -x "$tool" ]]; then
  echo "screenshots: $tool is missing; build the target gui_screenshots first" >&2
  exit 1
fi
if [[ ! -f "$build/bin/PL-geoid2021.bin" ]]; then
  echo "screenshots: $build/bin/PL-geoid2021.bin is missing; build the target quasigeoid_models first" >&2
  exit 1
fi
if [[ "${ORVANE_SCREENSHOTS_XVFB:-0}" == 1 ]]; then
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" "$tool" "$root/docs" "$root/examples"
else
  QT_QPA_PLATFORM=offscreen "$tool" "$root/docs" "$root/examples"
fi
