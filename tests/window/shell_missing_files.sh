#!/usr/bin/env bash
# Each file the game cannot run without, missing in turn: its message appears in the message
# box, alone, and the game stops with a non-zero status before the title, without a crash.
# Without a display, no video mode: its message, and the same stop.
# Usage: shell_missing_files.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"

# check_missing FILE MESSAGE [CONTENT]: runs the game with FILE taken out of dat/ (or, with
# CONTENT, holding that instead) and expects MESSAGE alone and a failing status.
check_missing() {
    local file=$1 want=$2 label="without $1"
    [ $# -ge 3 ] && label="with a bad $1"
    osa_copy_dat
    rm "$OSA_TMP/run/dat/$file"
    if [ $# -ge 3 ]; then printf '%s' "$3" >"$OSA_TMP/run/dat/$file"; fi
    osa_expect_stop "$label" "$want"
}

check_missing tiles.pcx "error loading dat/tiles.pcx"
check_missing title.pcx "error loading dat/title.pcx"
check_missing shops.dat "error loading shops.dat"
check_missing back.pcx "can't load dat/back.pcx"
check_missing font.dat "error loading dat/font.dat"
check_missing mora.dat "error loading dat/mora.dat"
check_missing vela.dat "error loading dat/vela.dat"
check_missing level.dat "error in dat/level.dat: width 5000 is outside 29 to 1000 at row 1, column 1" "5000 2"
check_missing level.dat "error in dat/level.dat: the file ends early, before the tile number of cell (1, 0) at row 2, column 3" $'29 17\n1w'
# Too small for the screen or for the two characters' start frames.
check_missing level.dat "error in dat/level.dat: width 8 is outside 29 to 1000 at row 1, column 1" "8 8"
check_missing level.dat "error in dat/level.dat: height 16 is outside 17 to 500 at row 1, column 4" "29 16"
# The largest level needs over 2.5 GB for its world buffer and background: with less to use,
# the game says that memory ran out for a level of that size.
largest=$(awk 'BEGIN { print "1000 500"; for (y = 0; y < 500; y++) { s = ""; for (x = 0; x < 1000; x++) s = s "0x "; print s }
                       print "0 0 0 0 0 0 0 0 0 0" }')
OSA_VMEM_KB=1500000 check_missing level.dat "out of memory for a level of 1000 x 500 cells" "$largest"
# No display at all: no video mode can be set. Without a display the message goes to stdout.
set +e
(cd "$OSA_BUILD" && env -u DISPLAY timeout 10 "$OSA_GAME") >"$OSA_TMP/nodisplay.out" 2>&1
status=$?
set -e
[ "$status" -ne 0 ] && [ "$status" -lt 124 ] || osa_fail "without a display: exit status $status"
grep -qx "Could not set video mode 320x240x32" "$OSA_TMP/nodisplay.out" ||
    osa_fail "without a display the output was: $(cat "$OSA_TMP/nodisplay.out")"
osa_say "without a display: \"Could not set video mode 320x240x32\", status $status"
echo "PASS"
