#!/usr/bin/env bash
# A character datafile that loads but cannot be cut (the partner's 16-frame strips in place of
# the player's 28-frame ones, and the other way round): its message appears alone and the game
# stops with a non-zero status before the title, without a crash.
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
echo "PASS"
