#!/usr/bin/env bash
# In the real window: the HUD's translucent red strip and blue box stand at the screen's top-left
# corner over the level, with white text; then Left, Up and Space held together take Mora onto
# the step of the clothes shop, the shop nearest the start, Up enters it, and once the change
# effect has played she stands there in her new clothes.
# Usage: gameplay_hud_shop.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"

osa_say "drawing the start scene and her looks without a screen"
mkdir -p "$OSA_TMP/refs"
OSA_WINDOW_REFS="$OSA_TMP/refs" OSA_BUILD_DIR="$OSA_BUILD" \
    timeout 120 "$OSA_BUILD/tests/playthrough_test" \
    --gtest_filter='Playthrough.TheHudStandsAtTheCameraCornerOverTheStartScene:Playthrough.TheClothesShopNearestTheStartChangesHerPicture' \
    >"$OSA_TMP/reference.log" 2>&1 ||
    { cat "$OSA_TMP/reference.log" >&2; osa_fail "the reference pictures could not be drawn"; }
scene="$OSA_TMP/refs/scene.pcx"

# The HUD as it must look over that scene: strip and box mixed half and half with it.
convert "$scene" \
    \( -clone 0 -fill '#990000' -colorize 50% -crop 320x11+0+0 +repage \) -geometry +0+0 -composite \
    \( -clone 0 -fill '#1111AA' -colorize 50% -crop 81x30+0+11 +repage \) -geometry +0+11 -composite \
    "$OSA_TMP/expected.png"

osa_start_past_title

# The HUD's text covers well under 1500 pixels; the strip and box some 6000 more.
osa_wait_picture level "$scene" 10 9000 3% ||
    osa_fail "the level at the start did not appear ($OSA_DIFFERING pixels differ from the scene)"
ox=$OSA_PICTURE_X
oy=$OSA_PICTURE_Y
shot="$OSA_TMP/level.png"
osa_say "the game's screen at $ox,$oy on the X screen"

# region_differs SHOT REFERENCE W H X Y: pixels of the W x H region at (X, Y) of the game's screen
# that differ between the screenshot and the reference picture.
region_differs() {
    convert "$2" -crop "$3x$4+$5+$6" +repage "$OSA_TMP/ref-region.png"
    osa_differing "$1" $((ox + $5)) $((oy + $6)) "$OSA_TMP/ref-region.png" 3%
}

# Rows and columns without text: the strip's top rows and the right end of its last row, the
# box's rows between the lines of text; beside and below them the plain scene.
check_region() { # NAME REFERENCE W H X Y
    local d
    d=$(region_differs "$shot" "$2" "$3" "$4" "$5" "$6")
    osa_say "$1: $d of $(($3 * $4)) pixels differ"
    [ "$d" -le 2 ] || osa_fail "$1 is not where it belongs ($d pixels differ)"
}
check_region "strip, rows 0-1" "$OSA_TMP/expected.png" 320 2 0 0
check_region "strip, row 10 at its right end" "$OSA_TMP/expected.png" 20 1 300 10
check_region "box, row 11" "$OSA_TMP/expected.png" 81 1 0 11
check_region "box, row 21" "$OSA_TMP/expected.png" 81 1 0 21
check_region "box, row 31" "$OSA_TMP/expected.png" 81 1 0 31
check_region "scene right of the box" "$scene" 239 1 81 11
check_region "scene below the box" "$scene" 81 1 0 41

bare=$(region_differs "$shot" "$scene" 320 2 0 0)
[ "$bare" -ge 600 ] || osa_fail "the strip's rows look like the bare scene ($bare of 640 pixels differ)"
white=$(convert "$shot" -crop "320x8+$((ox + 2))+$((oy + 2))" +repage -fuzz 1% -fill black +opaque white \
    -fill white -opaque white -format '%[fx:int(mean*w*h+0.5)]' info:)
osa_say "message line: $white white pixels"
[ "$white" -gt 30 ] || osa_fail "no white text on the strip"

osa_say "holding Left, Up and Space for 2.7 s"
timeout 5 xdotool keydown --window "$OSA_WINDOW" Left Up space 2>/dev/null || true
sleep 2.7
timeout 5 xdotool keyup --window "$OSA_WINDOW" Left Up space 2>/dev/null || true
sleep 2.5 # the effect ends and she stands

osa_screenshot "$OSA_TMP/after.png" || osa_fail "no screenshot"
# The camera centres her 32 x 64 frame: on the screen her picture stands at (144, 92).
convert "$OSA_TMP/after.png" -crop "32x64+$((ox + 144))+$((oy + 92))" +repage "$OSA_TMP/her.png"
declare -A off
for l in 0 1 2; do
    convert "$OSA_TMP/refs/look$l.pcx" -transparent '#FF00FF' "$OSA_TMP/look$l.png"
    convert "$OSA_TMP/her.png" "$OSA_TMP/look$l.png" -composite "$OSA_TMP/her-as-$l.png"
    off[$l]=$(compare -metric AE -fuzz 2% "$OSA_TMP/her.png" "$OSA_TMP/her-as-$l.png" null: 2>&1 |
        awk '{ printf "%d\n", $1 }' || true)
done
osa_say "her picture differs from clothes look 0, 1, 2 in ${off[0]}, ${off[1]}, ${off[2]} pixels"
[ "${off[1]}" -ge 30 ] || osa_fail "she still wears her old clothes"
[ "${off[0]}" -le 4 ] || [ "${off[2]}" -le 4 ] || osa_fail "she does not stand there in new clothes"

osa_key Escape
osa_wait_exit 5
[ "$OSA_STATUS" = 0 ] || osa_fail "exit status $OSA_STATUS after Escape"
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"
echo "PASS"
