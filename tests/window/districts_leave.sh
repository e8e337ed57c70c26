#!/usr/bin/env bash
# A run has an end and the world goes on, all in one start of the game: in a small district of
# the player's (the editor's starter map, with the rooftops' tune as its own music.it) the first
# mission is fulfilled with the keys; Leave district in the pause menu brings the results card,
# a key the district screen, where the harbour (opened by the town's progress) is chosen and
# played; there Leave district, with no mission fulfilled, goes straight back to the district
# screen. Escape there brings the title, and Escape on the title ends the game with status 0.
# The music heard in each district is in the key of its own tune.
# Usage: districts_leave.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
osa_capture_sound "$OSA_TMP/capture.raw"
data="$HOME/.local/share/one-step-ahead"
mkdir -p "$data"
printf '[progress]\nversion = 1\n[town]\nbest_level = 3\nbest_score = 30\n' >"$data/progress.cfg"
key_of="$OSA_BUILD/tests/key_of"
[ -x "$key_of" ] || osa_fail "no key finder at $key_of"

osa_say "a district of the player's from the starter map, with the rooftops' tune"
cat >"$OSA_TMP/little.map" <<'EOF'
################################################
#..............................................#
#..............................................#
#..............................................#
#..............................................#
#..............................................#
#..............................................#
#..............................................#
#..............................................#
#..............................................#
#..............................................#
#..............................................#
#..............................................#
#..............................................#
#.....................o........................#
#.....................i..................4.....#
#..0....1....2.....ff.i..P..V..b.3.....BBBBBBBB#
################################################
################################################
EOF
ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 60 "$OSA_BUILD/one-step-ahead-level" "$OSA_TMP/little.map" \
    --district "$data/districts/little-street" --name "Little Street" >"$OSA_TMP/level-tool.log" 2>&1 ||
    { cat "$OSA_TMP/level-tool.log" >&2; osa_fail "the level tool did not make the district"; }
cp "$OSA_BUILD/dat/districts/rooftops/music.it" "$data/districts/little-street/music.it"

size() { stat -c %s "$OSA_TMP/capture.raw"; }
# heard SECONDS: the key of the music captured over the next SECONDS.
heard() {
    local from
    from=$(size)
    sleep "$1"
    dd if="$OSA_TMP/capture.raw" of="$OSA_TMP/part.raw" bs=4 skip=$((from / 4)) count=$((($(size) - from) / 4)) \
        status=none
    "$key_of" "$OSA_TMP/part.raw"
}
# The ground at the bottom of the picture, which scrolls with the camera while she walks.
ground() { osa_fb_row "$OSA_PICTURE_X" $((OSA_PICTURE_Y + 232)) 320; }
# walk_in KEY: holds KEY and Up until the camera stands still: she has stopped in a shop, whose
# change effect holds her; Up is let go before the effect ends, so that she enters it once.
walk_in() {
    timeout 5 xdotool keydown --window "$OSA_WINDOW" "$1" Up 2>/dev/null || true
    sleep 0.6
    local a b tries
    for tries in $(seq 100); do
        a=$(ground)
        sleep 0.05
        b=$(ground)
        [ "$a" = "$b" ] && break
    done
    timeout 5 xdotool keyup --window "$OSA_WINDOW" Up "$1" 2>/dev/null || true
    [ "$a" = "$b" ] || osa_fail "walking $1, she did not stop in a shop"
    sleep 1.2  # the effect ends
}
# leave: P, then Leave district, the fifth entry of the pause menu.
leave() {
    local k
    for k in p Down Down Down Down Return; do
        osa_key "$k"
        sleep 0.1
    done
}

osa_start_to_districts
for _ in 1 2 3 4 5 6; do
    osa_key Down
    sleep 0.1
done
osa_choose_district
sleep 1.5  # she lands, and the title's tune has faded into the district's
tune=$(heard 4)
osa_say "in Little Street the music is in $tune"
# A few seconds of a tune may sound in its relative minor: the same notes.
[[ $tune == "Bb major "* || $tune == "G minor "* ]] ||
    osa_fail "Little Street does not play its own music.it (the rooftops' tune, B flat major): $tune"

osa_say "the first mission: the clothes shop on the left, the shoes shop on the right, back to Vela"
walk_in Left
osa_key Right 0.5  # out of the clothes shop's window, Up let go
walk_in Right
osa_key Left 1.6  # into the window around Vela, where she stands while Vela changes
sleep 2

osa_say "Leave district: the results card"
leave
sleep 0.8
osa_shot card
osa_menu_shown card || osa_fail "no results card after Leave district"
osa_districts_shown "$OSA_TMP/card.png" 0 0 && osa_fail "the district screen came without a card"
grep -A2 '^\[little-street\]' "$data/progress.cfg" | grep -qx 'best_level = 1' ||
    osa_fail "the mission was not kept: $(cat "$data/progress.cfg")"
osa_key Return
osa_wait_districts

osa_say "the harbour chosen and played"
for _ in 1 2 3 4 5; do
    osa_key Up
    sleep 0.1
done
osa_choose_district
sleep 1.5
tune=$(heard 4)
osa_say "in the harbour the music is in $tune"
[[ $tune == "D major "* || $tune == "B minor "* ]] || osa_fail "the harbour does not play its tune (D major): $tune"
grep -q '^last = harbour' "$data/progress.cfg" || osa_fail "the harbour was not played"

osa_say "Leave district without a mission fulfilled: no card"
leave
osa_wait_districts
osa_key Escape
osa_wait_picture title_again "$OSA_BUILD/dat/title.pcx" 5 0 ||
    osa_fail "Escape on the district screen did not bring the title"
sleep 0.5
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "Escape on the title: status $OSA_STATUS"
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"
echo "PASS"
