#!/usr/bin/env bash
# How long "Vorschau" takes to show a picture of 1 MiB (a PNG and a JPEG, each a zlib stream in
# the archive): bench_window --preview opens each one afresh RUNS times, offscreen, and prints
# the median wall time from the command until the picture is painted, the median CPU time
# (user and system, every thread) of those openings, and the first opening apart.
#   bench/preview.sh [RUNS]     default 15
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build >/dev/null
runs="${1:-15}"
mkdir -p bench/data
[[ -f bench/data/preview.pak ]] || build/bench/gen_preview_pak bench/data/preview.pak
export QT_QPA_PLATFORM=offscreen
for picture in bild.png foto.jpg; do
    build/bench/bench_window bench/data/preview.pak --preview "$picture" --runs "$runs" \
        2>/dev/null | grep '^preview_ms='
done
