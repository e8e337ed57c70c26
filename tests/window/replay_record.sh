#!/usr/bin/env bash
# A run recorded with --record in the real game (walking, jumping, turning): --verify says it is ok
# without a window, and --replay shows it again and ends, after its last frame stayed 2 s, on the
# scene the live run ended on. The run is also kept as last-run.replay. Then the title's demo
# named alone on the command line, as a file manager passes a double-clicked replay
# (one-step-ahead dat/demo.replay): watched to the very frame --replay of it ends on, and held.
# Usage: replay_record.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
run="$OSA_TMP/my run.replay"

osa_say "playing, recorded"
osa_start_game "$OSA_BUILD" --scale 1 --record "$run"
osa_wait_title
osa_key Return
osa_choose_district
sleep 1
osa_key Right 1.2
osa_key space 0.2
osa_key Left 0.7
osa_key Right 0.3
sleep 1.5  # she stands, and the clock has just moved on
osa_shot live_end
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS"
[ -s "$run" ] || osa_fail "the run was not recorded"
cmp -s "$run" "$HOME/.local/state/one-step-ahead/last-run.replay" || osa_fail "last-run.replay is not the run"

osa_say "--verify"
line=$("$OSA_GAME" --verify "$run") || osa_fail "--verify: $line"
osa_say "$line"
[[ $line == "$run: ok, "*" ticks, level 0, score 0"$'\n'"splits: none" ]] || osa_fail "--verify said: $line"

osa_say "--replay"
osa_start_game "$OSA_BUILD" --scale 1 --replay "$run"
started=$(date +%s%N)
# The HUD's clock may have moved once between the screenshot and Escape: a few pixels of it.
osa_wait_picture replay_end "$OSA_TMP/live_end.png" 30 60 || osa_fail "the replay did not end on the live run's scene ($OSA_DIFFERING pixels differ)"
seen=$(date +%s%N)
osa_say "the replay shows the live run's last scene ($OSA_DIFFERING pixels differ)"
osa_wait_exit 10
[ "$OSA_STATUS" = 0 ] || osa_fail "--replay ended with status $OSA_STATUS"
held=$((($(date +%s%N) - seen) / 1000000))
osa_say "the last frame stayed $held ms; the replay took $((($(date +%s%N) - started) / 1000000)) ms"
[ "$held" -ge 1000 ] || osa_fail "the last frame stayed only $held ms"
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"

osa_say "--replay dat/demo.replay, to its last frame"
ticks=$("$OSA_GAME" --data "$OSA_BUILD" --verify "$OSA_BUILD/dat/demo.replay" | sed -n 's/.*: ok, \([0-9]*\) ticks.*/\1/p')
[ -n "$ticks" ] || osa_fail "the demo does not verify"
osa_start_game "$OSA_BUILD" --scale 1 --replay dat/demo.replay
sleep $((ticks / 120 - 2))
# The last frame is the first the screen keeps for half a second while the game still runs.
osa_wait_for 10 eval 'osa_shot demo_end && sleep 0.5 && osa_shot demo_again && osa_game_running &&
    [ "$(osa_differing "$OSA_TMP/demo_end.png" 0 0 "$OSA_TMP/demo_again.png" 0)" = 0 ]' ||
    osa_fail "--replay of the demo did not stand on its last frame"
osa_wait_exit 10
[ "$OSA_STATUS" = 0 ] || osa_fail "--replay of the demo ended with status $OSA_STATUS"

osa_say "one-step-ahead dat/demo.replay"
osa_start_game "$OSA_BUILD" --scale 1 dat/demo.replay
osa_wait_picture named_end "$OSA_TMP/demo_end.png" $((ticks / 120 + 10)) 0 0 ||
    osa_fail "the demo named alone did not end on --replay's last frame ($OSA_DIFFERING pixels differ)"
osa_wait_exit 10
[ "$OSA_STATUS" = 0 ] || osa_fail "the demo named alone ended with status $OSA_STATUS"
osa_say "watched to its last frame, $((($(date +%s%N) - OSA_START_NS) / 1000000)) ms from the start"
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"
echo "PASS"
