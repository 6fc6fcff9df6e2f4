#!/usr/bin/env bash
# Installs what is missing, builds, and runs both programs on the shipped example folders.
# The examples are copied to build/examples first, so the shipped files stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
out=build/examples
rm -rf "$out"
mkdir -p "$out"
cp -r examples/. "$out"/
bin=build/bin

echo "== the quasi-geoid models beside the programs"
"$bin/solvanta-cli" --list-models
echo
echo "== solvanta-cli on $out/solvanta (model PL-geoid2021, normal heights in PL-EVRF2007-NH, PL-ETRF2000)"
"$bin/solvanta-cli" --frame etrf2000 --model PL-geoid2021 --folder "$out/solvanta"
echo
echo "== solvanta-cli on $out/solvanta-pl2000 (points in PL-2000; Kronstadt '86 heights and xyh.sta to PL-EVRF2007-NH)"
"$bin/solvanta-cli" --frame etrf2000 --coordinates pl2000 --tasks bl,kron86 --folder "$out/solvanta-pl2000"
echo
echo "== kvel-cli on $out/kvel (least squares, full analysis)"
"$bin/kvel-cli" --folder "$out/kvel"
echo
echo "== kvel-cli on $out/solvanta (the satellite-levelling network of DELTAH1, tied to its h.sta)"
"$bin/kvel-cli" --folder "$out/solvanta"
echo
echo "== kvel-cli --epochs: two epochs of a control network of vertical displacements ($out/kvel_epochs)"
"$bin/kvel-cli" --epochs "$out/kvel_epochs/epoka_1" "$out/kvel_epochs/epoka_2" --folder "$out/kvel_epochs"
echo
echo "== kvel-cli --import-level on $out/kvel-niwelator (a DiNi M5 and a GSI-8 file to deltah, then the adjustment)"
"$bin/kvel-cli" --folder "$out/kvel-niwelator" --turning-points '[0-9]+' --class 2 \
  --import-level "$out/kvel-niwelator/dzien1.dat" "$out/kvel-niwelator/dzien2.gsi"
"$bin/kvel-cli" --folder "$out/kvel-niwelator" --class 2
echo
echo "Results: $out/solvanta (BLN, BLH_n.1, BLH_e.1, DELTAH1, then wyh.osn and h.osn of its network),"
echo "$out/solvanta-pl2000 (BLN, h_evrf2007.1, xyh_evrf2007.sta)"
echo "and $out/kvel (wyh.osn, h.osn, with the statistical tests in testy.osn, wyh.csv and h.csv),"
echo "and $out/kvel_epochs (przemieszczenia.osn and przemieszczenia.csv: Rp.2104 and 1013 sank);"
echo "$out/kvel-niwelator: deltah, dziennik.osn and posrednie from the raw files, then the"
echo "misclosures zamkniecia.osn and the adjustment."
