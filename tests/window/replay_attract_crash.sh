#!/usr/bin/env bash
# The title's demo: after 15 s on the title without a key, the demo plays the level (the title
# is gone and the HUD's strip shows); a key brings the title back, which then waits for its key.
# Then a crash in play: SIGSEGV sent to the game leaves crash.txt (the signal and a backtrace)
# and crash.replay, which --verify and --replay take as a run cut short by a crash; the game says
# where they are and dies of the signal (status 139).
# Usage: replay_attract_crash.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
state="$HOME/.local/state/one-step-ahead"

osa_say "waiting on the title"
osa_start_game "$OSA_BUILD" --scale 1
osa_wait_title
sleep 17  # 15 s and the fade
osa_shot demo
title_off=$(osa_differing "$OSA_TMP/demo.png" 0 0 "$OSA_BUILD/dat/title.pcx")
[ "$title_off" -gt 20000 ] || osa_fail "no demo after 15 s on the title ($title_off pixels off the title)"
# The HUD's strip runs across the top: its red, mixed half and half with the scene.
red=$(convert "$OSA_TMP/demo.png" -crop 320x1+0+0 +repage -format '%[fx:mean.r-mean.b]' info:)
awk -v r="$red" 'BEGIN { exit !(r > 0.15) }' || osa_fail "the demo shows no HUD strip (red - blue $red)"
osa_say "the demo plays ($title_off pixels off the title)"
osa_key space
osa_wait_picture title_again "$OSA_BUILD/dat/title.pcx" 5 0 || osa_fail "a key did not bring the title back"
sleep 1
osa_wait_picture still_title "$OSA_BUILD/dat/title.pcx" 1 0 || osa_fail "the title did not wait for its key"
osa_say "a key brought the title back, and it waits"

osa_key Return
osa_choose_district
sleep 1
osa_key Right 0.8
game=$(ps -o pid= --ppid "$OSA_GAME_PID" | tr -d ' ' | head -n 1)
[ -n "$game" ] || osa_fail "no game process"
osa_say "SIGSEGV to the game in play"
kill -SEGV "$game"
osa_wait_exit 5
[ "$OSA_STATUS" = 139 ] || osa_fail "status $OSA_STATUS, not 139 (SIGSEGV)"
grep -q "crashed with SIGSEGV; the report is in $state/crash.txt and the run so far in $state/crash.replay" \
    "$OSA_TMP/game.err" || osa_fail "the game did not say where the report is: $(cat "$OSA_TMP/game.err")"
grep -qx 'signal SIGSEGV (11)' "$state/crash.txt" || osa_fail "crash.txt: $(cat "$state/crash.txt")"
grep -q 'one-step-ahead(.*)\[0x' "$state/crash.txt" || osa_fail "no backtrace in crash.txt: $(cat "$state/crash.txt")"
line=$("$OSA_GAME" --verify "$state/crash.replay") || osa_fail "--verify crash.replay: $line"
osa_say "$line"
[[ $line == "$state/crash.replay: cut short by a crash after "* ]] || osa_fail "--verify said: $line"
osa_start_game "$OSA_BUILD" --scale 1 --replay "$state/crash.replay"
osa_wait_exit 20
[ "$OSA_STATUS" = 0 ] || osa_fail "--replay of the crash's run: status $OSA_STATUS"
grep -q "crash.replay: a run cut short by a crash after" "$OSA_TMP/game.err" ||
    osa_fail "--replay did not say the run was cut short: $(cat "$OSA_TMP/game.err")"
osa_say "--replay plays the crash's run and says it was cut short"
echo "PASS"
