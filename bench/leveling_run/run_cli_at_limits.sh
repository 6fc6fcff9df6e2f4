#!/bin/sh
# Whole kvel-cli run at the documented limits (20 000 points, 40 000 observations, 20 benchmarks,
# least squares, full accuracy analysis), wall time and peak memory by /usr/bin/time -v, with the
# statistical tests and data snooping (the default), then with snooping off.
# Usage: run_cli_at_limits.sh BUILD_DIR [WORK_DIR]
set -e
build=${1:?build directory}
work=${2:-$(mktemp -d)}
"$build/bin/generate_network" --folder "$work" --points 20000 --observations 40000 --benchmarks 20 --seed 2026
for snooping in on off; do
  echo "--snooping $snooping:"
  /usr/bin/time -v "$build/bin/kvel-cli" --folder "$work" --method lsq --accuracy full --mo empirical \
    --snooping "$snooping" >/dev/null 2>"$work/time.txt" || { cat "$work/time.txt"; exit 1; }
  grep -E "Elapsed|User time|Maximum resident" "$work/time.txt"
done
grep -a "LICZBA REZERWOWANYCH" "$work/wyh.osn" | iconv -f cp1250 -t utf-8
"$build/bin/kvel-cli" --folder "$work" --method lsq --accuracy full --mo empirical >/dev/null 2>&1
iconv -f cp1250 -t utf-8 "$work/testy.osn" | grep -E "odrzucone testem|usunięto obserwacji|Wynik:"
