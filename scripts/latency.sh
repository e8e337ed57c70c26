#!/usr/bin/env bash
# Prints how fast the real game answers a jump: from Space pressed (through XTest) to the jump's
# sound at the sound server, and to the changed picture on the screen; median and 90th
# percentile over PRESSES presses at random moments (default 30), at 320 x 240 (full screen,
# scale 1) and at 1920 x 1080 (full screen, scale 4). The sound goes through ALSA's pulse plugin
# to a private PulseAudio server with a null sink (paced by a real-time clock) whose monitor is
# recorded; the picture is read from Xvfb's frame buffer file. The music is off for the
# measurement, so that the jump is the only sound. Then, at 320 x 240, how fast the music answers
# its volume: in the options, Right raises it from 0 to 1 (and Left takes it back after each
# answer); from the press to the music heard.
# With --gaps it measures instead whether the sound keeps up on a busy machine: 60 s of walking
# and jumping with the music on while two other processes keep both cores busy; it prints the
# gaps heard at the server (runs of digital silence) and the underruns the game's output counted.
# Needs: pulseaudio, libasound2-plugins, libpulse-dev, libxtst-dev, libx11-dev (and what the
# window tests need).
# OSA_LATENCY_MS=N sets the game's [sound] latency_ms for the run.
# Usage: bash scripts/latency.sh [--gaps] [BUILD_DIR [PRESSES]]   (default: build)
set -euo pipefail
gaps=false
if [ "${1:-}" = --gaps ]; then
    gaps=true
    shift
fi
build=$(readlink -f "${1:-build}")
presses=${2:-30}
here="$(dirname "$(readlink -f "$0")")"
lib="$here/../tests/window/lib.bash"
[ -x "$build/one-step-ahead" ] || { echo "no game at $build/one-step-ahead: build it first" >&2; exit 1; }
for tool in pulseaudio g++ pkg-config; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (see the header of $0)" >&2; exit 1; }
done
[ -e /usr/lib/x86_64-linux-gnu/alsa-lib/libasound_module_pcm_pulse.so ] ||
    [ -n "$(find /usr/lib -name libasound_module_pcm_pulse.so 2>/dev/null | head -n 1)" ] ||
    { echo "ALSA's pulse plugin is missing: apt-get install libasound2-plugins" >&2; exit 1; }

probe_dir=$(mktemp -d)
trap 'rm -rf "$probe_dir"' EXIT
echo "== building the probe" >&2
# shellcheck disable=SC2046 # pkg-config's words are separate arguments
g++ -std=c++17 -O2 -o "$probe_dir/latency_probe" "$here/latency_probe.cpp" \
    $(pkg-config --cflags --libs libpulse-simple x11 xtst) -pthread

# stats LABEL: the median and the 90th percentile of the numbers on stdin (-1: none came).
stats() {
    sort -n | awk -v label="$1" '
        $1 >= 0 { v[n++] = $1 } $1 < 0 { lost++ }
        END { if (n == 0) { printf "%s: nothing measured\n", label; exit }
              printf "%s: median %.1f ms, 90th percentile %.1f ms (%d presses%s)\n", label,
                     v[int((n - 1) / 2)], v[int(0.9 * (n - 1) + 0.5)], n,
                     lost ? ", " lost " without an answer" : "" }'
}

# start_sound_server MUSIC [VOLUME]: a private PulseAudio server with the null sink "osa", for the
# game (through ALSA's pulse plugin, in the HOME the window tests' helpers made) and the probe;
# the game's music on (1) or off (0), at VOLUME (0 to 10) when given.
start_sound_server() {
    local pulse="$OSA_TMP/pulse"
    mkdir -p "$pulse"
    cat >"$pulse/server.pa" <<EOF
load-module module-null-sink sink_name=osa rate=44100
load-module module-native-protocol-unix socket=$pulse/native auth-anonymous=1
set-default-sink osa
EOF
    PULSE_RUNTIME_PATH="$pulse" PULSE_STATE_PATH="$pulse" timeout "$OSA_GAME_SECONDS" \
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
        --system=no -F "$pulse/server.pa" >"$pulse/log" 2>&1 &
    OSA_PIDS+=($!)
    export PULSE_SERVER="unix:$pulse/native"
    for _ in $(seq 50); do [ -S "$pulse/native" ] && break; sleep 0.1; done
    [ -S "$pulse/native" ] || osa_fail "the sound server did not start: $(cat "$pulse/log")"
    printf 'pcm.!default { type pulse }\nctl.!default { type pulse }\n' >"$HOME/.asoundrc"
    printf '[sound]\nmidi_card = 0\n' >"$HOME/allegro.cfg"
    # The game's settings: the music on or off ($1), the sound's buffer if OSA_LATENCY_MS asks.
    mkdir -p "$HOME/.config/one-step-ahead"
    printf '[sound]\nmusic = %s\n' "$1" >"$HOME/.config/one-step-ahead/settings.cfg"
    if [ -n "${2:-}" ]; then
        printf 'music_volume = %s\n' "$2" >>"$HOME/.config/one-step-ahead/settings.cfg"
    fi
    if [ -n "${OSA_LATENCY_MS:-}" ]; then
        printf 'latency_ms = %s\n' "$OSA_LATENCY_MS" >>"$HOME/.config/one-step-ahead/settings.cfg"
    fi
}

# start_past_title SCALE: the game full screen at SCALE, past its title and the district screen
# (the town); sets X and Y, where the picture lies.
start_past_title() {
    osa_start_full_screen "$1" --scale "$1"
    X=$OSA_X
    Y=$OSA_Y
    sleep 1
}

# measure WIDTH HEIGHT SCALE: one run on a fresh X screen and a fresh sound server, in a
# subshell so that the window tests' helpers clean up when it ends.
measure() (
    OSA_SCREEN_W=$1
    OSA_SCREEN_H=$2
    OSA_GAME_SECONDS=$((presses * 3 + 90))
    OSA_XVFB_SECONDS=$OSA_GAME_SECONDS
    source "$lib"
    osa_setup "$build/one-step-ahead" "$build"
    start_sound_server 0
    local scale=$3
    start_past_title "$scale"
    # The picture below the HUD (its top 42 rows change with the clock).
    local hud=$((42 * scale))
    "$probe_dir/latency_probe" "$OSA_FB" osa.monitor "$X" $((Y + hud)) $((320 * scale)) \
        $((240 * scale - hud)) "$presses" >"$OSA_TMP/times"
    osa_game_running || osa_fail "the game ended during the measurement"
    osa_key Escape
    osa_wait_exit 5
    local label="$1 x $2 (scale $scale)"
    cut -d' ' -f1 "$OSA_TMP/times" | stats "$label, Space -> jump sound"
    cut -d' ' -f2 "$OSA_TMP/times" | stats "$label, Space -> picture"
)

# measure_music: the music's answer to its volume, in the options at 320 x 240 with the music at
# 0: Right raises it to 1, the probe times the music's first loud frame, then presses Left.
measure_music() (
    OSA_SCREEN_W=320
    OSA_SCREEN_H=240
    OSA_GAME_SECONDS=$((presses * 3 + 90))
    OSA_XVFB_SECONDS=$OSA_GAME_SECONDS
    source "$lib"
    osa_setup "$build/one-step-ahead" "$build"
    start_sound_server 1 0
    start_past_title 1
    # The pause menu, Options, down to Music.
    local k
    for k in p Down Return Down Down; do
        osa_key "$k"
        sleep 0.2
    done
    "$probe_dir/latency_probe" "$OSA_FB" osa.monitor "$X" "$Y" 320 240 "$presses" Right Left >"$OSA_TMP/times"
    osa_game_running || osa_fail "the game ended during the measurement"
    osa_key Escape
    osa_key Escape
    osa_key Escape
    osa_wait_exit 5
    cut -d' ' -f1 "$OSA_TMP/times" | stats "320 x 240 (scale 1), Right in the options -> music at volume 1 heard"
)

# measure_gaps SECONDS: the music and the steps for SECONDS of play, with two busy loops keeping
# both cores busy.
measure_gaps() (
    OSA_SCREEN_W=320
    OSA_SCREEN_H=240
    OSA_GAME_SECONDS=$(($1 + 90))
    OSA_XVFB_SECONDS=$OSA_GAME_SECONDS
    source "$lib"
    osa_setup "$build/one-step-ahead" "$build"
    start_sound_server 1
    export ONE_STEP_AHEAD_SOUND_STATS=1
    start_past_title 1
    for _ in 1 2; do
        timeout $(($1 + 30)) sh -c 'while :; do :; done' &
        OSA_PIDS+=($!)
    done
    "$probe_dir/latency_probe" --gaps osa.monitor "$1" >"$OSA_TMP/gaps" &
    local recorder=$!
    local end=$(($(date +%s) + $1))
    while [ "$(date +%s)" -lt "$end" ]; do
        osa_key Right 1.5
        osa_key space 0.1
        osa_key Left 1.5
    done
    wait "$recorder" || osa_fail "the recording failed"
    osa_game_running || osa_fail "the game ended during the measurement"
    osa_key Escape
    osa_wait_exit 5
    local n longest
    read -r n longest <"$OSA_TMP/gaps"
    echo "$1 s of music and steps with both cores busy: $n gaps heard at the sound server (longest $longest ms)"
    grep '^sound output' "$OSA_TMP/game.err" || echo "(no count from the game: its own output was not open)"
)

if $gaps; then
    echo "the game in $build, 60 s of play on a busy machine" >&2
    measure_gaps 60
else
    echo "the game in $build, $presses presses at each size" >&2
    measure 320 240 1
    measure 1920 1080 4
    measure_music
fi
