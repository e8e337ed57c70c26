#!/usr/bin/env bash
# Prints the share of one processor core the real game uses (all its threads, the music's too)
# over 10 s of play after the title, under Xvfb with the sound on, played into a capture file at
# about real-time speed: at 320 x 240 (a screen of that size, full screen, scale 1) and at
# 1920 x 1080 (full screen, scale 4); each with Mora standing where the title left her, and
# walking (Right and Left held in turn, the picture scrolling all the time). RUNS measurements of
# each (default 1), and then the medians.
# Usage: bash scripts/cpu-share.sh [BUILD_DIR [RUNS]]   (default: build)
set -euo pipefail
build=$(readlink -f "${1:-build}")
runs=${2:-1}
lib="$(dirname "$(readlink -f "$0")")/../tests/window/lib.bash"
[ -x "$build/one-step-ahead" ] || { echo "no game at $build/one-step-ahead: build it first" >&2; exit 1; }
play_seconds=10

# server_cpu_ms: the processor time Xvfb has used so far, in ms; it is the only child of the
# timeout that the window tests' helpers start it under, the first process they start.
server_cpu_ms() {
    local xvfb st
    read -r xvfb _ <"/proc/${OSA_PIDS[0]}/task/${OSA_PIDS[0]}/children" || true
    read -r -a st <"/proc/$xvfb/stat"
    echo $(((st[13] + st[14]) * 1000 / $(getconf CLK_TCK)))
}

# measure WIDTH HEIGHT SCALE standing|walking: one run on a fresh X screen, in a subshell so that
# the window tests' helpers clean up (the game, Xvfb, the scratch directory) when it ends.
measure() (
    OSA_SCREEN_W=$1
    OSA_SCREEN_H=$2
    source "$lib"
    osa_setup "$build/one-step-ahead" "$build"
    # The game's own choices for a first start: full screen, the largest scale that fits.
    osa_play_full_screen "$3"
    sleep 1
    local cpu0 cpu1 sound0 sound1 x0 x1
    cpu0=$(osa_game_cpu_ms)
    x0=$(server_cpu_ms)
    sound0=$(stat -c %s "$OSA_TMP/capture.raw")
    if [ "$4" = walking ]; then
        for _ in 1 2; do
            osa_key Right 2.5
            osa_key Left 2.5
        done
    else
        sleep "$play_seconds"
    fi
    cpu1=$(osa_game_cpu_ms)
    x1=$(server_cpu_ms)
    sound1=$(stat -c %s "$OSA_TMP/capture.raw")
    osa_game_running || osa_fail "the game ended during the measurement"
    osa_key Escape
    osa_wait_exit 5
    # The capture is 22050 Hz stereo, 2 bytes a sample: 88200 bytes a second of sound.
    awk -v c=$((cpu1 - cpu0)) -v x=$((x1 - x0)) -v s=$((sound1 - sound0)) -v t="$play_seconds" \
        -v w="$1" -v h="$2" -v k="$3" -v m="$4" \
        'BEGIN { printf "%s x %s (scale %s) %s: %.1f%% of one core over %d s of play (the X server %.1f%%; %.1f s of sound played)\n",
                 w, h, k, m, c / 10 / t, t, x / 10 / t, s / 88200 }'
)

echo "the game in $build, sound on, $runs run(s) at each size" >&2
results=$(mktemp)
trap 'rm -f "$results"' EXIT
for _ in $(seq "$runs"); do
    for play in standing walking; do
        measure 320 240 1 "$play" | tee -a "$results"
        measure 1920 1080 4 "$play" | tee -a "$results"
    done
done
# With several runs, the median share of each kind (the lines start "W x H (scale N) PLAY: P%").
if [ "$runs" -gt 1 ]; then
    awk '{ size = $1 " x " $3 " " $4 " " $5 " " $6; p = $7 + 0
           if (!(size in n)) order[++k] = size
           # Insertion into the sorted list of this size.
           for (i = ++n[size]; i > 1 && v[size, i - 1] > p; i--) v[size, i] = v[size, i - 1]
           v[size, i] = p }
         END { for (j = 1; j <= k; j++) { s = order[j]; c = n[s]
                   m = c % 2 ? v[s, (c + 1) / 2] : (v[s, c / 2] + v[s, c / 2 + 1]) / 2
                   printf "%s median %.1f%% of one core over %d runs\n", s, m, c } }' "$results"
fi
