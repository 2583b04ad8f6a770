#!/usr/bin/env bash
# Draws the user guide's pictures with usrhost plot from the current build, so that they always
# show what the code does. Run after scripts/build.sh; PNG copies need Debian's chromium.
#   bash scripts/make-docs.sh [--png]
set -euo pipefail
cd "$(dirname "$0")/.."
host=build/linux-x86/tools/usrhost/usrhost
array=build/linux-x86/modules/Vek_Random_Array.usr
single=build/linux-x86/modules/Vek_Random.usr
out=docs/pictures
mkdir -p "$out"

plot_single() { "$host" plot "$single" --sweep "Input=0:12:0.01" "$@"; }
plot_array() { "$host" plot "$array" -s "Array Size=160" "$@"; }

plot_single -o "$out/single-defaults.svg" --title "Vek Random with its defaults: one table entry per unit of \"Input\""
plot_array -s "Octaves=3.5" -o "$out/array-outputs.svg" --title "Vek Random Array: \"Float Out\" and \"Integer Out\""
plot_single -s Fade=0.5 --vary "Octaves=1,3,16" -o "$out/octaves.svg" --title "\"Octaves\": finer detail with every octave"
plot_single --vary "Fade=0,0.5,1" -o "$out/fade.svg" --title "\"Fade\": the width of the transitions between cells"
plot_single -s Fade=1 --vary "Noise Bias=0.2,0.5,0.8" --side-by-side -o "$out/bias.svg" --title "\"Noise Bias\": transitions bent towards one side"
plot_single -s Fade=1 --vary "Noise Gain=0.2,0.5,0.8" --side-by-side -o "$out/gain.svg" --title "\"Noise Gain\": transitions made steeper or flatter in the middle"
plot_single -s Octaves=4 -s Fade=0.5 --vary "Noise Max=1,0.5,0.2" -o "$out/noise-range.svg" --title "\"Noise Min\" -1 and \"Noise Max\": the part of the noise spread over the output"
plot_single -s Fade=0.5 -s "Output Min=-10" -s "Output Max=10" -o "$out/output-range.svg" --title "\"Output Min\" -10, \"Output Max\" 10"
plot_array -s Mode=1 -s "Random Seed=7" --no-press --show "Float Out" -o "$out/mode-before-press.svg" \
  --title "\"Update on Click\": a new seed changes nothing until the press..."
plot_array -s Mode=1 -s "Random Seed=7" --show "Float Out" -o "$out/mode-after-press.svg" \
  --title "...and \"Calculate Array\" applies it"

for f in "$out"/*.svg; do xmllint --noout "$f"; done
if [[ "${1:-}" == "--png" ]]; then
  for f in "$out"/*.svg; do
    width=$(sed -n 's/.*<svg [^>]*width="\([0-9.]*\)".*/\1/p' "$f" | head -1)
    height=$(sed -n 's/.*<svg [^>]*height="\([0-9.]*\)".*/\1/p' "$f" | head -1)
    chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
      --disable-component-update --disable-sync --user-data-dir="$(mktemp -d)" --hide-scrollbars \
      --window-size="${width%.*},${height%.*}" --screenshot="${f%.svg}.png" "file://$PWD/$f" >/dev/null 2>&1
  done
fi
echo "pictures written to $out"
