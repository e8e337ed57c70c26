#!/usr/bin/env bash
# Racing the clock in the real game: with [play] timer = 2 the top-right corner changes in play
# and stands still in the pause menu, and the time of the menu is no game time (the recorded run
# holds the ticks of play alone); R brings Mora back to the start at once, the run it ends kept,
# and so does the stand-in pad's button 6;
# a run recorded walking right, given with --ghost, runs beside a Mora who stands still; a
# damaged ghost file is refused with one line and play goes on.
# Usage: timeattack.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
mkdir -p "$HOME/.config/one-step-ahead"
printf '[play]\ntimer = 2\n' >"$HOME/.config/one-step-ahead/settings.cfg"
state="$HOME/.local/state/one-step-ahead"

# differing A B X Y W H: the pixels of a region that differ between two shots (OSA_TMP/NAME.png).
differing() {
    convert "$OSA_TMP/$1.png" -crop "${5}x${6}+$3+$4" +repage "$OSA_TMP/da.png"
    convert "$OSA_TMP/$2.png" -crop "${5}x${6}+$3+$4" +repage "$OSA_TMP/db.png"
    compare -metric AE -fuzz 2% "$OSA_TMP/da.png" "$OSA_TMP/db.png" null: 2>&1 | awk '{ printf "%d\n", $1 }' || true
}
# The timer's corner: right of the HUD's box, below its strip.
corner() { differing "$1" "$2" 240 11 80 22; }
# The scene below the HUD.
scene() { differing "$1" "$2" 0 41 320 199; }

osa_say "the timer in play and in the menu"
osa_start_game "$OSA_BUILD" --scale 1 --record "$OSA_TMP/paused.replay"
osa_wait_title
sleep 0.3
osa_key Return
played_from=$(date +%s%N)  # play begins a little later, once the district is chosen
osa_choose_district
sleep 1
osa_shot start
sleep 0.4
osa_shot later
moved=$(corner start later)
osa_say "the corner changed by $moved pixels in 0.4 s of play"
[ "$moved" -ge 10 ] || osa_fail "the timer does not move in play ($moved pixels)"
[ "$(scene start later)" -le 20 ] || osa_fail "the scene moved while Mora stood"
osa_key p
paused_from=$(date +%s%N)
sleep 0.5
osa_shot menu1
osa_menu_shown menu1 || osa_fail "P did not open the menu"
sleep 1
osa_shot menu2
[ "$(corner menu1 menu2)" -eq 0 ] || osa_fail "the timer moved in the menu"
sleep 1.5
osa_key Escape
paused_ms=$((($(date +%s%N) - paused_from) / 1000000))
sleep 0.5
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS"
played_ms=$((($(date +%s%N) - played_from) / 1000000))
line=$("$OSA_GAME" --verify "$OSA_TMP/paused.replay" | head -1) || osa_fail "--verify: $line"
ticks=$(sed -n 's/.*: ok, \([0-9]*\) ticks.*/\1/p' <<<"$line")
game_ms=$((ticks * 1000 / 120))
osa_say "$played_ms ms from the title's end to the end, $paused_ms ms of it paused; game time $game_ms ms"
# The menu's seconds are not in it (a key's hold of 0.1 s blurs each end); a busy machine may
# lose ticks, never gain them.
[ "$game_ms" -le $((played_ms - paused_ms + 300)) ] || osa_fail "the menu's time counted as game time"
[ "$game_ms" -ge $(((played_ms - paused_ms) / 2)) ] || osa_fail "game time fell far behind play"

osa_say "R starts the district again"
osa_start_past_title
sleep 1.5
osa_shot standing
osa_key Right 1
osa_shot walked
[ "$(scene standing walked)" -ge 1000 ] || osa_fail "Mora did not walk"
osa_key r
sleep 0.3
osa_shot restarted
back=$(scene standing restarted)
osa_say "after R the scene differs from the start in $back pixels"
[ "$back" -le 20 ] || osa_fail "R did not bring Mora back to the start ($back pixels differ)"
[ -s "$state/last-run.replay" ] || osa_fail "the run R ended was not kept"
line=$("$OSA_GAME" --verify "$state/last-run.replay" | head -1)
[[ $line == *": ok, "*" ticks, level 0, score 0" ]] || osa_fail "the run R ended: $line"
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS after R and Escape"

osa_say "the pad's button 6 starts the district again"
osa_start_game_with_pad "$OSA_BUILD"
osa_wait_title
osa_plug_pad
sleep 1.5  # the title looks for a pad once a second
osa_pad_button 0
osa_wait_districts
osa_pad_button 0  # the town
sleep 1
osa_pad_event 2 0 32767
sleep 1
osa_pad_event 2 0 0
osa_shot pad_walked
[ "$(scene standing pad_walked)" -ge 1000 ] || osa_fail "the stick did not walk her"
osa_pad_button 6
sleep 0.3
osa_shot pad_restarted
back=$(scene standing pad_restarted)
[ "$back" -le 20 ] || osa_fail "button 6 did not bring Mora back to the start ($back pixels differ)"
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS after button 6 and Escape"
osa_unplug_pad

osa_say "a ghost walking right"
osa_start_game "$OSA_BUILD" --scale 1 --record "$OSA_TMP/walk.replay"
osa_wait_title
sleep 0.3
osa_key Return
osa_choose_district
sleep 0.3
osa_key Right 0.6
sleep 2.5
osa_key Escape
osa_wait_exit 5
[ -s "$OSA_TMP/walk.replay" ] || osa_fail "the walk was not recorded"
osa_start_game "$OSA_BUILD" --scale 1 --ghost "$OSA_TMP/walk.replay"
osa_wait_title
sleep 0.3
osa_key Return
osa_choose_district
sleep 2
osa_shot ghost
# Right of Mora (columns 144..175 at the start), where the ghost stopped (Vela stands there in
# both pictures).
right=$(differing standing ghost 178 41 140 120)
left=$(differing standing ghost 0 41 140 120)
osa_say "beside the standing Mora $right pixels differ from the scene without a ghost ($left on her left)"
[ "$right" -ge 200 ] || osa_fail "no ghost beside Mora ($right pixels)"
[ "$left" -le 20 ] || osa_fail "something else moved ($left pixels)"
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS with a ghost"
if grep -q ghost "$OSA_TMP/game.err"; then osa_fail "said: $(cat "$OSA_TMP/game.err")"; fi

osa_say "a damaged ghost"
head -c 100 "$OSA_TMP/walk.replay" >"$OSA_TMP/cut.replay"
osa_start_game "$OSA_BUILD" --scale 1 --ghost "$OSA_TMP/cut.replay"
osa_wait_title
sleep 0.3
osa_key Return
osa_choose_district
sleep 2
osa_shot no_ghost
[ "$(scene standing no_ghost)" -le 20 ] || osa_fail "the cut ghost was drawn, or play went elsewhere"
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS with a cut ghost"
said=$(grep -c "cut.replay" "$OSA_TMP/game.err" || true)
[ "$said" = 1 ] || osa_fail "the cut ghost was said $said times: $(cat "$OSA_TMP/game.err")"
osa_say "$(grep cut.replay "$OSA_TMP/game.err")"
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"
echo "PASS"
