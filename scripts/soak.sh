#!/usr/bin/env bash
# Soak run (by hand, not in CI): plays the real game under Xvfb for a while with random keys
# (walking, jumping, entering shops) and samples its resident memory every 10 s. Prints each
# sample and the growth, from the first sample and from the one a minute in, to the last.
# Usage: scripts/soak.sh [BUILD_DIR] [SECONDS]      defaults: build, 600
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(readlink -f "${1:-$root/build}")
seconds=${2:-600}
interval=10
export OSA_XVFB_SECONDS=$((seconds + 120)) OSA_GAME_SECONDS=$((seconds + 60))
source "$root/tests/window/lib.bash"
osa_setup "$build/one-step-ahead" "$build"
osa_capture_sound /dev/null  # music and samples play into nothing, at about real time
osa_start_past_title

# The game itself is the child of the timeout that osa_start_game runs it under.
game=$(ps -o pid= --ppid "$OSA_GAME_PID" | tr -d ' ' | head -n 1)
[ -n "$game" ] || osa_fail "no game process under $OSA_GAME_PID"
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$game/status"; }

keys=(Left Right space Up Left Right)
samples=()
start=$(date +%s)
next=$start
echo "seconds  rss_kB"
while :; do
    now=$(date +%s)
    if ! osa_game_running; then
        osa_wait_exit 1
        echo "the game's stderr, last lines:" >&2
        tail -n 20 "$OSA_TMP/game.err" >&2 || true
        osa_fail "the game stopped after $((now - start)) s with status $OSA_STATUS"
    fi
    if [ "$now" -ge "$next" ]; then
        samples+=("$(rss_kb)")
        printf '%7d  %s\n' $((now - start)) "${samples[-1]}"
        next=$((next + interval))
        [ $((now - start)) -ge "$seconds" ] && break
    fi
    # A random key held 0.05 to 1.2 s, now and then two at once (a jump while walking).
    key=${keys[RANDOM % ${#keys[@]}]}
    if [ $((RANDOM % 4)) -eq 0 ]; then
        timeout 5 xdotool keydown --window "$OSA_WINDOW" space 2>/dev/null || true
        osa_key "$key" "0.$((RANDOM % 9 + 1))"
        timeout 5 xdotool keyup --window "$OSA_WINDOW" space 2>/dev/null || true
    else
        osa_key "$key" "$((RANDOM % 2)).$((RANDOM % 10))5"
    fi
done

osa_key Escape
osa_wait_exit 10
first=${samples[0]} last=${samples[-1]}
at=$((60 / interval < ${#samples[@]} ? 60 / interval : 0))
settled=${samples[$at]}
echo "samples: ${#samples[@]}, every ${interval} s"
echo "growth: $((last - first)) kB from the first sample ($first kB) to the last ($last kB)"
echo "growth: $((last - settled)) kB from the sample at $((at * interval)) s ($settled kB) to the last"
echo "exit status after Escape: $OSA_STATUS"
