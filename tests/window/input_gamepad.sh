#!/usr/bin/env bash
# The gamepad in the real game, through the stand-in pad: plugged in at the title, its button
# ends it; its stick walks Mora; Start opens the pause menu (the HUD's clock stands still) and
# closes it; pulling it out while the stick is pushed opens the menu, and after P she stands
# still; plugged in again, the stick walks her within 2 s; "Quit game", chosen with the pad, ends
# the game with status 0.
# Usage: input_gamepad.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"

# ground_shift BEFORE AFTER: how far the ground band (rows 150..239) moved left between two
# pictures, and the match's score: "DX DY SCORE" (see characters_walk_jump.sh).
ground_shift() {
    osa_find_in "$1" 0 150 320 90 "$2" 0 150 120 90
}
# clock_moves NAME: true when the HUD's box (time, level, score) changes within 1.2 s.
clock_moves() {
    osa_shot "$1-a"
    sleep 1.2
    osa_shot "$1-b"
    convert "$OSA_TMP/$1-a.png" -crop 81x30+0+11 +repage "$OSA_TMP/$1-box.png"
    [ "$(osa_differing "$OSA_TMP/$1-b.png" 0 11 "$OSA_TMP/$1-box.png" 0)" -gt 0 ]
}
# seconds_since NS: the time since a moment of date +%s%N, in seconds with two decimals.
seconds_since() {
    awk -v a="$1" -v b="$(date +%s%N)" 'BEGIN { printf "%.2f", (b - a) / 1e9 }'
}

osa_say "starting the game with no pad"
osa_start_game_with_pad "$OSA_BUILD"
osa_wait_title
osa_plug_pad
sleep 1.5 # the title looks for a pad once a second
osa_wait_picture title "$OSA_BUILD/dat/title.pcx" 1 0 || osa_fail "plugging the pad in ended the title"
osa_pad_button 0
sleep 2 # the fade-out
osa_shot after_title
[ "$(osa_differing "$OSA_TMP/after_title.png" 0 0 "$OSA_BUILD/dat/title.pcx")" -gt 20000 ] ||
    osa_fail "button 0 did not end the title"
osa_game_running || osa_fail "the game ended after the title"
osa_wait_districts
osa_pad_button 0  # the district screen chooses with the pad as the menus do: the town
sleep 1
osa_districts_shown "$OSA_TMP/districts.png" && osa_shot districts_after && osa_districts_shown "$OSA_TMP/districts_after.png" &&
    osa_fail "button 0 did not choose the district"

osa_say "pushing the stick right for a second"
osa_shot standing
osa_pad_event 2 0 32767
sleep 1
osa_pad_event 2 0 0
osa_shot walked
read -r dx _ score <<<"$(ground_shift standing walked)"
osa_say "the ground moved left by $dx pixels (match $score)"
[ -n "$dx" ] && [ "$dx" -ge 40 ] && [ "$dx" -le 250 ] || osa_fail "the stick did not walk her right ($dx)"

sleep 1 # friction stops her
clock_moves running || osa_fail "the clock stands still before any pause"
osa_say "Start opens the pause menu"
osa_pad_button 7
! clock_moves paused || osa_fail "the clock goes on after Start"
osa_menu_shown paused-b || osa_fail "no menu after Start"
osa_pad_button 7
clock_moves resumed || osa_fail "the clock stands still after Start again"

osa_say "pulling the pad out while the stick is pushed right"
osa_pad_event 2 0 32767
sleep 0.5
osa_unplug_pad
sleep 0.3
! clock_moves unplugged || osa_fail "the game did not pause when the pad went"
osa_menu_shown unplugged-b || osa_fail "no menu when the pad went"
osa_key p
sleep 1.5 # friction stops her
osa_shot still-a
sleep 1
osa_shot still-b
read -r dx _ score <<<"$(ground_shift still-a still-b)"
osa_say "after P the ground moved by $dx pixels in a second (match $score)"
[ "$dx" = 0 ] || osa_fail "she walks on by herself ($dx pixels)"
clock_moves after_p || osa_fail "P did not resume the game"

osa_say "plugging the pad in again with the stick pushed right"
plugged=$(date +%s%N)
osa_plug_pad
osa_pad_event 2 0 32767
for _ in $(seq 20); do
    seen=$(seconds_since "$plugged")
    osa_shot replugged
    read -r dx _ score <<<"$(ground_shift still-b replugged)"
    [ -n "$dx" ] && [ "$dx" -ge 4 ] && break
    awk -v s="$seen" 'BEGIN { exit !(s > 3) }' && break
done
osa_say "$dx pixels walked in the screenshot begun $seen s after the plug"
[ -n "$dx" ] && [ "$dx" -ge 4 ] || osa_fail "the pad plugged in again does not walk her"
awk -v s="$seen" 'BEGIN { exit !(s <= 2) }' || osa_fail "the pad was taken only after $seen s"
osa_pad_event 2 0 0

osa_say "Start, up round to the last entry, button 0: Quit game"
osa_pad_button 7
sleep 0.3
osa_pad_event 2 1 -32767
sleep 0.1
osa_pad_event 2 1 0
sleep 0.1
osa_pad_button 0
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS after Quit game"
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"
echo "PASS"
