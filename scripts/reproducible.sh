#!/usr/bin/env bash
# Shows that the Debian package is reproducible: builds it twice from two copies of one commit
# (the last, or COMMIT), in folders of different names, one after the other and in different
# time zones and with different umasks (the packing itself under 022, see below), with
# SOURCE_DATE_EPOCH taken from that commit, and
# compares the two packages byte for byte. When they differ it names the first file that
# differs, and runs diffoscope on the two packages where it is installed. Two full builds of
# the game and its assets: run it before a release, not in every CI run.
# Usage: bash scripts/reproducible.sh [COMMIT]
set -euo pipefail
cd "$(dirname "$0")/.."
commit=$(git rev-parse --verify "${1:-HEAD}^{commit}")
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct "$commit")
export SOURCE_DATE_EPOCH
work=$(mktemp -d "${TMPDIR:-/tmp}/osa-reproducible.XXXXXX")
trap 'rm -rf "$work"' EXIT
echo "commit $commit, SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH ($(date -u -d "@$SOURCE_DATE_EPOCH" '+%F %T') UTC)"

# build_package NAME DIR TZ UMASK: the commit's files in DIR, built there and packaged as
# WORK/NAME.deb.
build_package() {
    local name=$1 src=$2
    echo "== build $name in $src (TZ=$3, umask $4), started $(date -u '+%T')"
    (
        umask "$4"
        export TZ=$3
        mkdir -p "$src"
        git archive "$commit" | tar -x -C "$src"
        cmake -S "$src" -B "$src/build" -DCMAKE_BUILD_TYPE=Release -DOSA_TESTS=OFF -DOSA_BENCH=OFF >"$work/$name.log"
        cmake --build "$src/build" -j"$(nproc)" >>"$work/$name.log" 2>&1
        # CPack gives the package's own members the modes the umask leaves: it packs under 022.
        cd "$src/build" && umask 022 && cpack -G DEB >>"$work/$name.log" 2>&1
    ) || { tail -n 30 "$work/$name.log"; exit 1; }
    cp "$src"/build/one-step-ahead_*.deb "$work/$name.deb"
}

build_package first "$work/a/one-step-ahead" UTC 022
build_package second "$work/second-copy/of/the/source" Pacific/Kiritimati 002

first="$work/first.deb"
second="$work/second.deb"
sha256sum "$first" "$second" | sed "s|$work/||"
if cmp -s "$first" "$second"; then
    echo "the two packages are the same, byte for byte ($(stat -c %s "$first") bytes)"
    exit 0
fi

# The first file that differs: the package's members, then the files' list (names, modes,
# owners, times), then their contents, in the package's order.
echo "the two packages differ"
differs() { echo "first difference: $*"; }
first_difference() {
    local a b
    a=$(ar t "$first" | tr '\n' ' ')
    b=$(ar t "$second" | tr '\n' ' ')
    [ "$a" = "$b" ] || { differs "the package's members ($a / $b)"; return; }
    for part in control data; do
        mkdir -p "$work/x1/$part" "$work/x2/$part"
        if [ $part = control ]; then
            dpkg-deb --ctrl-tarfile "$first" >"$work/x1/$part.tar"
            dpkg-deb --ctrl-tarfile "$second" >"$work/x2/$part.tar"
        else
            dpkg-deb --fsys-tarfile "$first" >"$work/x1/$part.tar"
            dpkg-deb --fsys-tarfile "$second" >"$work/x2/$part.tar"
        fi
        local line
        line=$(diff <(tar -tv --full-time -f "$work/x1/$part.tar") <(tar -tv --full-time -f "$work/x2/$part.tar") |
            grep '^[<>]' | head -n 2 || true)
        [ -z "$line" ] || { differs "$part's list:"$'\n'"$line"; return; }
        tar -x -C "$work/x1/$part" -f "$work/x1/$part.tar"
        tar -x -C "$work/x2/$part" -f "$work/x2/$part.tar"
        local f
        while read -r f; do
            [ -f "$work/x1/$part/$f" ] || continue
            cmp -s "$work/x1/$part/$f" "$work/x2/$part/$f" || { differs "$part: the contents of $f"; return; }
        done < <(tar -t -f "$work/x1/$part.tar")
    done
    differs "the packages' own bytes (compression or the archive's headers)"
}
first_difference
if command -v diffoscope >/dev/null; then
    diffoscope "$first" "$second" || true
else
    echo "(diffoscope is not installed: apt-get install diffoscope-minimal shows the differences)"
fi
exit 1
