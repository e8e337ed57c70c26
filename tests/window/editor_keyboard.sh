#!/usr/bin/env bash
# The level editor driven with the keyboard alone: --edit on a district whose map this test
# wrote; a crate typed above the start and the second shipped district's tune chosen (F6 twice),
# saved (the saved map holds the crate there, the district is playable: level.dat written, and
# its music.it is that tune); then a brick wall built from the sky to the floor between the
# partner and the handbag shop and saved: the district is a draft whose district.cfg names the
# handbag shop, and its level.dat is gone. Escape leaves with status 0.
# Usage: editor_keyboard.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
export XDG_DATA_HOME="$OSA_TMP/data" XDG_STATE_HOME="$OSA_TMP/state"
district="$XDG_DATA_HOME/one-step-ahead/districts/mine"
mkdir -p "$district"

# 40 x 20 cells: the border, the floor on row 17, the starts at columns 25 and 28 of row 16, the
# shops 0 to 3 left of them and the handbag shop (4) right of them at column 31.
{
    echo "; a flat district of the test"
    printf '#%.0s' {1..40}; echo
    for r in $(seq 1 15); do echo "#$(printf '.%.0s' {1..38})#"; done
    echo "#.0...1...2...3..........P..V..4.......#"
    for r in 17 18 19; do printf '#%.0s' {1..40}; echo; done
} >"$district/level.map"

# cell FILE COLUMN ROW: the character at that cell of a map file (comment lines are not rows).
cell() {
    awk -v c="$2" -v r="$3" '/^;/ || /^$/ { next } { if (n++ == r) { print substr($0, c + 1, 1); exit } }' "$1"
}
keys() {
    local k
    for k in "$@"; do
        osa_key "$k" 0.06
        sleep 0.04
    done
}
crate_saved() { [ "$(cell "$district/level.map" 25 13)" = c ] && [ -s "$district/level.dat" ]; }
shut_off_saved() { grep -q '^not_playable = .*handbag shop' "$district/district.cfg" 2>/dev/null && [ ! -e "$district/level.dat" ]; }

osa_say "opening the editor on the district"
osa_start_game "$OSA_BUILD" --window --scale 1 --mute --edit mine
OSA_WINDOW=$(osa_window "One Step Ahead") || true
[ -n "$OSA_WINDOW" ] || osa_fail "no window titled One Step Ahead"
sleep 1.5  # the keyboard is installed once the window shows; let the editor open

osa_say "a crate three cells above the player's start, and the second shipped tune (F6 twice), saved"
keys Up Up Up c F6 F6 ctrl+s
osa_wait_for 20 crate_saved || osa_fail "the saved map has '$(cell "$district/level.map" 25 13)' at row 13, column 25, not the crate (or no level.dat)"
second=$(ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 20 "$OSA_GAME" --list-districts | sed -n 2p | cut -f1)
cmp -s "$district/music.it" "$OSA_BUILD/dat/districts/$second/music.it" ||
    osa_fail "the district did not keep the tune of $second as its music.it"

osa_say "a brick wall at column 30 from the sky to the floor, saved"
keys Right Right Right Right Right B
for r in $(seq 12 -1 1); do keys Up B; done
keys shift+Down shift+Down Down Down Down B Down B Down B ctrl+s
osa_wait_for 30 shut_off_saved || osa_fail "the district is not a draft naming the handbag shop: $(cat "$district/district.cfg" 2>/dev/null); files: $(ls "$district")"
for r in $(seq 1 16); do
    [ "$(cell "$district/level.map" 30 "$r")" = B ] || osa_fail "no brick at row $r, column 30 of the saved map"
done
osa_say "$(grep not_playable "$district/district.cfg")"
listed=$(ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 20 "$OSA_GAME" --list-districts | grep "^mine	")
[[ $listed == *"	not playable: "*"handbag"* ]] || osa_fail "--list-districts does not name the handbag shop: $listed"
osa_say "listed: $listed"

keys Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS after Escape"
[ ! -e "$district/level.map.autosave" ] || osa_fail "an autosave was left behind after leaving"
echo "PASS"
