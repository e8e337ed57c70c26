#!/usr/bin/env bash
# Each file the game cannot run without, missing in turn: its message appears in the message
# box, alone, and the game stops with a non-zero status before the title, without a crash.
# Usage: shell_missing_files.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"

check_missing() {
    local file=$1 want=$2
    rm -rf "$OSA_TMP/run"
    mkdir -p "$OSA_TMP/run"
    cp -r "$OSA_BUILD/dat" "$OSA_TMP/run/dat"
    rm "$OSA_TMP/run/dat/$file"
    : >"$OSA_MESSAGES"
    osa_start_game "$OSA_TMP/run"
    osa_wait_exit 10
    local status=$OSA_STATUS
    [ "$status" != timeout ] || osa_fail "without $file the game did not stop"
    [ "$status" -ne 0 ] && [ "$status" -lt 124 ] || osa_fail "without $file: exit status $status"
    [ "$(cat "$OSA_MESSAGES")" = "$want" ] || osa_fail "without $file the messages were: $(cat "$OSA_MESSAGES")"
    osa_say "without $file: \"$want\", status $status"
}

check_missing tiles.pcx "error loading dat/tiles.pcx"
check_missing title.pcx "error loading dat/title.pcx"
check_missing shops.dat "error loading shops.dat"
check_missing back.pcx "can't load dat/back.pcx"
check_missing font.dat "error loading dat/font.dat"
check_missing mora.dat "error loading dat/mora.dat"
check_missing vela.dat "error loading dat/vela.dat"
echo "PASS"
