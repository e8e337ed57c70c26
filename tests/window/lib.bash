# Shared functions for the tests that drive the real game in a window under Xvfb.
# Source it from a tests/window/*.sh script (run by ctest as: bash script <game> <build-dir>):
#
#   source "$(dirname "$0")/lib.bash"
#   osa_setup "$1" "$2"          # scratch dir, Xvfb, stand-in xmessage, quiet sound config
#   osa_start_game "$OSA_BUILD"  # the game in a directory holding dat/; sets OSA_GAME_PID
#   osa_wait_picture title "$OSA_BUILD/dat/title.pcx" 10 || osa_fail "no title"
#   osa_key Return
#   osa_wait_exit 5; [ "$OSA_STATUS" = 0 ] || osa_fail "status $OSA_STATUS"
#
# Every process started here runs under `timeout` and is killed on exit; every wait has a limit.
# Pictures are compared with ImageMagick. Nothing here knows the game's rules.

set -euo pipefail

# The X screen's size; a test may set others before osa_setup.
OSA_SCREEN_W=${OSA_SCREEN_W:-1024}
OSA_SCREEN_H=${OSA_SCREEN_H:-768}
OSA_PIDS=()

# Prints a message on stderr, with the end of what the game printed there, and ends the test
# with a failure.
osa_fail() {
    echo "FAIL: $*" >&2
    if [ -s "${OSA_TMP:-}/game.err" ]; then
        echo "the game's stderr, last lines:" >&2
        tail -n 15 "$OSA_TMP/game.err" >&2
    fi
    exit 1
}

# Prints a progress line on stderr.
osa_say() {
    echo "-- $*" >&2
}

# Kills every process the test started (the game, Xvfb) and removes the scratch directory
# unless OSA_KEEP is set. Installed as the EXIT trap by osa_setup.
osa_cleanup() {
    local pid i
    # Newest first: the game goes before its X server, or it would hang on the lost display.
    for ((i = ${#OSA_PIDS[@]} - 1; i >= 0; i--)); do
        kill "${OSA_PIDS[i]}" 2>/dev/null || true
    done
    for pid in "${OSA_PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    if [ -n "${OSA_TMP:-}" ] && [ -z "${OSA_KEEP:-}" ]; then rm -rf "$OSA_TMP"; fi
}

# osa_setup GAME BUILD_DIR: checks the tools, makes the scratch directory OSA_TMP, starts Xvfb,
# puts the stand-in xmessage first in PATH and gives the game a HOME whose sound settings send
# ALSA nowhere (osa_capture_sound changes that). Sets OSA_GAME (absolute) and OSA_BUILD.
osa_setup() {
    local tool
    for tool in Xvfb xdotool xdpyinfo import convert compare timeout od awk; do
        command -v "$tool" >/dev/null || osa_fail "$tool is not installed (scripts/deps.sh installs it)"
    done
    OSA_GAME=$(readlink -f "$1")
    OSA_BUILD=$(readlink -f "$2")
    [ -x "$OSA_GAME" ] || osa_fail "no game at $1"
    OSA_TMP=$(mktemp -d "${TMPDIR:-/tmp}/osa-window.XXXXXX")
    trap osa_cleanup EXIT
    osa_start_xvfb
    osa_stub_xmessage
    osa_quiet_sound
}

# Starts Xvfb on the first free display from :90 with a 1024x768x24 screen (for at most
# OSA_XVFB_SECONDS, default 600), waits until it answers and exports DISPLAY. The screen's memory is also the file OSA_FB (see osa_fb_pixel).
osa_start_xvfb() {
    local n
    mkdir -p "$OSA_TMP/fb"
    OSA_FB="$OSA_TMP/fb/Xvfb_screen0"
    for n in $(seq 90 199); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        timeout "${OSA_XVFB_SECONDS:-600}" Xvfb ":$n" -screen 0 "${OSA_SCREEN_W}x${OSA_SCREEN_H}x24" -nolisten tcp \
            -fbdir "$OSA_TMP/fb" >"$OSA_TMP/xvfb.log" 2>&1 &
        OSA_PIDS+=($!)
        local tries
        for tries in $(seq 50); do
            if timeout 2 xdpyinfo -display ":$n" >/dev/null 2>&1; then
                export DISPLAY=":$n"
                osa_fb_layout
                return 0
            fi
            kill -0 "${OSA_PIDS[-1]}" 2>/dev/null || break  # lost the race for this display
            sleep 0.1
        done
        kill "${OSA_PIDS[-1]}" 2>/dev/null || true
    done
    osa_fail "could not start Xvfb"
}

# Reads where the pixels start in OSA_FB, an XWD file: a big-endian header (its size at byte 0,
# bits per pixel at 44, bytes per line at 48, colour map entries at 76), 12 bytes per colour
# map entry, then the rows; on the 24-bit screen each pixel is 4 bytes, blue first.
osa_fb_layout() {
    local -a h
    read -r -a h <<<"$(od -An -v -tu1 -N 80 "$OSA_FB" | tr -s ' \n' ' ')"
    local header=$(((h[0] << 24) | (h[1] << 16) | (h[2] << 8) | h[3]))
    local bpp=$(((h[44] << 24) | (h[45] << 16) | (h[46] << 8) | h[47]))
    OSA_FB_PITCH=$(((h[48] << 24) | (h[49] << 16) | (h[50] << 8) | h[51]))
    local colours=$(((h[76] << 24) | (h[77] << 16) | (h[78] << 8) | h[79]))
    OSA_FB_DATA=$((header + 12 * colours))
    [ "$bpp" -eq 32 ] || osa_fail "the Xvfb screen has $bpp bits per pixel, not 32"
}

# osa_fb_row X Y N: N pixels of the screen from (X, Y) rightwards, read straight from the
# screen's memory in one go (a few milliseconds): "R G B" per pixel, all on one line.
osa_fb_row() {
    od -An -v -tu1 -j $((OSA_FB_DATA + $2 * OSA_FB_PITCH + $1 * 4)) -N $(($3 * 4)) "$OSA_FB" |
        awk '{ for (i = 1; i <= NF; i++) v[n++] = $i }
             END { for (i = 0; i < n; i += 4) printf "%d %d %d ", v[i + 2], v[i + 1], v[i]; print "" }'
}

# osa_picture_row REFERENCE Y: row Y of a picture (any file ImageMagick reads) as "R G B" per
# pixel on one line, the form osa_fb_row gives.
osa_picture_row() {
    local w
    w=$(convert "$1" -format '%w' info:)
    convert "$1" -crop "${w}x1+0+$2" +repage -depth 8 rgb:- | od -An -v -tu1 | tr -s ' \n' ' '
    echo
}

# osa_wait_row REFERENCE Y SECONDS [TOLERANCE]: watches the screen's memory until row Y of the
# 320 x 240 REFERENCE shows, every channel of every pixel within TOLERANCE (default 6), with the
# picture at the top-left corner or centred on the screen. Polls a few milliseconds apart; sets
# OSA_SEEN_NS to the start of the poll that saw it and OSA_PICTURE_X, OSA_PICTURE_Y.
# Returns 1 after SECONDS without a match.
osa_wait_row() {
    local want deadline=$(($(date +%s%N) + $3 * 1000000000)) tol=${4:-6} pos now
    want=$(osa_picture_row "$1" "$2")
    local -a places=("0 0" "$(((OSA_SCREEN_W - 320) / 2)) $(((OSA_SCREEN_H - 240) / 2))")
    while :; do
        now=$(date +%s%N)
        for pos in "${places[@]}"; do
            read -r OSA_PICTURE_X OSA_PICTURE_Y <<<"$pos"
            if osa_fb_row "$OSA_PICTURE_X" $((OSA_PICTURE_Y + $2)) 320 |
                awk -v want="$want" -v t="$tol" '{ n = split(want, w, " ");
                    if (NF != n) exit 1;
                    for (i = 1; i <= n; i++) { d = $i - w[i]; if (d > t || d < -t) exit 1 } }'; then
                OSA_SEEN_NS=$now
                return 0
            fi
        done
        [ "$now" -gt "$deadline" ] && return 1
    done
}

# Puts a stand-in xmessage first in PATH: the game's message boxes do not block, and each text
# is appended as one line to OSA_MESSAGES. It exits 101, as xmessage does for its OK button.
osa_stub_xmessage() {
    mkdir -p "$OSA_TMP/bin"
    OSA_MESSAGES="$OSA_TMP/messages.log"
    : >"$OSA_MESSAGES"
    cat >"$OSA_TMP/bin/xmessage" <<EOF
#!/bin/sh
for a; do last="\$a"; done
printf '%s\n' "\$last" >>"$OSA_MESSAGES"
exit 101
EOF
    chmod +x "$OSA_TMP/bin/xmessage"
    export PATH="$OSA_TMP/bin:$PATH"
}

# Gives the game a HOME with no sound card (digital and MIDI off): quick and silent on stderr.
osa_quiet_sound() {
    export HOME="$OSA_TMP/home"
    mkdir -p "$HOME"
    printf '[sound]\ndigi_card = 0\nmidi_card = 0\n' >"$HOME/allegro.cfg"
    rm -f "$HOME/.asoundrc"
}

# osa_capture_sound FILE: the game's ALSA output goes to FILE (raw signed 16-bit stereo
# little-endian at 22050 Hz, silence 0), at about real-time speed.
osa_capture_sound() {
    export HOME="$OSA_TMP/home"
    mkdir -p "$HOME"
    cat >"$HOME/.asoundrc" <<EOF
pcm.!default { type file; slave.pcm "null"; file "$1"; format "raw" }
ctl.!default { type remap; child { type hw; card 0 } }
EOF
    printf '[sound]\nmidi_card = 0\nsound_freq = 22050\nalsa_fragsize = 220\n' >"$HOME/allegro.cfg"
}

# osa_launch DIR GAME [ARG...]: runs GAME (any build or install of the game) with the arguments
# given, in the working directory DIR, for at most OSA_GAME_SECONDS (default 60); its stdout and
# stderr go to OSA_TMP/game.out and game.err. Sets OSA_GAME_PID and OSA_START_NS (the start).
# With OSA_VMEM_KB set, the game may use at most that much address space (ulimit -v).
osa_launch() {
    local dir=$1 game=$2
    shift 2
    OSA_START_NS=$(date +%s%N)
    (cd "$dir" && if [ -n "${OSA_VMEM_KB:-}" ]; then ulimit -v "$OSA_VMEM_KB"; fi &&
        exec timeout -k 5 -s TERM "${OSA_GAME_SECONDS:-60}" "$game" "$@") >"$OSA_TMP/game.out" 2>"$OSA_TMP/game.err" &
    OSA_GAME_PID=$!
    OSA_PIDS+=("$OSA_GAME_PID")
}

# osa_start_game DIR [ARG...]: runs the game in DIR, reading its files from DIR/dat, with the
# arguments given (default: --scale 1, the 320 x 240 picture unscaled, full screen as the
# default mode), as osa_launch does.
osa_start_game() {
    local dir=$1
    shift
    [ $# -gt 0 ] || set -- --scale 1
    ONE_STEP_AHEAD_DATA="$dir" osa_launch "$dir" "$OSA_GAME" "$@"
}

# osa_start_game_with_pad DIR [ARG...]: as osa_start_game, with the stand-in pad preloaded
# (build/tests/fake_pad.so): /dev/input/js0 is the FIFO OSA_PAD_FIFO while it exists. The pad is
# plugged in and out with osa_plug_pad and osa_unplug_pad, before or while the game runs.
osa_start_game_with_pad() {
    local pad="$OSA_BUILD/tests/fake_pad.so"
    [ -f "$pad" ] || osa_fail "no stand-in pad at $pad"
    OSA_PAD_FIFO="$OSA_TMP/pad"
    # A sanitizer's runtime would want to be loaded first; the stand-in has none of its own.
    OSA_FAKE_PAD="$OSA_PAD_FIFO" LD_PRELOAD="$pad" \
        ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0" osa_start_game "$@"
}

# osa_plug_pad: plugs the stand-in pad in: makes its FIFO and keeps a writer on it
# (OSA_PAD_FD), opened for reading and writing, which never waits for the game to open it.
osa_plug_pad() {
    mkfifo "$OSA_PAD_FIFO"
    exec {OSA_PAD_FD}<>"$OSA_PAD_FIFO"
}

# osa_pad_event TYPE NUMBER VALUE: sends one joystick event to the plugged-in pad: TYPE 1 a
# button (VALUE 1 pressed, 0 released), 2 an axis (VALUE -32767 .. 32767). The record is
# struct js_event { u32 time; s16 value; u8 type; u8 number; }, little-endian.
osa_pad_event() {
    local v=$(($3 & 0xffff))
    # shellcheck disable=SC2059 # the escapes are made to be read as the format
    printf "$(printf '\\x00\\x00\\x00\\x00\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $((v >> 8)) "$1" "$2")" >&"$OSA_PAD_FD"
}

# osa_pad_button N [HOLD_SECONDS]: presses button N of the pad and releases it after HOLD_SECONDS
# (default 0.1).
osa_pad_button() {
    osa_pad_event 1 "$1" 1
    sleep "${2:-0.1}"
    osa_pad_event 1 "$1" 0
}

# osa_unplug_pad: pulls the stand-in pad out: removes its FIFO (the game's next read fails as an
# unplugged device's does), then closes the writer.
osa_unplug_pad() {
    rm -f "$OSA_PAD_FIFO"
    exec {OSA_PAD_FD}>&-
}

# osa_wait_exit SECONDS: waits for the game to end and sets OSA_STATUS to its exit status, or
# to "timeout" (and kills it) when it is still running after SECONDS. Call it directly, not in
# $(...): only this shell can collect the game's status.
osa_wait_exit() {
    local deadline=$(($(date +%s%N) + $1 * 1000000000))
    while kill -0 "$OSA_GAME_PID" 2>/dev/null; do
        if [ "$(date +%s%N)" -gt "$deadline" ]; then
            kill "$OSA_GAME_PID" 2>/dev/null || true
            OSA_STATUS=timeout
            return 0
        fi
        sleep 0.05
    done
    OSA_STATUS=0
    wait "$OSA_GAME_PID" || OSA_STATUS=$?
}

# osa_game_cpu_ms: the processor time the game has used so far (all its threads), in ms, at
# the kernel's clock tick resolution (usually 10 ms); "?" when it cannot be read.
osa_game_cpu_ms() {
    local game st
    # The game is the only child of the timeout that runs it.
    read -r game _ <"/proc/$OSA_GAME_PID/task/$OSA_GAME_PID/children" 2>/dev/null || true
    if [ -n "${game:-}" ] && read -r -a st <"/proc/$game/stat" 2>/dev/null; then
        echo $(((st[13] + st[14]) * 1000 / $(getconf CLK_TCK)))
    else
        echo "?"
    fi
}

# osa_game_running: true while the game's process lives.
osa_game_running() {
    kill -0 "$OSA_GAME_PID" 2>/dev/null
}

# osa_window NAME: prints the id of a window whose title is NAME, waiting up to 10 s.
osa_window() {
    timeout 10 xdotool search --sync --name "^$1\$" 2>/dev/null | head -n 1
}

# osa_key KEY [HOLD_SECONDS]: presses KEY (an X key name: Return, Escape, space, Right) and
# holds it (default 0.1 s, long enough for a 10 ms keyboard poll). Sent to the game's window
# when OSA_WINDOW is set, else to whatever has the focus (a full-screen game grabs the keyboard).
osa_key() {
    local hold=${2:-0.1} target=()
    [ -n "${OSA_WINDOW:-}" ] && target=(--window "$OSA_WINDOW")
    timeout 5 xdotool keydown "${target[@]}" "$1" 2>/dev/null || true
    sleep "$hold"
    timeout 5 xdotool keyup "${target[@]}" "$1" 2>/dev/null || true
}

# osa_screenshot FILE: the whole screen as a PNG.
osa_screenshot() {
    timeout 10 import -window root "$1"
}

# osa_differing SHOT X Y REFERENCE [FUZZ]: the number of pixels of REFERENCE (any picture
# ImageMagick reads) that differ from the same-sized region of SHOT at (X, Y) by more than FUZZ
# (default 2%) in some channel.
osa_differing() {
    local ref_size
    ref_size=$(convert "$4" -format '%wx%h' info:)
    convert "$1" -crop "${ref_size}+$2+$3" +repage "$OSA_TMP/region.png"
    # compare prints the count on stderr and exits 1 when the pictures differ.
    compare -metric AE -fuzz "${5:-2%}" "$OSA_TMP/region.png" "$4" null: 2>&1 | awk '{ printf "%d\n", $1 }' || true
}

# osa_find_picture SHOT REFERENCE [FUZZ]: where the game's 320 x 240 picture lies on the screen
# and how well it matches: prints "X Y DIFFERING" for the better of the two places the game can
# be, a window at the top-left corner or full screen centred on the larger X screen.
osa_find_picture() {
    local best="" x y d
    for pos in "0 0" "$(((OSA_SCREEN_W - 320) / 2)) $(((OSA_SCREEN_H - 240) / 2))"; do
        read -r x y <<<"$pos"
        d=$(osa_differing "$1" "$x" "$y" "$2" "${3:-2%}")
        if [ -z "$best" ] || [ "$d" -lt "${best##* }" ]; then best="$x $y $d"; fi
    done
    echo "$best"
}

# osa_wait_picture NAME REFERENCE SECONDS [MAX_DIFFERING] [FUZZ]: takes screenshots until one
# shows REFERENCE (at most MAX_DIFFERING pixels off, default 0) or SECONDS pass. Keeps the last
# one as OSA_TMP/NAME.png; sets OSA_PICTURE_X, OSA_PICTURE_Y, OSA_DIFFERING and OSA_SEEN_NS
# (when the screenshot that matched was started). Fails (returns 1) on a timeout.
osa_wait_picture() {
    local deadline=$(($(date +%s%N) + $3 * 1000000000)) found
    while :; do
        OSA_SEEN_NS=$(date +%s%N)
        if osa_screenshot "$OSA_TMP/$1.png" 2>/dev/null; then
            found=$(osa_find_picture "$OSA_TMP/$1.png" "$2" "${5:-2%}")
            read -r OSA_PICTURE_X OSA_PICTURE_Y OSA_DIFFERING <<<"$found"
            [ "$OSA_DIFFERING" -le "${4:-0}" ] && return 0
        fi
        [ "$(date +%s%N)" -gt "$deadline" ] && return 1
        sleep 0.05
    done
}

# osa_menu_shown NAME: true when the picture OSA_TMP/NAME.png (as osa_shot takes it) shows a menu:
# the outline of its panel, which always crosses the picture's middle row, at column 40.
osa_menu_shown() {
    [ "$(convert "$OSA_TMP/$1.png" -format '%[pixel:p{40,120}]' info:)" = "srgb(42,26,46)" ]
}

# osa_districts_shown SHOT [X Y SCALE]: true when the screenshot SHOT shows the district screen,
# the game's picture at (X, Y) (default OSA_PICTURE_X, OSA_PICTURE_Y) SCALE times its size
# (default 1): its panel's dark frame and lit edge at the picture's left, halfway down.
osa_districts_shown() {
    local x=${2:-$OSA_PICTURE_X} y=${3:-$OSA_PICTURE_Y} s=${4:-1}
    [ "$(convert "$1" -format "%[pixel:p{$((x + 8 * s)),$((y + 120 * s))}]" info:)" = "srgb(42,26,46)" ] &&
        [ "$(convert "$1" -format "%[pixel:p{$((x + 9 * s)),$((y + 120 * s))}]" info:)" = "srgb(138,118,184)" ]
}

# osa_wait_districts [X Y SCALE]: waits (10 s at most) for the district screen, which follows the
# title; fails the test otherwise. The last screenshot is OSA_TMP/districts.png.
osa_wait_districts() {
    local deadline=$(($(date +%s) + 10))
    until osa_screenshot "$OSA_TMP/districts.png" 2>/dev/null && osa_districts_shown "$OSA_TMP/districts.png" "$@"; do
        [ "$(date +%s)" -lt "$deadline" ] || osa_fail "the district screen did not appear after the title"
        sleep 0.1
    done
}

# osa_wait_for SECONDS COMMAND...: runs COMMAND every 0.2 s until it succeeds; fails (returns 1)
# after SECONDS.
osa_wait_for() {
    local deadline=$(($(date +%s) + $1))
    shift
    until "$@"; do
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

# osa_start_to_districts: starts the game in the build tree at scale 1, ends its title with
# Return and waits for the district screen.
osa_start_to_districts() {
    osa_start_game "$OSA_BUILD"
    osa_wait_title
    sleep 0.3 # the keyboard is installed before the title, but let the key wait begin
    osa_key Return
    osa_wait_districts
}

# osa_choose_district [X Y SCALE]: waits for the district screen and presses Return (the district
# it chose when it opened: the one played last, at first the town) until it is gone.
osa_choose_district() {
    local attempt
    osa_wait_districts "$@"
    for attempt in 1 2 3; do
        sleep 0.2
        osa_key Return
        sleep 0.5
        osa_screenshot "$OSA_TMP/districts.png" 2>/dev/null && osa_districts_shown "$OSA_TMP/districts.png" "$@" ||
            return 0
    done
    osa_fail "the district screen did not take its key"
}

# osa_shot NAME: the game's 320 x 240 picture, where OSA_PICTURE_X and OSA_PICTURE_Y found it,
# from a new screenshot, as OSA_TMP/NAME.png.
osa_shot() {
    osa_screenshot "$OSA_TMP/$1-screen.png"
    convert "$OSA_TMP/$1-screen.png" -crop "320x240+$OSA_PICTURE_X+$OSA_PICTURE_Y" +repage "$OSA_TMP/$1.png"
}

# osa_find_in PICTURE X Y W H TEMPLATE X Y W H: where the template region of one picture best
# matches inside the search region of another (both OSA_TMP/NAME.png); prints "DX DY SCORE"
# (offset inside the search region, normalised root mean square error 0..1).
osa_find_in() {
    convert "$OSA_TMP/$1.png" -crop "${4}x${5}+$2+$3" +repage "$OSA_TMP/search.png"
    convert "$OSA_TMP/$6.png" -crop "${9}x${10}+$7+$8" +repage "$OSA_TMP/template.png"
    compare -metric RMSE -dissimilarity-threshold 1 -subimage-search \
        "$OSA_TMP/search.png" "$OSA_TMP/template.png" null: 2>&1 |
        awk '{ gsub(/[(),@]/, " "); print $3, $4, $2 }' || true
}

# osa_loud_samples FILE [THRESHOLD]: how many 16-bit samples of a raw signed capture lie more
# than THRESHOLD (default 256) away from silence (0).
osa_loud_samples() {
    od -An -v -td2 -w32 "$1" | awk -v t="${2:-256}" '
        { for (i = 1; i <= NF; i++) { d = $i; if (d > t || d < -t) n++ } }
        END { print n + 0 }'
}

# osa_wait_title: finds the game's window (OSA_WINDOW) and waits for the whole title picture
# (which sets OSA_PICTURE_X and OSA_PICTURE_Y). Fails the test otherwise.
osa_wait_title() {
    OSA_WINDOW=$(osa_window "One Step Ahead") || true
    [ -n "$OSA_WINDOW" ] || osa_fail "no window titled One Step Ahead"
    osa_wait_picture title "$OSA_BUILD/dat/title.pcx" 10 0 ||
        osa_fail "the title did not appear ($OSA_DIFFERING pixels differ)"
}

# osa_start_past_title: starts the game in the build tree, waits for its title (osa_wait_title),
# presses Return to end it and chooses the district the district screen offers (the town).
osa_start_past_title() {
    osa_say "starting the game"
    osa_start_game "$OSA_BUILD"
    osa_wait_title
    sleep 0.3 # the keyboard is installed before the title, but let the key wait begin
    osa_key Return
    osa_choose_district
}

# osa_start_full_screen SCALE [ARG...]: the measuring scripts' start: the game in the build tree,
# full screen (with the arguments given); waits for its title at SCALE, centred, presses Return
# until the title has gone (it takes its key once faded in) and chooses the district the district
# screen offers. Sets OSA_X and OSA_Y, where the picture lies on the screen.
osa_start_full_screen() {
    local scale=$1 attempt
    shift
    osa_start_game "$OSA_BUILD" --fullscreen "$@"
    OSA_X=$(((OSA_SCREEN_W - 320 * scale) / 2))
    OSA_Y=$(((OSA_SCREEN_H - 240 * scale) / 2))
    osa_wait_scaled title "$OSA_BUILD/dat/title.pcx" 30 0 "$OSA_X" "$OSA_Y" "$scale" ||
        osa_fail "no title at scale $scale at $OSA_X,$OSA_Y"
    for attempt in 1 2 3 4 5; do
        sleep 0.5
        osa_key Return
        sleep 1
        osa_wait_scaled gone "$OSA_BUILD/dat/title.pcx" 0 0 "$OSA_X" "$OSA_Y" "$scale" || {
            osa_choose_district "$OSA_X" "$OSA_Y" "$scale"
            return 0
        }
    done
    osa_fail "the title did not end"
}

# osa_play_full_screen SCALE: osa_start_full_screen at the scale the game chooses, its sound into
# OSA_TMP/capture.raw at about real time.
osa_play_full_screen() {
    osa_capture_sound "$OSA_TMP/capture.raw"
    osa_start_full_screen "$1"
}

# osa_copy_dat: makes OSA_TMP/run a fresh working directory holding a copy of the built dat/,
# for a run with files taken away or replaced.
osa_copy_dat() {
    rm -rf "$OSA_TMP/run"
    mkdir -p "$OSA_TMP/run"
    cp -r "$OSA_BUILD/dat" "$OSA_TMP/run/dat"
}

# osa_expect_stop LABEL MESSAGE: runs the game in OSA_TMP/run and fails the test unless it stops
# by itself within 10 s with a failing status (not a signal) and MESSAGE as its only message box.
osa_expect_stop() {
    local label=$1 want=$2
    : >"$OSA_MESSAGES"
    osa_start_game "$OSA_TMP/run"
    osa_wait_exit 10
    local status=$OSA_STATUS
    [ "$status" != timeout ] || osa_fail "$label the game did not stop"
    [ "$status" -ne 0 ] && [ "$status" -lt 124 ] || osa_fail "$label: exit status $status"
    [ "$(cat "$OSA_MESSAGES")" = "$want" ] || osa_fail "$label the messages were: $(cat "$OSA_MESSAGES")"
    osa_say "$label: \"$want\", status $status"
}

# osa_scaled_picture SHOT X Y SCALE OUT: the game's picture shown SCALE times its size with its
# top-left corner at (X, Y) of SHOT, one pixel a block, written to OUT (320 x 240). Prints how
# many pixels of the region differ from that picture scaled back up: 0 when every block is one
# colour, as nearest-neighbour scaling makes it.
osa_scaled_picture() {
    local w=$((320 * $4)) h=$((240 * $4))
    convert "$1" -crop "${w}x${h}+$2+$3" +repage "$OSA_TMP/scaled-region.png"
    convert "$OSA_TMP/scaled-region.png" -sample 320x240 "$5"
    convert "$5" -sample "${w}x${h}" "$OSA_TMP/rescaled.png"
    compare -metric AE "$OSA_TMP/scaled-region.png" "$OSA_TMP/rescaled.png" null: 2>&1 |
        awk '{ printf "%d\n", $1 }' || true
}

# osa_wait_scaled NAME REFERENCE SECONDS MAX_DIFFERING X Y SCALE: takes screenshots until the
# picture at (X, Y) shown SCALE times its size is made of whole blocks and, one pixel a block,
# shows REFERENCE with at most MAX_DIFFERING pixels off (2% fuzz). Keeps the last screenshot as
# OSA_TMP/NAME.png and the picture as OSA_TMP/NAME-1x.png; sets OSA_DIFFERING and OSA_BLOCKY
# (the pixels off their block). Fails (returns 1) on a timeout.
osa_wait_scaled() {
    local deadline=$(($(date +%s%N) + $3 * 1000000000))
    OSA_BLOCKY=?
    OSA_DIFFERING=?
    while :; do
        if osa_screenshot "$OSA_TMP/$1.png" 2>/dev/null; then
            OSA_BLOCKY=$(osa_scaled_picture "$OSA_TMP/$1.png" "$5" "$6" "$7" "$OSA_TMP/$1-1x.png")
            OSA_DIFFERING=$(osa_differing "$OSA_TMP/$1-1x.png" 0 0 "$2")
            [ "$OSA_BLOCKY" -eq 0 ] && [ "$OSA_DIFFERING" -le "$4" ] && return 0
        fi
        [ "$(date +%s%N)" -gt "$deadline" ] && return 1
        sleep 0.1
    done
}

# osa_start_reference OUT: the start scene as the game draws it without a screen (320 x 240).
osa_start_reference() {
    OSA_START_FRAME_OUT="$1" OSA_BUILD_DIR="$OSA_BUILD" \
        timeout 60 "$OSA_BUILD/tests/shell_test" --gtest_filter='Game.TheStartFrameShowsTheLevelAtMora' \
        >"$OSA_TMP/reference.log" 2>&1 ||
        { cat "$OSA_TMP/reference.log" >&2; osa_fail "the start frame could not be drawn"; }
}
