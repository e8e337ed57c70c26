#!/usr/bin/env bash
# Sharing a district, as two players would: the maker's district, made by the level tool from a
# map outside the source tree, with a best run of its first mission (recorded on that map by the
# asset generator's route search), is shared from the district screen (the maker's name typed
# once) into the Documents folder. On another data folder the game opens that file on a screen of
# its own; Enter adds it, --list-districts lists it, and it plays, the maker's run racing beside
# a Mora who stands still.
# Usage: share_district.sh <one-step-ahead> <build-dir>
source "$(dirname "$0")/lib.bash"
osa_setup "$1" "$2"
maker_data="$OSA_TMP/maker-data" maker_config="$OSA_TMP/maker-config"
friend_data="$OSA_TMP/friend-data" friend_config="$OSA_TMP/friend-config"
centre_x=$(((OSA_SCREEN_W - 320) / 2)) centre_y=$(((OSA_SCREEN_H - 240) / 2))

# differing A B: the pixels of the scene below the HUD that differ between two shots.
scene_differing() {
    convert "$OSA_TMP/$1.png" -crop "320x199+0+41" +repage "$OSA_TMP/da.png"
    convert "$OSA_TMP/$2.png" -crop "320x199+0+41" +repage "$OSA_TMP/db.png"
    compare -metric AE -fuzz 2% "$OSA_TMP/da.png" "$OSA_TMP/db.png" null: 2>&1 | awk '{ printf "%d\n", $1 }' || true
}

osa_say "the maker's district and best run"
mkdir -p "$OSA_TMP/maps" "$HOME/Documents" "$maker_config"
# The town's map with a crate more on the flat ground right of the start.
awk '!/^;/ && n++ == 16 { $0 = substr($0, 1, 34) "c" substr($0, 36) } { print }' \
    "$(dirname "$0")/../../levels/town.map" >"$OSA_TMP/maps/street.map"
district="$maker_data/one-step-ahead/districts/my-street"
ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 60 "$OSA_BUILD/one-step-ahead-level" "$OSA_TMP/maps/street.map" \
    --district "$district" --name "My Street" >"$OSA_TMP/level-tool.log" 2>&1 ||
    { cat "$OSA_TMP/level-tool.log" >&2; osa_fail "the level tool did not make the district"; }
timeout 60 "$OSA_BUILD/make-assets" "$OSA_TMP/made" "$OSA_TMP/maps/street.map" >"$OSA_TMP/made.log" 2>&1 ||
    { cat "$OSA_TMP/made.log" >&2; osa_fail "no run of the map's first mission"; }
cp "$OSA_TMP/made/demo.replay" "$maker_data/one-step-ahead/ghost-my-street.replay"
printf 'XDG_DOCUMENTS_DIR="$HOME/Documents"\n' >"$maker_config/user-dirs.dirs"
export XDG_DATA_HOME="$maker_data" XDG_CONFIG_HOME="$maker_config"
row=$(ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 20 "$OSA_GAME" --list-districts | grep -n '^my-street' | cut -d: -f1)
[ -n "$row" ] || osa_fail "the maker's district is not listed"

osa_say "Share on the district screen"
osa_start_to_districts
for _ in $(seq 2 "$row"); do osa_key Down; sleep 0.1; done
osa_key Right
sleep 0.1
osa_key Right  # Play, Edit, Share
sleep 0.2
osa_key Return
sleep 0.5
timeout 10 xdotool type --window "$OSA_WINDOW" --delay 60 "Mora's maker" 2>/dev/null || true
sleep 0.3
osa_key Return
file="$HOME/Documents/my-street.osadistrict"
osa_wait_for 15 test -s "$file" || osa_fail "no district file in the Documents folder"
grep -qF "maker = Mora's maker" "$maker_config/one-step-ahead/settings.cfg" ||
    osa_fail "the maker's name is not kept in the settings"
osa_say "shared as $file ($(wc -c <"$file") bytes)"
sleep 0.3
osa_key Return  # the line that says where
sleep 0.3
osa_key Left
sleep 0.1
osa_key Left
sleep 0.1
osa_key Return  # play it, then Escape ends the game
sleep 1.5
osa_key Escape
osa_wait_exit 10
[ "$OSA_STATUS" = 0 ] || osa_fail "the maker's game ended with $OSA_STATUS"

osa_say "the file opened on another data folder, and added"
mkdir -p "$friend_config/one-step-ahead"
printf '[play]\nghost = 0\n' >"$friend_config/one-step-ahead/settings.cfg"
export XDG_DATA_HOME="$friend_data" XDG_CONFIG_HOME="$friend_config"
osa_start_game "$OSA_BUILD" --scale 1 "$file"
OSA_WINDOW=$(osa_window "One Step Ahead") || true
[ -n "$OSA_WINDOW" ] || osa_fail "no window titled One Step Ahead"
OSA_PICTURE_X=$centre_x OSA_PICTURE_Y=$centre_y
asked() { osa_screenshot "$OSA_TMP/asked.png" 2>/dev/null && osa_districts_shown "$OSA_TMP/asked.png"; }
osa_wait_for 20 asked || osa_fail "the question to add it did not appear"
osa_key Return
added="$friend_data/one-step-ahead/districts/my-street"
osa_wait_for 10 test -s "$added/maker.replay" || osa_fail "the district and its maker's run were not added"
grep -qF "maker = Mora's maker" "$added/district.cfg" || osa_fail "the maker's name did not come with it"
ONE_STEP_AHEAD_DATA="$OSA_BUILD" timeout 20 "$OSA_GAME" --list-districts >"$OSA_TMP/list.txt"
grep -qP '^my-street\tMy Street\tunlocked\t' "$OSA_TMP/list.txt" || osa_fail "not listed: $(cat "$OSA_TMP/list.txt")"

osa_say "played without a ghost, then with the maker's run"
osa_choose_district  # the district screen has it chosen
sleep 1.5
osa_shot alone
osa_key Escape
osa_wait_exit 10
[ "$OSA_STATUS" = 0 ] || osa_fail "the game ended with $OSA_STATUS"
printf '[play]\nghost = 1\n' >"$friend_config/one-step-ahead/settings.cfg"
osa_start_past_title  # the district played last is chosen
most=0
for n in $(seq 12); do
    osa_shot "with$n"
    d=$(scene_differing alone "with$n")
    [ "$d" -gt "$most" ] && most=$d
    sleep 0.2
done
osa_say "beside the standing Mora, up to $most pixels differ from the scene without a ghost"
[ "$most" -ge 200 ] || osa_fail "no ghost ran ($most pixels)"
osa_key Escape
osa_wait_exit 10
[ "$OSA_STATUS" = 0 ] || osa_fail "the game ended with $OSA_STATUS"
if grep -q "ghost\|maker.replay" "$OSA_TMP/game.err"; then osa_fail "said: $(cat "$OSA_TMP/game.err")"; fi
[ ! -s "$OSA_MESSAGES" ] || osa_fail "unexpected message: $(cat "$OSA_MESSAGES")"
echo "PASS"
