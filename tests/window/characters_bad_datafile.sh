#!/usr/bin/env bash
# A character datafile that loads but cannot be cut (the partner's 16-frame strips in place of
# the player's 28-frame ones, and the other way round): its message appears alone and the game
# stops with a non-zero status before the title, without a crash.
# Usage: characters_bad_datafile.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"

check_swapped() {
    local file=$1 other=$2
    rm -rf "$OSA_TMP/run"
    mkdir -p "$OSA_TMP/run"
    cp -r "$OSA_BUILD/dat" "$OSA_TMP/run/dat"
    cp "$OSA_BUILD/dat/$other" "$OSA_TMP/run/dat/$file"
    : >"$OSA_MESSAGES"
    osa_start_game "$OSA_TMP/run"
    osa_wait_exit 10
    local status=$OSA_STATUS
    [ "$status" != timeout ] || osa_fail "with $other as $file the game did not stop"
    [ "$status" -ne 0 ] && [ "$status" -lt 124 ] || osa_fail "with $other as $file: exit status $status"
    [ "$(cat "$OSA_MESSAGES")" = "error loading dat/$file" ] ||
        osa_fail "with $other as $file the messages were: $(cat "$OSA_MESSAGES")"
    osa_say "$other as $file: \"error loading dat/$file\", status $status"
}

check_swapped mora.dat vela.dat
check_swapped vela.dat mora.dat
echo "PASS"
