#!/usr/bin/env bash
# The game finds its files from anywhere: the build tree's game started from /, and an install
# moved to another prefix (with a space in its path), which carries the shipped districts, started
# from /, show the title. The level
# tool makes a level of a map in a directory of the player's, --level plays it (named relative to
# the starting directory), and a missing level file stops the game with a message that names it,
# status 1.
# Usage: shell_install_and_level.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
unset ONE_STEP_AHEAD_DATA

# title_from DIR GAME LABEL [ARG...]: GAME started in DIR shows the title; then it is stopped.
title_from() {
    local dir=$1 game=$2 label=$3
    shift 3
    osa_launch "$dir" "$game" --scale 1 "$@"
    osa_wait_picture title "$OSA_BUILD/dat/title.pcx" 15 0 ||
        osa_fail "$label: no title ($OSA_DIFFERING pixels differ; stderr: $(tail -n 3 "$OSA_TMP/game.err"))"
    osa_say "$label: the title shows"
    kill "$OSA_GAME_PID"
    osa_wait_exit 5
}

title_from / "$OSA_GAME" "the build tree's game started from /"

osa_say "installing to a prefix, then moving it"
cmake --install "$OSA_BUILD" --prefix "$OSA_TMP/prefix" >"$OSA_TMP/install.log" 2>&1 ||
    { cat "$OSA_TMP/install.log" >&2; osa_fail "the install failed"; }
mv "$OSA_TMP/prefix" "$OSA_TMP/moved prefix"
for district in "$OSA_BUILD"/dat/districts/*/; do  # the shipped districts, every file of each
    for f in "$district"*; do
        installed="$OSA_TMP/moved prefix/share/one-step-ahead/dat/districts/$(basename "$district")/$(basename "$f")"
        cmp -s "$f" "$installed" || osa_fail "the install does not carry $installed"
    done
done
osa_say "the install carries the districts: $(ls "$OSA_BUILD/dat/districts" | tr '\n' ' ')"
title_from / "$OSA_TMP/moved prefix/bin/one-step-ahead" "the moved install started from /"

osa_say "a map outside the repository made into a level by the level tool, played with --level"
mkdir -p "$OSA_TMP/my levels"
cp "$(dirname "$0")/../../levels/town.map" "$OSA_TMP/my levels/town copy.map"
(cd "$OSA_TMP/my levels" && timeout 60 "$OSA_BUILD/one-step-ahead-level" "town copy.map" -o "town copy.dat") \
    >"$OSA_TMP/level-tool.log" 2>&1 || { cat "$OSA_TMP/level-tool.log" >&2; osa_fail "the level tool failed"; }
osa_start_reference "$OSA_TMP/start.pcx"
osa_launch "$OSA_TMP/my levels" "$OSA_GAME" --scale 1 --level "town copy.dat"
osa_wait_picture title "$OSA_BUILD/dat/title.pcx" 15 0 || osa_fail "no title with --level"
for attempt in 1 2 3; do  # the title takes its key once its fade-in has ended
    sleep 0.3
    osa_key Return
    osa_wait_picture level "$OSA_TMP/start.pcx" 4 500 && break
    [ "$attempt" -lt 3 ] || osa_fail "the level did not show ($OSA_DIFFERING differ)"
done
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS"

for missing in "$OSA_TMP/my levels/no such level.dat" "no such level.dat"; do
    : >"$OSA_MESSAGES"
    osa_launch "$OSA_TMP" "$OSA_GAME" --level "$missing"
    osa_wait_exit 10
    [ "$OSA_STATUS" = 1 ] || osa_fail "a missing level: exit status $OSA_STATUS"
    [ "$(cat "$OSA_MESSAGES")" = "error opening $missing" ] ||
        osa_fail "a missing level: the messages were: $(cat "$OSA_MESSAGES")"
    osa_say "a missing level: \"error opening $missing\", status 1"
done
echo "PASS"
