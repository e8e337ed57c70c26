#!/usr/bin/env bash
# Prints the share of one processor core the real game uses over 10 s of play after the title,
# under Xvfb: at 320 x 240 (a screen of that size, full screen, scale 1) and at 1920 x 1080 (full
# screen, scale 4). Usage: bash scripts/cpu-share.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build=$(readlink -f "${1:-build}")
game="$build/one-step-ahead"
[ -x "$game" ] || { echo "no game at $game: build it first" >&2; exit 1; }
tmp=$(mktemp -d)
pids=()
cleanup() {
    local p
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    rm -rf "$tmp"
}
trap cleanup EXIT
export HOME="$tmp/home"
mkdir -p "$HOME"
printf '[sound]\ndigi_card = 0\nmidi_card = 0\n' >"$HOME/allegro.cfg"
hz=$(getconf CLK_TCK)

# cpu_ticks PID: user plus system time of the process so far, in clock ticks.
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

measure() { # WIDTH HEIGHT
    local n=$((60 + RANDOM % 30)) pid a b
    while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "$1x$2x24" -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    export DISPLAY=":$n"
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    ONE_STEP_AHEAD_DATA="$build" timeout 60 "$game" >/dev/null 2>&1 &
    pids+=($!)
    sleep 3
    xdotool key Return
    sleep 2
    pid=$(pgrep -n -x one-step-ahead)
    a=$(cpu_ticks "$pid")
    sleep 10
    b=$(cpu_ticks "$pid")
    xdotool key Escape
    sleep 1
    awk -v t=$((b - a)) -v hz="$hz" -v w="$1" -v h="$2" \
        'BEGIN { printf "%s x %s: %.1f%% of one core over 10 s of play\n", w, h, 100 * t / hz / 10 }'
}

measure 320 240
measure 1920 1080
