#!/usr/bin/env bash
# The game starts, shows its title, and after a key and the fade shows the level at the start
# position as the same frame drawn without a screen shows it; Escape ends it with status 0 within
# 5 s; the music and sounds reach ALSA (captured to a file) and are not silent.
# Usage: shell_title_and_level.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
osa_capture_sound "$OSA_TMP/capture.raw"

osa_say "drawing the start frame without a screen"
osa_start_reference "$OSA_TMP/start.pcx"

osa_say "starting the game"
osa_start_game "$OSA_BUILD"

# The fade-in leaves the title within a few levels of the picture: a tolerance of 6 levels per
# channel for one row watched in the screen's memory (which times the start-up), 2% fuzz for the
# whole picture in a screenshot.
osa_wait_row "$OSA_BUILD/dat/title.pcx" 120 10 || osa_fail "the title did not appear"
osa_say "start-up: the title showed $(((OSA_SEEN_NS - OSA_START_NS) / 1000000)) ms after the process started, having used $(osa_game_cpu_ms) ms of processor time"
osa_wait_picture title "$OSA_BUILD/dat/title.pcx" 10 0 ||
    osa_fail "the title is not all there (best place $OSA_PICTURE_X,$OSA_PICTURE_Y: $OSA_DIFFERING pixels differ)"
osa_say "title at $OSA_PICTURE_X,$OSA_PICTURE_Y"
# Looked for only now: xdotool's wait for a window would delay the timing above.
OSA_WINDOW=$(osa_window "One Step Ahead") || true
[ -n "$OSA_WINDOW" ] || osa_fail "no window titled One Step Ahead"
sleep 0.3  # the keyboard is installed before the title, but let the key wait begin
osa_key Return
osa_choose_district

# The HUD's clock reads a second or two less than in the frame drawn without a screen; nothing
# else may differ. The digits cover well under 500 pixels.
osa_wait_picture level "$OSA_TMP/start.pcx" 10 500 ||
    osa_fail "the level at the start position did not appear ($OSA_DIFFERING pixels differ from the reference)"
osa_say "level shown, $OSA_DIFFERING pixels differ from the reference"
title_left=$(osa_differing "$OSA_TMP/level.png" "$OSA_PICTURE_X" "$OSA_PICTURE_Y" "$OSA_BUILD/dat/title.pcx")
[ "$title_left" -gt 20000 ] || osa_fail "the level looks like the title"

sleep 1
osa_key Escape
osa_wait_exit 5
status=$OSA_STATUS
[ "$status" = 0 ] || osa_fail "exit status $status after Escape (stderr: $(tail -n 5 "$OSA_TMP/game.err"))"
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"

[ -s "$OSA_TMP/capture.raw" ] || osa_fail "no sound was captured"
bytes=$(stat -c %s "$OSA_TMP/capture.raw")
loud=$(osa_loud_samples "$OSA_TMP/capture.raw")
osa_say "captured $bytes bytes of sound, $loud samples away from silence"
[ "$loud" -gt 22050 ] || osa_fail "the captured sound is (nearly) silent"
echo "PASS"
