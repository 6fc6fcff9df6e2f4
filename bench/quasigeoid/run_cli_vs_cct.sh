#!/bin/sh
# End-to-end figure of the calculator: the whole solvanta-cli run (BL -> BLN, PL-ETRF2000) on a list
# of random points, side by side with PROJ's cct (vgridshift) on the same points and the same grid.
#
# The grid is PL-geoid2021 (data/quasigeoid/pl_gugik_geoid2021-PL-EVRF2007-NH.tif,
# "(c) Główny Urząd Geodezji i Kartografii", CC BY 4.0): cct reads the GeoTIFF itself, and a model
# file for solvanta-cli is made from it here (the same nodes, in 0.00001 m, rows south to north).
# Both programs read their input from a file and write their result into a file.
#
# Usage: run_cli_vs_cct.sh BUILD_DIR [POINTS [RUNS [WORK_DIR]]]
#   defaults: 1000000 points, 5 runs of each program (alternating); prints the median wall times,
#   their ratio and the number of cores. Needs cct (proj-bin), gdal_translate (gdal-bin), python3.
set -eu
build=${1:?build directory}
points=${2:-1000000}
runs=${3:-5}
work=${4:-$(mktemp -d)}
here=$(cd "$(dirname "$0")" && pwd)
grid="$here/../../data/quasigeoid/pl_gugik_geoid2021-PL-EVRF2007-NH.tif"
cli="$build/bin/solvanta-cli"
for tool in cct gdal_translate python3; do
  command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "no $cli" >&2; exit 1; }
mkdir -p "$work/list"

# Model file: the GeoTIFF's Float32 nodes, rounded to 0.00001 m, rows turned to run south to north.
if [ ! -f "$work/model.bin" ]; then
  gdal_translate -q -of ENVI -ot Float32 "$grid" "$work/grid.raw"
  python3 - "$work/grid.raw" "$work/model.bin" <<'EOF'
import array, sys
values = array.array('f')
with open(sys.argv[1], 'rb') as f:
    values.frombytes(f.read())
rows, cols = 801, 1201
assert len(values) == rows * cols, len(values)
out = array.array('i')
for r in range(rows - 1, -1, -1):
    out.extend(round(v * 100000) for v in values[r * cols:(r + 1) * cols])
if sys.byteorder != 'little':
    out.byteswap()
with open(sys.argv[2], 'wb') as f:
    out.tofile(f)
EOF
fi

# The same random points twice: "Nr d m s d m s" for BL, "lon lat 0" (degrees) for cct.
if [ ! -f "$work/points.$points" ]; then
  python3 - "$points" "$work/list/BL" "$work/cct.in" <<'EOF'
import random, sys
count = int(sys.argv[1])
rnd = random.Random(2026)
def dms(degrees):
    d = int(degrees)
    m = int((degrees - d) * 60)
    s = round(((degrees - d) * 60 - m) * 60, 5)
    if s >= 60: s = 59.99999
    return d, m, s
with open(sys.argv[2], 'w', newline='') as bl, open(sys.argv[3], 'w') as cc:
    for k in range(1, count + 1):
        bd, bm, bs = dms(rnd.uniform(49.0, 54.8))
        ld, lm, ls = dms(rnd.uniform(14.2, 24.1))
        bl.write('P%d %d %d %.5f %d %d %.5f\r\n' % (k, bd, bm, bs, ld, lm, ls))
        cc.write('%.10f %.10f 0\n' % (ld + lm / 60 + ls / 3600, bd + bm / 60 + bs / 3600))
EOF
  touch "$work/points.$points"
fi

# One timed run of a command, its wall time in seconds appended to a file.
timed() { out=$1; shift; /usr/bin/time -f %e -o "$work/t" "$@" && cat "$work/t" >>"$out"; }
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$work/cli.times"
: >"$work/cct.times"
i=0
while [ "$i" -lt "$runs" ]; do
  timed "$work/cli.times" "$cli" --frame etrf2000 --tasks bl --folder "$work/list" --model "$work/model.bin" --height-system PL-EVRF2007-NH 2>/dev/null
  timed "$work/cct.times" sh -c 'cct -d 6 +proj=vgridshift +grids="$1" +multiplier=-1 "$2" >"$3"' \
    cct "$grid" "$work/cct.in" "$work/cct.out"
  i=$((i + 1))
done

# The two programs must agree: N of BLN against -H of cct (h = 0) within half a millimetre plus the
# last decimal of each, on the first 10000 points.
python3 - "$work/list/bln" "$work/cct.out" <<'EOF'
import sys
worst = 0.0
with open(sys.argv[1], 'rb') as bln, open(sys.argv[2]) as cc:
    for k, (a, b) in enumerate(zip(bln, cc)):
        if k == 10000: break
        n = float(a.split()[7])
        worst = max(worst, abs(n + float(b.split()[2])))
print('largest |N(solvanta-cli) - N(cct)| on 10000 points: %.4f m' % worst)
if worst > 0.0007: sys.exit('the two programs disagree')
EOF

cli=$(median <"$work/cli.times")
cct=$(median <"$work/cct.times")
echo "points: $points   runs: $runs   nproc: $(nproc)"
echo "solvanta-cli (BL, PL-ETRF2000), median wall time: $cli s   [$(tr '\n' ' ' <"$work/cli.times")]"
echo "cct vgridshift,                 median wall time: $cct s   [$(tr '\n' ' ' <"$work/cct.times")]"
awk -v a="$cli" -v b="$cct" 'BEGIN { printf "ratio solvanta-cli / cct: %.3f\n", a / b }'
