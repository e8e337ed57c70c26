#!/usr/bin/env bash
# The five pictures of the game's store page, taken from the real game full screen on a
# 1280 x 960 Xvfb at scale 4, into dist/screenshots/ (or OUT_DIR):
#   title.png      the title
#   districts.png  the district screen, with a few districts played and one still locked
#   play.png       the title's demo watched to its end with the timer on, racing the test
#                  playthrough's run as its ghost
#   editor.png     the editor on a player's copy of the harbour, its proof on the status line
#   options.png    the options, opened over the town's first frame
# Every picture is taken once the screen has stood still, from a home of its own with settings
# and progress written here, so the same build gives the same pictures, byte for byte.
# Needs a build with the tests (the ghost is the playthrough's replay, which the playthrough
# test writes) and what scripts/deps.sh --all installs.
# Usage: bash scripts/screenshots.sh [BUILD_DIR [OUT_DIR]]
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
build=$(readlink -f "${1:-$here/../build}")
out=$(readlink -m "${2:-$here/../dist/screenshots}")
OSA_SCREEN_W=1280
OSA_SCREEN_H=960
scale=4
OSA_GAME_SECONDS=120
# shellcheck source=../tests/window/lib.bash
source "$here/../tests/window/lib.bash"
osa_setup "$build/one-step-ahead" "$build"
mkdir -p "$out"

ghost="$build/tests/playthrough.replay"
if [ ! -s "$ghost" ]; then
    echo "== the playthrough's replay, the ghost"
    (cd "$build" && timeout 300 tests/playthrough_test --gtest_filter='Playthrough.TheFirstMissionsAreFulfilledInTime' >/dev/null)
fi

# The player's files: full screen at scale 4, the timer with the mission's time, the ghost on; the
# town, the harbour and the autumn park played, the harbour last; a copy of the harbour of their
# own to edit.
config="$HOME/.config/one-step-ahead"
data="$HOME/.local/share/one-step-ahead"
mkdir -p "$config" "$data/districts"
printf '[display]\nfullscreen = 1\nscale = %d\n[play]\ntimer = 2\nghost = 1\n' "$scale" >"$config/settings.cfg"
cat >"$data/progress.cfg" <<EOF
[progress]
version = 1
last = harbour
[town]
best_level = 6
best_score = 112
[harbour]
best_level = 3
best_score = 47
[autumn-park]
best_level = 1
best_score = 12
EOF
mine="$data/districts/my-harbour"
timeout 120 "$build/one-step-ahead-level" "$here/../levels/harbour.map" --district "$mine" --name "My Harbour" \
    --data "$build" >/dev/null
cp "$build/dat/districts/harbour/tiles.pcx" "$build/dat/districts/harbour/back.pcx" "$mine/"

# capture NAME: waits (30 s at most) until the screen has stood still for half a second while the
# game runs, and writes it as OUT_DIR/NAME.png without a date or any other text in the file.
capture() {
    local deadline=$(($(date +%s) + 30))
    cp "$OSA_FB" "$OSA_TMP/before.xwd"
    while :; do
        sleep 0.5
        cp "$OSA_FB" "$OSA_TMP/after.xwd"
        if cmp -s "$OSA_TMP/before.xwd" "$OSA_TMP/after.xwd" && osa_game_running; then
            convert "xwd:$OSA_TMP/after.xwd" -strip -define png:exclude-chunk=date,time "PNG24:$out/$1.png"
            echo "$out/$1.png"
            return 0
        fi
        [ "$(date +%s)" -lt "$deadline" ] || osa_fail "the screen did not stand still for $1"
        mv "$OSA_TMP/after.xwd" "$OSA_TMP/before.xwd"
    done
}

# until_shown SECONDS TEST: takes screenshots until TEST SHOT succeeds for one of them; fails
# (returns 1) after SECONDS.
until_shown() {
    local deadline=$(($(date +%s) + $1))
    until osa_screenshot "$OSA_TMP/shot.png" 2>/dev/null && "$2" "$OSA_TMP/shot.png"; do
        [ "$(date +%s)" -lt "$deadline" ] || return 1
        sleep 0.2
    done
}

districts_shown() { osa_districts_shown "$1" 0 0 "$scale"; }

# A menu's panel: its outline crosses the picture's middle row at column 40.
menu_shown() {
    [ "$(convert "$1" -format "%[pixel:p{$((40 * scale)),$((120 * scale))}]" info:)" = "srgb(42,26,46)" ]
}

# The editor's status line, at the picture's foot, in the colour of a playable map's proof.
proof_shown() {
    convert "$1" -crop "$((320 * scale))x$((22 * scale))+0+$((218 * scale))" +repage -format '%c' histogram:info: |
        grep -q '#80FF80'
}

# scaled_row Y: row Y of the game's picture as the screen shows it at the scale (every scale-th
# pixel of screen row Y * scale), "R G B" per pixel as osa_picture_row gives it.
scaled_row() {
    od -An -v -tu1 -j $((OSA_FB_DATA + $1 * scale * OSA_FB_PITCH)) -N $((320 * scale * 4)) "$OSA_FB" |
        awk -v step=$((4 * scale)) '{ for (i = 1; i <= NF; i++) v[n++] = $i }
             END { for (i = 0; i < n; i += step) printf "%d %d %d ", v[i + 2], v[i + 1], v[i]; print "" }'
}
# The HUD's line of the mission's clock, through its digits.
clock_row=16
# wait_clock_row = | != ROW SECONDS: watches the clock's line until it is (or is no longer) ROW,
# every 20 ms; fails (returns 1) after SECONDS.
wait_clock_row() {
    local deadline=$(($(date +%s%N) + $3 * 1000000000)) now
    while :; do
        now=$(scaled_row "$clock_row")
        # shellcheck disable=SC2086 # the words of both, compared without their spacing
        [ "$(echo $now)" "$1" "$(echo $2)" ] && return 0
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.02
    done
}

# Ends the game that runs (the title and the district screen only hand Escape to each other).
stop_game() {
    kill "$OSA_GAME_PID" 2>/dev/null || true
    osa_wait_exit 10
}

echo "== the title and the district screen"
osa_start_game "$OSA_BUILD" --fullscreen
osa_wait_scaled title "$OSA_BUILD/dat/title.pcx" 30 0 0 0 "$scale" || osa_fail "no title at scale $scale"
capture title
osa_key Return
until_shown 10 districts_shown || osa_fail "no district screen"
capture districts
stop_game

echo "== a watched run with the timer and a ghost"
osa_start_game "$OSA_BUILD" --fullscreen --replay dat/demo.replay --ghost "$ghost"
ticks=$("$OSA_GAME" --data "$OSA_BUILD" --verify "$OSA_BUILD/dat/demo.replay" | sed -n 's/.*: ok, \([0-9]*\) ticks.*/\1/p')
[ -n "$ticks" ] || osa_fail "the demo does not verify"
# The run changes the picture with every frame (the timer); it stands still on its last frame.
sleep $((ticks / 120 - 3))
capture play
osa_wait_exit 10

echo "== the editor and its proof"
osa_start_game "$OSA_BUILD" --fullscreen --edit my-harbour
until_shown 60 proof_shown || osa_fail "the editor showed no proof"
capture editor
osa_key Escape
osa_wait_exit 10

echo "== the options over the town's start"
# The picture in play stands still while Mora does (the timer off) but for the mission's clock:
# the pause is taken in the clock's second second, seen as the first change after the start
# frame with the whole allowance, which the shell's test draws.
printf '[display]\nfullscreen = 1\nscale = %d\n[play]\ntimer = 0\nghost = 1\n' "$scale" >"$config/settings.cfg"
osa_start_reference "$OSA_TMP/start.pcx"
start_row=$(osa_picture_row "$OSA_TMP/start.pcx" "$clock_row")
for attempt in 1 2 3 4 5; do
    osa_start_game "$OSA_BUILD" --fullscreen --district town
    if wait_clock_row = "$start_row" 20 && wait_clock_row != "$start_row" 2; then
        osa_key p
        break
    fi
    osa_say "the start frame was missed (attempt $attempt)"
    stop_game
done
until_shown 10 menu_shown || osa_fail "no pause menu"
# Options is the pause menu's third entry (Resume, Restart, Options).
osa_key Down
osa_key Down
osa_key Return
# The timer's setting at its fullest, then the first entry chosen again.
for key in Down Down Down Down Down Down Right Right Up Up Up Up Up Up; do osa_key "$key" 0.05; done
capture options
osa_key Escape
osa_key Escape
osa_key Escape
osa_wait_exit 10
echo "screenshots written to $out"
