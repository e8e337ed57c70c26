#!/usr/bin/env bash
# The options inside the game, with the keyboard alone: the music volume set to 0 through the menu
# (P, Down, Down, Enter, Down, Down, Left ten times, Escape, Escape) silences the music once play goes on
# and is kept in the settings file; Jump bound to J through the menu, J jumps.
# Usage: menu_options.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
osa_capture_sound "$OSA_TMP/capture.raw"
settings="$HOME/.config/one-step-ahead/settings.cfg"

# loud_between FROM TO: the loud samples captured between two sizes of the capture.
loud_between() {
    dd if="$OSA_TMP/capture.raw" of="$OSA_TMP/part.raw" bs=4 skip=$(($1 / 4)) count=$((($2 - $1) / 4)) status=none
    [ "$(stat -c %s "$OSA_TMP/part.raw")" -gt 44100 ] || osa_fail "no sound was captured"
    osa_loud_samples "$OSA_TMP/part.raw"
}
size() { stat -c %s "$OSA_TMP/capture.raw"; }
keys() { for k; do osa_key "$k"; sleep 0.05; done; }

osa_start_past_title
sleep 2
from=$(size)
sleep 1.5
loud=$(loud_between "$from" "$(size)")
[ "$loud" -gt 10000 ] || osa_fail "the music is not heard before the menu ($loud loud samples)"

osa_say "the music volume to 0 through the menu"
keys p Down Down Return Down Down Left Left Left Left Left Left Left Left Left Left Escape Escape
sleep 1  # the stream's queued buffers
from=$(size)
sleep 2
loud=$(loud_between "$from" "$(size)")
osa_say "$loud loud samples in 2 s of play"
[ "$loud" -lt 100 ] || osa_fail "the music still plays ($loud loud samples)"
grep -qx 'music_volume = 0' "$settings" || osa_fail "music_volume = 0 is not in the settings: $(cat "$settings")"

osa_say "Jump bound to J through the menu"
keys p Down Down Return Down Down Down Down Return Down Down Down Return j Escape Escape Escape
grep -qx 'jump = J' "$settings" || osa_fail "jump = J is not in the settings: $(cat "$settings")"
sleep 0.5
osa_shot before_jump
osa_key j 0.3
osa_shot jumping
# The floor line of before_jump searched for lower down in the jumping picture (see
# characters_walk_jump.sh).
read -r _ dy score <<<"$(osa_find_in jumping 0 100 120 140 before_jump 0 150 120 20)"
lift=$((dy + 100 - 150))
osa_say "J lifted her by $lift pixels (match $score)"
[ "$lift" -ge 16 ] || osa_fail "J did not jump (lift $lift)"

osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS after Escape"
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"
echo "PASS"
