#!/usr/bin/env bash
# The mission that opens the next district says so: the recorded playthrough of the town,
# watched by a player who has opened nothing yet, reaches level 3 and the HUD's message line
# reads "Harbour is open!" in the message's place for a few seconds, then the message again.
# Watching opens nothing (the watcher's progress stays as it was), and the run still verifies:
# the line is no part of its state.
# Usage: districts_unlock.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
data="$HOME/.local/share/one-step-ahead"
replay="$OSA_BUILD/tests/playthrough.replay"

if [ ! -f "$replay" ]; then
    osa_say "recording the playthrough"
    timeout 120 "$OSA_BUILD/tests/playthrough_test" --gtest_filter='Playthrough.TheFirstMissionsAreFulfilledInTime' \
        >"$OSA_TMP/playthrough.log" 2>&1 || { cat "$OSA_TMP/playthrough.log" >&2; osa_fail "no playthrough"; }
fi
osa_say "the line as the game draws it over the start scene"
mkdir -p "$OSA_TMP/refs"
OSA_WINDOW_REFS="$OSA_TMP/refs" OSA_BUILD_DIR="$OSA_BUILD" timeout 120 "$OSA_BUILD/tests/playthrough_test" \
    --gtest_filter='Playthrough.TheHudStandsAtTheCameraCornerOverTheStartScene' >"$OSA_TMP/reference.log" 2>&1 ||
    { cat "$OSA_TMP/reference.log" >&2; osa_fail "the reference could not be drawn"; }

# The third split: when the run reaches level 3 (m:ss.cc of game time).
splits=$(ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 60 "$OSA_GAME" --verify "$replay" | sed -n 's/^splits: //p')
third=$(awk '{ split($3, t, ":"); print t[1] * 60 + t[2] }' <<<"$splits")
[ -n "$third" ] || osa_fail "the playthrough does not reach level 3: splits $splits"
osa_say "the playthrough reaches level 3 at $third s"

# line PICTURE X Y: the white text of the message line in a picture whose game picture is at
# (X, Y): a black and white picture of the strip's text rows.
line() {
    convert "$1" -crop "318x8+$(($2 + 2))+$(($3 + 2))" +repage -fuzz 1% -fill black +opaque white "$OSA_TMP/$4.png"
}
line "$OSA_TMP/refs/announced.pcx" 0 0 want
same_line() { # NAME: the shot's line is the announcement's
    osa_screenshot "$OSA_TMP/$1-screen.png" 2>/dev/null || return 1
    line "$OSA_TMP/$1-screen.png" "$OSA_PICTURE_X" "$OSA_PICTURE_Y" "$1"
    local off
    off=$(compare -metric AE "$OSA_TMP/$1.png" "$OSA_TMP/want.png" null: 2>&1 | awk '{ printf "%d\n", $1 }' || true)
    [ "$off" = 0 ]
}

OSA_GAME_SECONDS=$(awk -v t="$third" 'BEGIN { print int(t) + 60 }') \
    osa_start_game "$OSA_BUILD" --scale 1 --replay "$replay"
started=$(date +%s%N)
OSA_WINDOW=$(osa_window "One Step Ahead") || true
OSA_PICTURE_X=$(((OSA_SCREEN_W - 320) / 2))
OSA_PICTURE_Y=$(((OSA_SCREEN_H - 240) / 2))
wait_s=$(awk -v t="$third" 'BEGIN { print t - 3 }')
osa_say "watching for $wait_s s"
sleep "$wait_s"
same_line before && osa_fail "the line shows before level 3"
osa_wait_for 8 same_line seen || osa_fail "no \"Harbour is open!\" on the HUD at level 3"
seen_at=$((($(date +%s%N) - started) / 1000000))
osa_say "the line seen $seen_at ms after the start"
sleep 5
same_line after && osa_fail "the line is still there 5 s later"
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS after Escape"

list=$(ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 20 "$OSA_GAME" --list-districts)
grep -qP '^harbour\tHarbour\tlocked\t' <<<"$list" || osa_fail "watching opened the harbour: $list"
out=$(ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 60 "$OSA_GAME" --verify "$replay" | head -1)
[[ $out == *": ok, "* ]] || osa_fail "the playthrough no longer verifies: $out"
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"
echo "PASS"
