#!/usr/bin/env bash
# Writing archives, side by side with the general archive tools, on the 20,000-file set of
# bench/compare (4 KiB to 1 MiB, text and binary, in 200 folders), extracted once to a folder:
#   create: varnholm-pak create, zip -r -6, 7zz a -tzip -mx=5, bsdtar -a -cf x.zip
#   update: varnholm-pak update of the set's archive from the whole folder with 10 files changed
#           (every other file is compared and its stored bytes kept)
#   big:    varnholm-pak update replacing 10 files of the 1,000,000-entry archive
# Runs take turns, so that a slow phase of the machine hits all tools alike; prints medians of
# wall, user and system time and the output size. Everything is written to a tmpfs folder
# (VARNHOLM_WRITE_DIR, default /dev/shm/varnholm-write) so that the disk does not decide.
#   bench/write.sh [RUNS] [VORGANG...]    (default 3; create update big; PEER_RUNS=1 runs
#                                          the other tools only once)
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-3}"
shift || true
operations=("$@")
(($# > 0)) || operations=(create update big)
wanted() { [[ " ${operations[*]} " == *" $1 "* ]]; }
peer_runs="${PEER_RUNS:-$runs}"
data=bench/data
work="${VARNHOLM_WRITE_DIR:-/dev/shm/varnholm-write}"
pak="$PWD/build/src/cli/varnholm-pak"
[[ -f "$data/mixed.pak" ]] || build/bench/gen_compare mixed "$data/mixed"
[[ -f "$data/big.pak" ]] || ! wanted big || build/bench/gen_big_pak "$data/big.pak"
mkdir -p "$work"
folder="$work/mixed"
[[ -d "$folder" ]] || "$pak" extract -q "$data/mixed.pak" "$folder"
out="$work/out"

# Runs a command in folder $2 writing $3; appends "wall user sys bytes" to list $1.
measure() {
    local list="$1" dir="$2" target="$3"
    shift 3
    rm -f "$target"
    sync
    (cd "$dir" && /usr/bin/time -o "$work/time" -f '%e %U %S' "$@" >/dev/null 2>&1) || true
    local size=0
    [[ -f "$target" ]] && size=$(stat -c %s "$target")
    eval "$list+=(\"\$(tail -n 1 "$work/time") $size\")"
    rm -f "$target"
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

report() { # operation, then "tool|list-name" pairs
    local operation="$1"
    shift
    for pair in "$@"; do
        local tool="${pair%%|*}" list="${pair#*|}"
        eval "local results=(\"\${${list}[@]}\")"
        local walls=() users=() systems=() sizes=()
        for r in "${results[@]}"; do
            local rw ru rs rb
            read -r rw ru rs rb <<<"$r"
            walls+=("$rw") users+=("$ru") systems+=("$rs") sizes+=("$rb")
        done
        printf '| %-7s | %-22s | %3d | %8.2f s | %8.2f s | %6.2f s | %9.1f MB |\n' "$operation" \
            "$tool" "${#results[@]}" "$(median "${walls[@]}")" "$(median "${users[@]}")" \
            "$(median "${systems[@]}")" "$(echo "$(median "${sizes[@]}") / 1000000" | bc -l)"
    done
}

echo "| Vorgang | Werkzeug               | Läufe | Wand | Benutzer | System | Größe |"
echo "|---------|------------------------|-------|------|----------|--------|-------|"

if wanted create; then
    a=() b=() c=() d=()
    for ((run = 1; run <= runs; run++)); do
        measure a "$folder" "$out.pak" "$pak" create -q "$out.pak" .
        ((run > peer_runs)) && continue
        measure b "$folder" "$out.zip" zip -q -r -6 "$out.zip" .
        measure c "$folder" "$out.zip" 7zz a -tzip -mx=5 "$out.zip" .
        measure d "$folder" "$out.zip" bsdtar -a -cf "$out.zip" .
    done
    report create "varnholm-pak create|a" "zip -r -6|b" "7zz a -tzip -mx=5|c" "bsdtar -a -cf x.zip|d"
fi

# Ten files spread over the set, changed at their end.
change_ten() {
    local root="$1" list="$2"
    local n
    n=$(wc -l <"$list")
    for ((i = 0; i < 10; i++)); do
        local path
        path=$(sed -n "$((i * n / 10 + 1))p" "$list")
        mkdir -p "$root/$(dirname "$path")"
        printf 'geändert %d\n' "$i" >>"$root/$path"
    done
}

if wanted update; then
    edited="$work/mixed-edited"
    if [[ ! -d "$edited" ]]; then
        cp -a "$folder" "$edited"
        "$pak" list "$data/mixed.pak" | cut -f3 >"$work/mixed.list"
        change_ten "$edited" "$work/mixed.list"
    fi
    a=()
    for ((run = 1; run <= runs; run++)); do
        measure a "$edited" "$out.pak" "$pak" update -q "$PWD/$data/mixed.pak" "$out.pak" .
    done
    report update "varnholm-pak update|a"
fi

if wanted big; then
    # The archive is copied to the tmpfs so that old and new lie on one file system, as a
    # modder's would.
    [[ -f "$work/big.pak" ]] || cp "$data/big.pak" "$work/big.pak"
    ten="$work/big-ten"
    if [[ ! -d "$ten" ]]; then
        "$pak" list "$work/big.pak" | cut -f3 >"$work/big.list"
        mkdir -p "$ten"
        change_ten "$ten" "$work/big.list"
    fi
    a=()
    for ((run = 1; run <= runs; run++)); do
        measure a "$ten" "$out.pak" "$pak" update -q "$work/big.pak" "$out.pak" .
    done
    report big "update 10 of 1,000,000|a"
fi
rm -f "$work/time"
