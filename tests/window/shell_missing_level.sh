#!/usr/bin/env bash
# Without dat/level.dat the game shows "error opening dat/level.dat" in its message box and
# stops with a non-zero status, without a crash and without waiting for anything.
# Usage: shell_missing_level.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"

mkdir -p "$OSA_TMP/run"
cp -r "$OSA_BUILD/dat" "$OSA_TMP/run/dat"
rm "$OSA_TMP/run/dat/level.dat"
osa_start_game "$OSA_TMP/run"
osa_wait_exit 10
status=$OSA_STATUS
[ "$status" != timeout ] || osa_fail "the game did not stop"
[ "$status" -ne 0 ] || osa_fail "exit status 0 without a level"
[ "$status" -lt 124 ] || osa_fail "exit status $status: killed or crashed (stderr: $(tail -n 3 "$OSA_TMP/game.err"))"
[ "$(cat "$OSA_MESSAGES")" = "error opening dat/level.dat" ] ||
    osa_fail "messages were: $(cat "$OSA_MESSAGES")"
echo "PASS"
