#!/usr/bin/env bash
# Draws the user guide's pictures with usrhost plot from the current build, so that they always
# show what the code does. Run after scripts/build.sh; PNG copies need Debian's chromium.
#   bash scripts/make-docs.sh [--png]
# With --html DIR it instead renders the guide and the usrhost reference as HTML pages in DIR
# (links between them and to pictures/ kept), with Debian's python3-markdown.
#   bash scripts/make-docs.sh --html DIR
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ "${1:-}" == "--html" ]]; then
  dir=${2:?--html needs a folder}
  mkdir -p "$dir"
  for page in guide usrhost; do
    # Debian's interpreter, which has the package (another python3 may come first on PATH).
    /usr/bin/python3 - "docs/$page.md" "$dir/$page.html" <<'PY'
import html, re, sys
import markdown
source, target = sys.argv[1], sys.argv[2]
text = open(source, encoding="utf-8").read()
title = next((l[2:].strip() for l in text.splitlines() if l.startswith("# ")), source)
body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc"], output_format="html5")
body = re.sub(r'href="([^":#]+)\.md(#[^"]*)?"', lambda m: 'href="%s.html%s"' % (m.group(1), m.group(2) or ""), body)
page = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>%s</title>
<style>
body { font-family: sans-serif; max-width: 60em; margin: 2em auto; padding: 0 1em; line-height: 1.45; }
table { border-collapse: collapse; } th, td { border: 1px solid #bbb; padding: 0.3em 0.6em; vertical-align: top; }
code, pre { background: #f4f4f4; } pre { padding: 0.6em; overflow-x: auto; } img { max-width: 100%%; }
</style>
</head>
<body>
%s
</body>
</html>
""" % (html.escape(title), body)
open(target, "w", encoding="utf-8", newline="\n").write(page)
PY
  done
  echo "HTML written to $dir"
  exit 0
fi
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
