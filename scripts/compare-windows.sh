#!/usr/bin/env bash
# The Windows programs (build-windows/bin, run by Wine) against the Linux ones (build/bin) on
# working folders made here and used nowhere else: every result file must be the same byte for
# byte, in a folder with a plain name and in one whose path has Polish letters and a blank. Only
# the report's date line ("DATA") and the line naming the system may differ.
#
#   bash scripts/build-windows.sh && bash scripts/compare-windows.sh
#
# kvel: three networks (a generated one of 400 points, the example, the tests' small network),
# least squares and robust estimation. solvanta: 300 seeded random points over the model's area
# in BL, BLH_e and BLH_n, and the satellite levelling of the tests' network, in both frames with
# PL-geoid2021. Exit status 0 when everything agrees.
set -euo pipefail
cd "$(dirname "$0")/.."
linux="$PWD/build/bin"
windows="$PWD/build-windows/bin"
for program in "$linux/kvel-cli" "$linux/solvanta-cli" "$windows/kvel-cli.exe" "$windows/solvanta-cli.exe"; do
  [[ -f "$program" ]] || { echo "missing $program (build both first)" >&2; exit 2; }
done
wine="$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)"
export WINEPREFIX="${WINEPREFIX:-$HOME/.cache/orvane/wine}" WINEDEBUG=-all LANG=C.UTF-8
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Seeded points over 49-55 N, 14-24 E: BL, BLH_e and BLH_n, Windows-1250 with CR LF.
points() {
  awk -v seed="$1" -v heights="$2" 'BEGIN {
    srand(seed)
    for (i = 1; i <= 300; i++) {
      b = 49 + 6 * rand(); l = 14 + 10 * rand(); h = -5 + 600 * rand()
      bd = int(b); bm = int((b - bd) * 60); bs = ((b - bd) * 60 - bm) * 60
      ld = int(l); lm = int((l - ld) * 60); ls = ((l - ld) * 60 - lm) * 60
      line = sprintf("P%04d %d %d %.5f %d %d %.5f", i, bd, bm, bs, ld, lm, ls)
      if (heights) line = line sprintf(" %.3f", h)
      printf "%s\r\n", line
    }
  }'
}

failures=0
compare() {  # compare LINUX_FOLDER WINDOWS_FOLDER FILE...
  local left="$1" right="$2" before="$failures"
  shift 2
  for file in "$@"; do
    if [[ ! -f "$left/$file" || ! -f "$right/$file" ]]; then
      echo "FAIL $right/$file: missing on one side" >&2
      failures=$((failures + 1))
      continue
    fi
    if ! diff -q <(grep -av -e '^  DATA ' -e 'wersja dla systemu' "$left/$file") \
                 <(grep -av -e '^  DATA ' -e 'wersja dla systemu' "$right/$file") >/dev/null; then
      echo "FAIL $right/$file differs from the Linux result:" >&2
      diff <(iconv -f cp1250 -t utf-8 "$left/$file") <(iconv -f cp1250 -t utf-8 "$right/$file") | head -10 >&2 || true
      failures=$((failures + 1))
    fi
  done
  [[ "$failures" == "$before" ]] && echo "same: ${right#"$work"/} ${*}"
}

# Runs the same command line on a Linux copy and a Windows copy of one folder. The Windows
# program gets the folder as a Windows user types it (drive Z: is Wine's view of /).
both() {  # both FOLDER PROGRAM ARGUMENTS...
  local folder="$1" program="$2"
  shift 2
  "$linux/$program" --folder "$folder/linux" "$@" >/dev/null 2>&1 || true
  "$wine" "$windows/$program.exe" --folder "Z:${folder//\//\\}\\windows" "$@" >/dev/null 2>&1 || true
}

for parent in "$work/plain" "$work/Pomiary Łódź – żółć"; do
  # kvel
  kvel_folders=()
  if [[ -x "$linux/generate_network" ]]; then
    mkdir -p "$parent/generated"
    "$linux/generate_network" --folder "$parent/generated" --points 400 --observations 900 --benchmarks 8 \
      --seed 22 >/dev/null
    kvel_folders+=("$parent/generated")
  fi
  mkdir -p "$parent/example" "$parent/small"
  cp examples/kvel/* "$parent/example/"
  cp tests/leveling/fixtures/small_network/* "$parent/small/"
  kvel_folders+=("$parent/example" "$parent/small")
  for source in "${kvel_folders[@]}"; do
    for method in lsq robust; do
      folder="$parent/kvel-$(basename "$source")-$method"
      mkdir -p "$folder/linux" "$folder/windows"
      cp "$source"/* "$folder/linux/"
      cp "$source"/* "$folder/windows/"
      both "$folder" kvel-cli --method "$method"
      compare "$folder/linux" "$folder/windows" wyh.osn h.osn testy.osn wyh.csv h.csv
    done
  done
  # solvanta
  for frame in etrf89 etrf2000; do
    folder="$parent/solvanta-$frame"
    mkdir -p "$folder/linux" "$folder/windows"
    for side in linux windows; do
      points 17 0 >"$folder/$side/BL"
      points 18 1 >"$folder/$side/BLH_e"
      points 19 1 >"$folder/$side/BLH_n"
      cp tests/quasigeoid/fixtures/network/{BLH.grs,DELTAH.gps} "$folder/$side/"
    done
    both "$folder" solvanta-cli --frame "$frame" --model PL-geoid2021
    compare "$folder/linux" "$folder/windows" bln blh_n.1 blh_e.1 deltah1
  done
done

if [ "$failures" -ne 0 ]; then
  echo "$failures result files differ" >&2
  exit 1
fi
echo "Every result of the Windows programs is the Linux one, byte for byte (date and system lines aside)."
