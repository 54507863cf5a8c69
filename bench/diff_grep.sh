#!/usr/bin/env bash
# varnholm-pak diff and grep side by side with the tools people use for it, on the same files
# (the zip twins of gen_compare hold the very same deflate data). Runs take turns, so that a slow
# phase of the machine hits all tools alike; prints the median wall, user and system time.
#   bench/diff_grep.sh [RUNS]     (default 3)
# diff: two archives of 1,000,000 small files, 1 % of them changed (tiny and tiny-patch), against
# zipcmp on the zip twins. grep: a word over 20,000 files of 4 KiB to 1 MiB (mixed), counted per
# file, against ugrep -z -c on the zip twin and against unzip -p piped into grep -c.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-3}"
scripts/setup --bench
scripts/build >/dev/null
data=bench/data
pak=build/src/cli/varnholm-pak
mkdir -p "$data"
for set in tiny tiny-patch mixed; do
    [[ -f "$data/$set.pak" && -f "$data/$set.zip" ]] || build/bench/gen_compare "$set" "$data/$set"
done
times=$(mktemp)
trap 'rm -f "$times"' EXIT

# Runs one command (output discarded); appends "wall user system" to the named result list.
measure() {
    local list="$1"
    shift
    /usr/bin/time -o "$times" -f '%e %U %S' bash -c "$*" >/dev/null 2>&1 || true
    local line
    line=$(tail -n 1 "$times")
    eval "$list+=(\"\$line\")"
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# Prints one row per tool: median wall, user, system; then our ratio to each other tool.
report() { # what, then "tool=list-name" pairs, ours first
    local what="$1" ours=""
    shift
    for pair in "$@"; do
        local tool="${pair%=*}" list="${pair##*=}"
        eval "local results=(\"\${${list}[@]}\")"
        local walls=() users=() systems=()
        for r in "${results[@]}"; do
            read -r w u s <<<"$r"
            walls+=("$w")
            users+=("$u")
            systems+=("$s")
        done
        local wall
        wall=$(median "${walls[@]}")
        local ratio=""
        if [[ -z "$ours" ]]; then
            ours="$wall"
        else
            ratio=$(printf '%.1f×' "$(echo "$wall / $ours" | bc -l)")
        fi
        printf '| %-6s | %-34s | %6.2f s | %6.2f s | %6.2f s | %6s |\n' "$what" "$tool" "$wall" \
            "$(median "${users[@]}")" "$(median "${systems[@]}")" "$ratio"
    done
}

echo "| Vorgang | Werkzeug                          |   Wand   | Benutzer |  System  | Faktor |"
echo "|--------|------------------------------------|----------|----------|----------|--------|"

a=() b=() c=()
for ((run = 1; run <= runs; run++)); do
    measure a "$pak" diff "$data/tiny.pak" "$data/tiny-patch.pak"
    measure b "$pak" diff -q "$data/tiny.pak" "$data/tiny-patch.pak"
    measure c zipcmp "$data/tiny.zip" "$data/tiny-patch.zip"
done
report diff "varnholm-pak diff=a" "zipcmp=c"
report diff "varnholm-pak diff -q=b"

word=Heiltrank
a=() b=() c=() d=()
for ((run = 1; run <= runs; run++)); do
    measure a "$pak" grep -c "$word" "$data/mixed.pak"
    measure b "$pak" grep -l "$word" "$data/mixed.pak"
    measure c ugrep -z -c "$word" "$data/mixed.zip"
    measure d "unzip -p $data/mixed.zip | grep -c $word"
done
report grep "varnholm-pak grep -c=a" "ugrep -z -c=c" "unzip -p | grep -c=d"
report grep "varnholm-pak grep -l=b"
