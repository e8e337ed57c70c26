#!/usr/bin/env bash
# Prints how fast the real game answers a jump: from Space pressed (through XTest) to the jump's
# sound at the sound server, and to the changed picture on the screen; median and 90th
# percentile over PRESSES presses at random moments (default 30), at 320 x 240 (full screen,
# scale 1) and at 1920 x 1080 (full screen, scale 4). The sound goes through ALSA's pulse plugin
# to a private PulseAudio server with a null sink (paced by a real-time clock) whose monitor is
# recorded; the picture is read from Xvfb's frame buffer file. The music is off for the
# measurement, so that the jump is the only sound.
# Needs: pulseaudio, libasound2-plugins, libpulse-dev, libxtst-dev, libx11-dev (and what the
# window tests need).
# Usage: bash scripts/latency.sh [BUILD_DIR [PRESSES]]   (default: build)
set -euo pipefail
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

# measure WIDTH HEIGHT SCALE: one run on a fresh X screen and a fresh sound server, in a
# subshell so that the window tests' helpers clean up when it ends.
measure() (
    OSA_SCREEN_W=$1
    OSA_SCREEN_H=$2
    OSA_GAME_SECONDS=$((presses * 3 + 90))
    OSA_XVFB_SECONDS=$OSA_GAME_SECONDS
    source "$lib"
    osa_setup "$build/one-step-ahead" "$build"
    local scale=$3 pulse="$OSA_TMP/pulse"
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
    mkdir -p "$HOME/.config/one-step-ahead"
    printf '[sound]\nmusic = 0\n' >"$HOME/.config/one-step-ahead/settings.cfg"
    osa_start_game "$OSA_BUILD" --fullscreen --scale "$scale"
    local x=$(((OSA_SCREEN_W - 320 * scale) / 2)) y=$(((OSA_SCREEN_H - 240 * scale) / 2))
    osa_wait_scaled title "$OSA_BUILD/dat/title.pcx" 30 0 "$x" "$y" "$scale" ||
        osa_fail "no title at scale $scale at $x,$y"
    for _ in 1 2 3 4 5; do
        sleep 0.5
        osa_key Return
        sleep 1
        osa_wait_scaled gone "$OSA_BUILD/dat/title.pcx" 0 0 "$x" "$y" "$scale" || break
    done
    sleep 1
    # The picture below the HUD (its top 42 rows change with the clock).
    local hud=$((42 * scale))
    "$probe_dir/latency_probe" "$OSA_FB" osa.monitor "$x" $((y + hud)) $((320 * scale)) \
        $((240 * scale - hud)) "$presses" >"$OSA_TMP/times"
    osa_game_running || osa_fail "the game ended during the measurement"
    osa_key Escape
    osa_wait_exit 5
    local label="$1 x $2 (scale $scale)"
    cut -d' ' -f1 "$OSA_TMP/times" | stats "$label, Space -> jump sound"
    cut -d' ' -f2 "$OSA_TMP/times" | stats "$label, Space -> picture"
)

echo "the game in $build, $presses presses at each size" >&2
measure 320 240 1
measure 1920 1080 4
