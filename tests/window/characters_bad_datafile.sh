#!/usr/bin/env bash
# A character datafile that loads but cannot be cut (the partner's 16-frame strips in place of
# the player's 28-frame ones, and the other way round): its message appears alone and the game
# stops with a non-zero status before the title, without a crash. A character datafile cut by
# its last byte, which the library's loader would crash on, is refused the same way, with status 1.
# Usage: characters_bad_datafile.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"

check_swapped() {
    local file=$1 other=$2
    osa_copy_dat
    cp "$OSA_BUILD/dat/$other" "$OSA_TMP/run/dat/$file"
    osa_expect_stop "with $other as $file" "error loading dat/$file"
}

check_swapped mora.dat vela.dat
check_swapped vela.dat mora.dat

osa_copy_dat
head -c -1 "$OSA_BUILD/dat/mora.dat" >"$OSA_TMP/run/dat/mora.dat"
osa_expect_stop "with mora.dat cut by its last byte" "error loading dat/mora.dat"
[ "$OSA_STATUS" = 1 ] || osa_fail "with mora.dat cut by its last byte: exit status $OSA_STATUS, not 1"
echo "PASS"
