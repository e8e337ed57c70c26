#!/usr/bin/env bash
# On a 1920 x 1080 screen the game starts full screen with its picture scaled by 4 and centred:
# the title, then the level, every pixel a 4 x 4 block. P holds the HUD's clock still and silences
# the music, P again lets the clock run; F11 makes a window and play goes on; Escape ends the game
# with status 0 and the window is remembered in the settings. --window --scale 2 gives a 640 x 480 window. A long wait
# on the title, ended with Right, still starts with both characters where they stand at first.
# Usage: shell_display.sh <one-step-ahead> <build-dir>
OSA_SCREEN_W=1920
OSA_SCREEN_H=1080
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
osa_capture_sound "$OSA_TMP/capture.raw"

osa_say "drawing the start frame without a screen"
osa_start_reference "$OSA_TMP/start.pcx"

# The picture at scale 4, centred: 1280 x 960 at (320, 60).
X=320
Y=60
# visible_window: waits up to 10 s for the game's visible window (only a window carries the
# title; full screen does not) and sets win to its id and size to its "WxH". False without one.
visible_window() {
    for _ in $(seq 100); do
        win=$(timeout 5 xdotool search --onlyvisible --name '^One Step Ahead$' 2>/dev/null | head -n 1) || true
        if [ -n "$win" ]; then
            size=$(xwininfo -id "$win" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
            return 0
        fi
        sleep 0.1
    done
    return 1
}
pixel_at() { convert "$1" -format "%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]" -crop "1x1+$2+$3" info:; }

osa_say "default start: full screen"
osa_start_game "$OSA_BUILD" --fullscreen
osa_wait_scaled title "$OSA_BUILD/dat/title.pcx" 20 0 $X $Y 4 ||
    osa_fail "no title at scale 4 ($OSA_BLOCKY pixels off their block, $OSA_DIFFERING differ)"
for p in "0 0" "319 500" "1600 1079" "900 59" "1600 500"; do
    read -r px py <<<"$p"
    [ "$(pixel_at "$OSA_TMP/title.png" "$px" "$py")" = "0 0 0" ] || osa_fail "the border at $px,$py is not black"
done
osa_say "title at scale 4, centred, borders black"
# The title takes its key once its fade-in has ended; on a busy machine a key may come before.
for attempt in 1 2 3; do
    sleep 0.3
    osa_key Return
    osa_wait_scaled gone "$OSA_BUILD/dat/title.pcx" 1 0 $X $Y 4 || break
done
osa_choose_district $X $Y 4
osa_wait_scaled level "$OSA_TMP/start.pcx" 4 500 $X $Y 4 ||
    osa_fail "no level at scale 4 ($OSA_BLOCKY pixels off their block, $OSA_DIFFERING differ)"
osa_say "level at scale 4: $OSA_DIFFERING pixels differ from the start frame (the clock)"

# The time line of the HUD: "Time : NN sec" at (2, 12) of the picture, 80 x 9 pixels.
clock() { convert "$OSA_TMP/$1.png" -crop "320x36+$((X + 8))+$((Y + 48))" +repage "$OSA_TMP/$1-clock.png"; }
same() { compare -metric AE "$OSA_TMP/$1-clock.png" "$OSA_TMP/$2-clock.png" null: 2>&1 | awk '{ printf "%d\n", $1 }' || true; }

osa_key p
sleep 1
osa_screenshot "$OSA_TMP/paused1.png" && clock paused1
from=$(stat -c %s "$OSA_TMP/capture.raw")
sleep 2
to=$(stat -c %s "$OSA_TMP/capture.raw")
osa_screenshot "$OSA_TMP/paused2.png" && clock paused2
[ "$(same paused1 paused2)" -eq 0 ] || osa_fail "the clock moved while paused"
# The sound of the pause, less the stream's buffers still queued when it began: silence.
dd if="$OSA_TMP/capture.raw" of="$OSA_TMP/paused.raw" bs=4 skip=$((from / 4)) count=$(((to - from) / 4)) status=none
loud=$(osa_loud_samples "$OSA_TMP/paused.raw")
[ "$(stat -c %s "$OSA_TMP/paused.raw")" -gt 44100 ] || osa_fail "no sound was captured while paused"
[ "$loud" -lt 100 ] || osa_fail "the music went on while paused ($loud loud samples)"
osa_key p
sleep 1.6
osa_screenshot "$OSA_TMP/running.png" && clock running
[ "$(same paused2 running)" -gt 0 ] || osa_fail "the clock stands still after P again"
loud=$(osa_loud_samples "$OSA_TMP/capture.raw")
[ "$loud" -gt 22050 ] || osa_fail "the music is silent"
osa_say "P held the clock and the music for 2 s, and the clock runs again after P"

osa_say "F11: a window"
osa_key F11
visible_window || osa_fail "no window after F11"
[ "$size" = "1280x960" ] || osa_fail "the window is $size, not 1280x960 (scale 4 within 90% of 1080)"
OSA_WINDOW=$win
osa_wait_scaled window "$OSA_TMP/start.pcx" 5 500 0 0 4 ||
    osa_fail "the window does not show the scene ($OSA_BLOCKY off their block, $OSA_DIFFERING differ)"
osa_key Right 0.8
sleep 0.3
osa_wait_scaled moved "$OSA_TMP/start.pcx" 1 76800 0 0 4 || true
[ "$OSA_DIFFERING" -gt 500 ] || osa_fail "Mora did not walk in the window ($OSA_DIFFERING pixels changed)"
osa_say "window $size, play goes on"
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS after Escape"
grep -q '^fullscreen = 0' "$HOME/.config/one-step-ahead/settings.cfg" ||
    osa_fail "the window was not saved in the settings"

osa_say "--window --scale 2"
OSA_WINDOW=""
osa_start_game "$OSA_BUILD" --window --scale 2
visible_window || osa_fail "no window"
[ "$size" = "640x480" ] || osa_fail "the window is $size, not 640x480"
osa_wait_scaled title2 "$OSA_BUILD/dat/title.pcx" 20 0 0 0 2 || osa_fail "no title at scale 2"
kill "$OSA_GAME_PID"
osa_wait_exit 5

osa_say "a long wait on the title, ended with Right"
osa_start_game "$OSA_BUILD" --fullscreen --scale 1
osa_wait_picture title "$OSA_BUILD/dat/title.pcx" 10 0 || osa_fail "no title"
sleep 4
osa_key Right 0.15
osa_choose_district
osa_wait_picture level "$OSA_TMP/start.pcx" 10 500 ||
    osa_fail "the first scene is not the start ($OSA_DIFFERING pixels differ)"
osa_say "the scene after 4 s on the title is the start scene ($OSA_DIFFERING pixels differ)"
osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS"
echo "PASS"
