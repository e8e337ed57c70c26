#!/usr/bin/env bash
# Prints how evenly the real game paces its frames: the interval between frames shown over 10 s
# of walking (the picture changes every frame), its median, its 1st and 99th percentiles, under
# Xvfb with the sound on, at 320 x 240 (scale 1) and at 1920 x 1080 (scale 4). The game writes
# the time of every frame it shows to ONE_STEP_AHEAD_FRAME_LOG.
# Usage: bash scripts/frame-pacing.sh [BUILD_DIR]   (default: build)
set -euo pipefail
build=$(readlink -f "${1:-build}")
lib="$(dirname "$(readlink -f "$0")")/../tests/window/lib.bash"
[ -x "$build/one-step-ahead" ] || { echo "no game at $build/one-step-ahead: build it first" >&2; exit 1; }

# measure WIDTH HEIGHT SCALE: one run on a fresh X screen (in a subshell: the window tests'
# helpers clean up after it).
measure() (
    OSA_SCREEN_W=$1
    OSA_SCREEN_H=$2
    source "$lib"
    osa_setup "$build/one-step-ahead" "$build"
    export ONE_STEP_AHEAD_FRAME_LOG="$OSA_TMP/frames.txt"
    osa_play_full_screen "$3"
    sleep 0.5
    osa_key Right 2.5
    osa_key Left 2.5
    osa_key Right 2.5
    osa_key Left 2.5
    osa_key Escape
    osa_wait_exit 5
    [ -s "$ONE_STEP_AHEAD_FRAME_LOG" ] || osa_fail "the game wrote no frame log"
    # The intervals between the frames shown while she walked (the last 9.5 s), sorted.
    sort -n "$ONE_STEP_AHEAD_FRAME_LOG" |
        awk '{ t[n++] = $1 } END { for (i = 1; i < n; i++) if (t[i - 1] >= t[n - 1] - 9500) print t[i] - t[i - 1] }' |
        sort -n | awk -v w="$1" -v h="$2" -v k="$3" '
        { d[m++] = $1; sum += $1 }
        END {
            printf "%s x %s (scale %s): %d frames in %.1f s, interval median %.2f ms, 1st percentile %.2f ms, 99th percentile %.2f ms\n",
                   w, h, k, m, sum / 1000, d[int(m / 2)], d[int(m * 0.01)], d[int(m * 0.99)]
        }'

)

echo "the game in $build, frames shown while walking" >&2
measure 320 240 1
measure 1920 1080 4
