#!/usr/bin/env bash
# The district screen follows the title: a locked district is refused there, Escape goes back to
# the title, and a damaged progress file is set aside while the town plays on. With a progress
# file that unlocks it, the second district plays in its own looks. A district the level tool
# made from a map outside the source tree, dropped into the player's folder, is listed and
# played; a damaged one is listed with its reason and refused; so is a locked one.
# Usage: districts.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
data="$HOME/.local/share/one-step-ahead"
mkdir -p "$data"

second=$(ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 20 "$OSA_GAME" --list-districts | sed -n 2p | cut -f1)
[ -n "$second" ] || osa_fail "fewer than two districts listed"
osa_say "the second district: $second"

osa_say "a damaged progress file, then a locked district chosen"
printf '[progress]\nversion = 1\n[town]\nbest_level = lots\n' >"$data/progress.cfg"
osa_start_reference "$OSA_TMP/town.pcx"
osa_start_to_districts
osa_key Down
sleep 0.3
osa_key Return
sleep 0.5
osa_shot refused
osa_districts_shown "$OSA_TMP/refused.png" 0 0 || osa_fail "choosing the locked district left the screen"
[ -f "$data/progress.cfg.bad" ] || osa_fail "the damaged progress file was not set aside"
grep -q "progress.cfg: .*set aside as" "$OSA_TMP/game.err" || osa_fail "no line about the damaged progress file"
osa_key Escape
osa_wait_picture title_again "$OSA_BUILD/dat/title.pcx" 5 0 || osa_fail "Escape on the district screen did not bring the title back"
sleep 0.3
osa_key Return
osa_choose_district
osa_wait_picture town "$OSA_TMP/town.pcx" 5 500 || osa_fail "the town did not play after the refusal ($OSA_DIFFERING differ)"
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "the game ended with $OSA_STATUS"

osa_say "the town at level 3 unlocks $second, which plays in its own looks"
printf '[progress]\nversion = 1\n[town]\nbest_level = 3\nbest_score = 30\n' >"$data/progress.cfg"
osa_start_to_districts
osa_key Down
osa_choose_district
sleep 1
osa_shot second
off=$(osa_differing "$OSA_TMP/second.png" 0 0 "$OSA_TMP/town.pcx")
[ "$off" -gt 20000 ] || osa_fail "$second looks like the town ($off pixels differ)"
osa_say "$second plays: $off pixels differ from the town's start"
osa_key Escape
osa_wait_exit 5
grep -q "^last = $second" "$data/progress.cfg" || osa_fail "the progress does not name $second as played last"

osa_say "a district of the player's, made by the level tool, and a damaged one"
outside="$OSA_TMP/maps"
mkdir -p "$outside"
# The town's map with a crate more on the flat ground right of the start.
awk '!/^;/ && n++ == 16 { $0 = substr($0, 1, 34) "c" substr($0, 36) } { print }' \
    "$(dirname "$0")/../../levels/town.map" >"$outside/street.map"
ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 60 "$OSA_BUILD/one-step-ahead-level" "$outside/street.map" \
    --district "$data/districts/my-street" --name "My Street" >"$OSA_TMP/level-tool.log" 2>&1 ||
    { cat "$OSA_TMP/level-tool.log" >&2; osa_fail "the level tool did not make the district"; }
mkdir -p "$data/districts/broken"
printf '[district]\nname = Broken\n' >"$data/districts/broken/district.cfg"
printf '30 17\n1w 2x\n' >"$data/districts/broken/level.dat"
ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 20 "$OSA_GAME" --list-districts >"$OSA_TMP/list.txt" ||
    osa_fail "--list-districts failed"
grep -qP '^my-street\tMy Street\tunlocked\tbest level 0, score 0$' "$OSA_TMP/list.txt" ||
    osa_fail "my-street not listed as playable: $(cat "$OSA_TMP/list.txt")"
grep -qP '^broken\tBroken\tnot playable: level.dat is damaged: ' "$OSA_TMP/list.txt" ||
    osa_fail "the damaged district not listed with its reason: $(cat "$OSA_TMP/list.txt")"
for refused in broken "$(sed -n 3p "$OSA_TMP/list.txt" | cut -f1)"; do
    status=0
    ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 20 "$OSA_GAME" --scale 1 --district "$refused" \
        >"$OSA_TMP/refused.out" 2>"$OSA_TMP/refused.err" || status=$?
    [ "$status" = 1 ] || osa_fail "--district $refused ended with $status, not 1"
    [ "$(wc -l <"$OSA_TMP/refused.err")" = 1 ] || osa_fail "--district $refused: not one line: $(cat "$OSA_TMP/refused.err")"
    osa_say "refused: $(cat "$OSA_TMP/refused.err")"
done
osa_start_game "$OSA_BUILD" --scale 1 --district my-street
OSA_WINDOW=$(osa_window "One Step Ahead") || osa_fail "no window for my-street"
osa_wait_picture street "$OSA_TMP/town.pcx" 10 1500 || osa_fail "my-street did not play ($OSA_DIFFERING differ)"
osa_say "my-street plays: $OSA_DIFFERING pixels differ from the town's start (the crate, the clock)"
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "the game ended with $OSA_STATUS"
osa_say "ok"
