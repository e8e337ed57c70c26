#!/usr/bin/env bash
# F5 plays the map being edited and Escape comes back: a new district (the starter map) opened
# with --edit, the cursor moved two cells right, F5: the game's picture (no palette bar) shows
# the player walking when Right is held; Escape: the editor again, its palette bar where it was,
# and a crate typed then lands where the cursor was before playing. The run played is kept
# nowhere: no last-run.replay and no best runs.
# Usage: editor_play.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
export XDG_DATA_HOME="$OSA_TMP/data" XDG_STATE_HOME="$OSA_TMP/state"
district="$XDG_DATA_HOME/one-step-ahead/districts/trial"

# The palette bar's colour (the HUD box's blue) at a pixel right of its last entry, row 194 of
# the 320 x 240 picture shown at the window's corner.
bar_shown() { [ "$(osa_fb_row 314 194 1)" = "17 17 170 " ]; }
bar_gone() { ! bar_shown; }
# cell FILE COLUMN ROW: the character at that cell of a map file (comment lines are not rows).
cell() {
    awk -v c="$2" -v r="$3" '/^;/ || /^$/ { next } { if (n++ == r) { print substr($0, c + 1, 1); exit } }' "$1"
}

osa_say "a new district in the editor"
osa_start_game "$OSA_BUILD" --window --scale 1 --mute --edit trial
OSA_WINDOW=$(osa_window "One Step Ahead") || true
[ -n "$OSA_WINDOW" ] || osa_fail "no window titled One Step Ahead"
osa_wait_for 10 bar_shown || osa_fail "the editor's palette bar did not show (pixel: $(osa_fb_row 314 194 1))"
sleep 3  # the starter map's proof: F5 plays only a map proven playable
osa_key Right
osa_key Right

osa_say "F5 plays it"
osa_key F5
osa_wait_for 10 bar_gone || osa_fail "F5 did not leave the editor"
sleep 0.5
osa_screenshot "$OSA_TMP/play1.png"
osa_key Right 0.8
sleep 0.3
osa_screenshot "$OSA_TMP/play2.png"
moved=$(compare -metric AE "$OSA_TMP/play1.png" "$OSA_TMP/play2.png" null: 2>&1 || true)
[ "${moved%% *}" -gt 200 ] 2>/dev/null || osa_fail "holding Right changed $moved pixels of the game's picture"
bar_gone || osa_fail "the editor's bar shows in play"

osa_say "Escape comes back to the editor"
osa_key Escape
osa_wait_for 10 bar_shown || osa_fail "Escape did not come back to the editor"
osa_game_running || osa_fail "the game ended on Escape in play"
osa_key c
osa_key ctrl+s
osa_wait_for 20 test -s "$district/level.map" || osa_fail "nothing saved"
[ "$(cell "$district/level.map" 27 16)" = c ] ||
    osa_fail "the crate is not where the cursor was before playing (row 16: $(cell "$district/level.map" 0 16))"
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS after Escape"
[ ! -e "$XDG_STATE_HOME/one-step-ahead/last-run.replay" ] || osa_fail "the run played from the editor was kept"
[ ! -e "$XDG_DATA_HOME/one-step-ahead/best-runs.cfg" ] || osa_fail "the run played from the editor entered the best runs"
echo "PASS"
