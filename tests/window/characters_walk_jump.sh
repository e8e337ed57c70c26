#!/usr/bin/env bash
# Mora walks and jumps in the real game: holding Right for a second scrolls the view to the right
# (the level's ground moves left on the screen by tens of pixels), and Space lifts her off the
# ground (the camera follows her up, so the ground moves down on the screen while she stays in
# the middle).
# Usage: characters_walk_jump.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"

osa_start_past_title
sleep 1.5  # the fade-out
osa_game_running || osa_fail "the game ended after the title"

# The ground band (rows 150..239 of the picture: the floor line at 152 and the earth below it)
# moves with the level; Mora stands at columns 144..175 above it.
osa_shot standing
osa_say "holding Right for a second"
osa_key Right 1
osa_shot walked
read -r dx dy score <<<"$(osa_find_in standing 0 150 320 90 walked 0 150 120 90)"
osa_say "the ground moved left by $dx pixels (match $score)"
[ -n "$dx" ] || osa_fail "no match of the ground after walking"
awk -v s="$score" 'BEGIN { exit !(s < 0.08) }' || osa_fail "the ground after walking matches nothing before it ($score)"
[ "$dy" -eq 0 ] || osa_fail "the ground moved vertically by $dy pixels while walking on flat ground"
# From rest, one second of Right covers about 130 pixels.
[ "$dx" -ge 40 ] || osa_fail "the view did not scroll to the right (ground moved by $dx pixels)"
[ "$dx" -le 250 ] || osa_fail "the view scrolled too far ($dx pixels)"

sleep 1  # friction stops her
osa_shot before_jump
osa_say "jumping"
timeout 5 xdotool keydown --window "$OSA_WINDOW" space 2>/dev/null || true
sleep 0.3
osa_shot jumping
timeout 5 xdotool keyup --window "$OSA_WINDOW" space 2>/dev/null || true
# The floor line of before_jump (rows 150..169: the grass edge and the earth's top), searched
# for lower down in the jumping picture: a jump lifts her by up to 65 pixels.
read -r dx dy score <<<"$(osa_find_in jumping 0 100 120 140 before_jump 0 150 120 20)"
lift=$((dy + 100 - 150))
osa_say "the ground moved down by $lift pixels, left by $dx (match $score)"
[ -n "$dy" ] || osa_fail "no match of the ground while jumping"
awk -v s="$score" 'BEGIN { exit !(s < 0.12) }' || osa_fail "the ground while jumping matches nothing before it ($score)"
[ "$dx" -eq 0 ] || osa_fail "the ground moved sideways by $dx pixels during a straight jump"
# A jump rises by at most about 65 pixels; a third of a second into it she is well above 16.
[ "$lift" -ge 16 ] || osa_fail "Space did not lift Mora off the ground (lift $lift)"
[ "$lift" -le 70 ] || osa_fail "Mora rose higher than a jump can ($lift)"

sleep 1.5  # she lands
osa_shot landed
read -r dx dy score <<<"$(osa_find_in landed 0 100 120 140 before_jump 0 150 120 20)"
osa_say "after landing the ground is back at $((dy + 100)) (match $score)"
[ "$((dy + 100))" -ge 149 ] && [ "$((dy + 100))" -le 152 ] ||
    osa_fail "Mora did not land where she jumped (ground at row $((dy + 100)))"

osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS after Escape"
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"
echo "PASS"
