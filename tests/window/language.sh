#!/usr/bin/env bash
# The game in German and in Russian on a machine whose only locale is C.UTF-8, chosen as
# `[display] language = de` (ru) in settings.cfg: the title's hints, the district screen, the HUD
# and the pause menu on the screen are the pictures the game draws headless in that language from
# its catalogue (tests/shell_test.cpp's window_references). In Russian also: the title's demo,
# recorded in English, plays on with the HUD in Russian and ends back on the title, and the demo
# verifies with --verify in a Russian environment.
#
# NEEDS THE TRANSLATIONS: each place must also differ from the same place drawn in English, which
# it does only once po/de.po and po/ru.po translate its words (and, for the district screen, once
# its texts are marked). Until then the test fails at its end naming each place still English,
# after checking everything else.
# Usage: language.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
export LANG=C.UTF-8
unset LC_ALL LC_MESSAGES LANGUAGE
locale -a 2>/dev/null | grep -qvi '^\(c\|c\.utf-\?8\|posix\)$' && osa_say "note: this machine has more locales than C.UTF-8"
settings="$HOME/.config/one-step-ahead/settings.cfg"
english=()  # the places a language still shows in English

# references LANG: the headless pictures in LANG, in OSA_TMP/refs-LANG.
references() {
    mkdir -p "$OSA_TMP/refs-$1"
    OSA_LANGUAGE=$1 OSA_LANGUAGE_REFS="$OSA_TMP/refs-$1" OSA_START_FRAME_OUT="$OSA_TMP/refs-$1/start.pcx" \
        OSA_BUILD_DIR="$OSA_BUILD" timeout 60 "$OSA_BUILD/tests/shell_test" \
        --gtest_filter='Game.TheStartFrameShowsTheLevelAtMora' >"$OSA_TMP/refs-$1.log" 2>&1 ||
        { cat "$OSA_TMP/refs-$1.log" >&2; osa_fail "the $1 pictures could not be drawn"; }
}

# without_preview PICTURE OUT: the district screen with the chosen district's preview box blacked
# out (the game shows its preview.png there, the headless picture none).
without_preview() {
    convert "$1" -fill black -draw "rectangle 165,29 302,94" "$2"
}

# same PICTURE REFERENCE MAX: true when at most MAX pixels differ (2% fuzz).
same() {
    [ "$(osa_differing "$1" 0 0 "$2")" -le "$3" ]
}

# translated LANG PLACE PICTURE: notes PLACE as still English when LANG's picture of it is
# the English one.
translated() {
    local lang=$1 place=$2 picture=$3
    if same "$OSA_TMP/refs-$lang/$picture" "$OSA_TMP/refs-en/$picture" 0; then
        english+=("$lang: $place")
    fi
}

references en
for lang in de ru; do
    osa_say "== $lang"
    references "$lang"
    refs="$OSA_TMP/refs-$lang"
    translated "$lang" "the title's hints" title.pcx
    translated "$lang" "the HUD" start.pcx
    translated "$lang" "the pause menu" pause.pcx
    without_preview "$refs/districts.pcx" "$refs/districts-np.png"
    without_preview "$OSA_TMP/refs-en/districts.pcx" "$OSA_TMP/refs-en/districts-np.png"
    translated "$lang" "the district screen" districts-np.png

    mkdir -p "$(dirname "$settings")"
    printf '[display]\nlanguage = %s\n' "$lang" >"$settings"
    osa_start_game "$OSA_BUILD"
    OSA_WINDOW=$(osa_window "One Step Ahead") || true
    [ -n "$OSA_WINDOW" ] || osa_fail "no window titled One Step Ahead"
    osa_wait_picture "title-$lang" "$refs/title.pcx" 10 0 ||
        osa_fail "$lang: the title is not the $lang one ($OSA_DIFFERING pixels differ)"
    sleep 0.3
    osa_key Return
    osa_wait_districts
    osa_shot "districts-$lang"
    without_preview "$OSA_TMP/districts-$lang.png" "$OSA_TMP/districts-$lang-np.png"
    same "$OSA_TMP/districts-$lang-np.png" "$refs/districts-np.png" 0 ||
        osa_fail "$lang: the district screen is not the $lang one"
    osa_choose_district
    # The clock may read a second or two less than in the headless frame: its digits only.
    osa_wait_picture "level-$lang" "$refs/start.pcx" 10 500 ||
        osa_fail "$lang: the HUD is not the $lang one ($OSA_DIFFERING pixels differ)"
    osa_key p
    sleep 0.5
    osa_shot "pause-$lang"
    read -r px py pw ph <"$refs/pause.txt"
    convert "$refs/pause.pcx" -crop "${pw}x${ph}+$px+$py" +repage "$OSA_TMP/panel-$lang.png"
    [ "$(osa_differing "$OSA_TMP/pause-$lang.png" "$px" "$py" "$OSA_TMP/panel-$lang.png")" -eq 0 ] ||
        osa_fail "$lang: the pause menu is not the $lang one"
    osa_say "$lang: the title, the district screen, the HUD and the pause menu are as the catalogue draws them"
    osa_key Escape
    sleep 0.3
    osa_key Escape
    osa_wait_exit 5
    [ "$OSA_STATUS" = 0 ] || osa_fail "$lang: exit status $OSA_STATUS after Escape"
done

osa_say "== the demo, recorded in English, in Russian"
line=$(LANGUAGE=ru ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 60 "$OSA_GAME" --verify "$OSA_BUILD/dat/demo.replay")
[[ $line == *": ok, "* ]] || osa_fail "the demo does not verify in a Russian environment: $line"
# The title waits 15 s, then its demo plays: its first mission's line shows as the headless
# frame's (the strip's white letters on rows 2 to 10), and after the demo the title comes back.
OSA_GAME_SECONDS=120 osa_start_game "$OSA_BUILD"
osa_wait_picture title-demo "$OSA_TMP/refs-ru/title.pcx" 10 0 || osa_fail "no Russian title"
convert "$OSA_TMP/refs-ru/start.pcx" -crop 320x9+0+2 +repage -fill black +opaque white "$OSA_TMP/line-ru.png"
shown=""
for _ in $(seq 100); do
    osa_shot demo
    convert "$OSA_TMP/demo.png" -crop 320x9+0+2 +repage -fill black +opaque white "$OSA_TMP/line-demo.png"
    if same "$OSA_TMP/line-demo.png" "$OSA_TMP/line-ru.png" 0 &&
        ! same "$OSA_TMP/demo.png" "$OSA_TMP/refs-ru/title.pcx" 1000; then
        shown=yes
        break
    fi
    sleep 0.3
done
[ -n "$shown" ] || osa_fail "the title's demo did not show the Russian mission line"
osa_say "the demo plays with the Russian mission line"
osa_wait_picture title-again "$OSA_TMP/refs-ru/title.pcx" 60 0 || osa_fail "the demo did not end back on the title"
osa_say "the demo ended on the title"

if [ ${#english[@]} -gt 0 ]; then
    printf '  %s\n' "${english[@]}" >&2
    osa_fail "these places are still English: the catalogues need their translations"
fi
echo "PASS"
