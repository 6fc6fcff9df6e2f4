#!/bin/sh
# Data snooping at the documented limits (20 000 points, 40 000 observations, 20 benchmarks) when
# the stated unit mean error is 5 times too small: the noise is drawn with Mo = 0.0050 m/sqrt(km)
# and the end record of deltah says 0.0010, so about half of the observations fail the w-test and
# snooping runs for thousands of rounds. Prints user CPU time, wall time, peak memory and the
# counts of testy.osn. A smaller network (POINTS) shows how the time grows; with WORK_DIR given,
# build/bin/snooping_readjustment WORK_DIR then judges the removals by a fresh adjustment after each.
# Usage: run_snooping_at_limits.sh BUILD_DIR [POINTS] [WORK_DIR]
set -e
build=${1:?build directory}
points=${2:-20000}
work=${3:-$(mktemp -d)}
"$build/bin/generate_network" --folder "$work" --points "$points" --observations $((2 * points)) \
  --benchmarks 20 --seed 2026 --mo 0.005
sed -i '$ s/0\.0050/0.0010/' "$work/deltah"
tail -n 1 "$work/deltah"
/usr/bin/time -v "$build/bin/kvel-cli" --folder "$work" --method lsq --accuracy simplified \
  >/dev/null 2>"$work/time.txt" || { tail -n 20 "$work/time.txt"; exit 1; }
grep -E "Elapsed|User time|Maximum resident" "$work/time.txt"
grep -a "LICZBA REZERWOWANYCH" "$work/wyh.osn" | iconv -f cp1250 -t utf-8
iconv -f cp1250 -t utf-8 "$work/testy.osn" | grep -E "odrzucone testem|usunięto obserwacji|przerwane"
