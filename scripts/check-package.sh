#!/usr/bin/env bash
# Installs the game from the build tree (build/, or $1) into a temporary prefix and checks what a
# desktop reads there: the desktop entry, the AppStream metainfo, the MIME types and the manual
# pages. Then builds the Debian package with CPack, checks its files, Depends and version, the
# hardening of both programs, and runs lintian on it: an error, a warning of the validators, a
# program without a protection, or any hardening tag fails. Needs what scripts/deps.sh --all
# installs.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
id=org.onestepahead.OneStepAhead

cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

echo "== install to a temporary prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
expected="bin/one-step-ahead bin/one-step-ahead-level
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml share/mime/packages/$id.xml
  share/icons/hicolor/48x48/apps/$id.png share/icons/hicolor/256x256/apps/$id.png
  share/man/man6/one-step-ahead.6.gz share/man/man6/one-step-ahead-level.6.gz
  share/doc/one-step-ahead/copyright
  share/locale/de/LC_MESSAGES/one-step-ahead.mo share/locale/ru/LC_MESSAGES/one-step-ahead.mo
  share/one-step-ahead/dat/level.dat share/one-step-ahead/dat/title.pcx
  share/one-step-ahead/dat/districts/town/district.cfg share/one-step-ahead/dat/districts/town/level.dat
  share/one-step-ahead/dat/districts/night-market/tiles.pcx share/one-step-ahead/dat/districts/night-market/preview.png"
for f in $expected; do
  [ -f "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
[ ! -e "$prefix/share/one-step-ahead/dat/.stamp" ] || { echo "dat/.stamp was installed"; exit 1; }

echo "== desktop-file-validate"
out=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) || { echo "$out"; exit 1; }
[ -z "$out" ] || { echo "$out"; exit 1; }
echo "== appstreamcli validate --no-net"
metainfo="$prefix/share/metainfo/$id.metainfo.xml"
# No error and no warning; infos and pedantic hints are shown (Debian's appstream may be older
# than a tag that newer validators want).
out=$(appstreamcli validate --no-net --explain "$metainfo" 2>&1) || { echo "$out"; exit 1; }
echo "$out"
! grep -q '^[EW]: ' <<<"$out" || { echo "appstreamcli reports errors or warnings"; exit 1; }

# Each screenshot it names under the homepage is one of dist/screenshots/, at 1280 x 960.
shots=$(grep -o '<image[^>]*>https://onestepahead.org/screenshots/[^<]*' "$metainfo" | sed 's|.*/||')
[ "$(wc -w <<<"$shots")" -ge 5 ] || { echo "the metainfo names fewer than five screenshots"; exit 1; }
for shot in $shots; do
    size=$(identify -format '%wx%h' "dist/screenshots/$shot" 2>/dev/null) || size=missing
    [ "$size" = 1280x960 ] || { echo "dist/screenshots/$shot: $size, not 1280x960"; exit 1; }
done

# The languages the store page names are the catalogues the game ships.
named=$(grep -o '<lang percentage="100">[^<]*' "$metainfo" | sed 's/.*>//' | sort | tr '\n' ' ')
shipped=$(sort po/LINGUAS | tr '\n' ' ')
[ "$named" = "$shipped" ] || { echo "the metainfo names the languages $named, po/LINGUAS $shipped"; exit 1; }

echo "== the MIME types"
mime="$prefix/share/mime/packages/$id.xml"
xmllint --noout "$mime"
# Debian ships no schema for these files: the database is built from this one alone, which must
# go without a word, and every type must come out with its patterns and its magic.
share=$(mktemp -d)
database="$share/mime"
mkdir -p "$database/packages"
cp "$mime" "$database/packages/"
out=$(XDG_DATA_DIRS="$share" update-mime-database "$database" 2>&1)
[ -z "$out" ] || { echo "$out"; exit 1; }
types=$(xmllint --xpath '//*[local-name()="mime-type"]/@type' "$mime" | sed 's/ type="\([^"]*\)"/\1\n/g' | sed '/^$/d')
desktop_types=$(sed -n 's/^MimeType=//p' "$prefix/share/applications/$id.desktop" | tr ';' '\n' | sed '/^$/d' | sort)
for type in $types; do
    [ -f "$database/$type.xml" ] || { echo "$type did not come out of the database"; exit 1; }
    for pattern in $(xmllint --xpath "//*[@type=\"$type\"]/*[local-name()=\"glob\"]/@pattern" "$mime" |
                     sed 's/ pattern="\([^"]*\)"/\1 /g'); do
        grep -qxF "50:$type:$pattern" "$database/globs2" || { echo "$type: no pattern $pattern"; exit 1; }
    done
    # A type that has magic in the file must have it in the database too.
    if xmllint --xpath "//*[@type=\"$type\"]/*[local-name()=\"magic\"]" "$mime" >/dev/null 2>&1; then
        grep -qaF "[50:$type]" "$database/magic" || { echo "$type: no magic"; exit 1; }
    fi
    grep -qxF "$type" <<<"$desktop_types" || { echo "the desktop entry does not open $type"; exit 1; }
    grep -qF "<mediatype>$type</mediatype>" "$metainfo" || { echo "the metainfo does not name $type"; exit 1; }
    echo "$type: $(grep "^50:$type:" "$database/globs2" | cut -d: -f3 | tr '\n' ' ')"
done
rm -rf "$share"
[ "$(sort <<<"$types")" = "$desktop_types" ] || { echo "the desktop entry opens types the game does not install"; exit 1; }
grep -q '^Exec=.* %f$' "$prefix/share/applications/$id.desktop" || { echo "the desktop entry is not given the file"; exit 1; }

echo "== man -l"
for page in one-step-ahead one-step-ahead-level; do
    warnings=$(man --warnings -l "$prefix/share/man/man6/$page.6.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || { echo "$page.6: $warnings"; exit 1; }
done

echo "== cpack -G DEB"
rm -f "$build"/one-step-ahead_*.deb
(cd "$build" && umask 022 && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/one-step-ahead_*.deb)
echo "$deb"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in liballegro4 libopenmpt; do
  [[ $depends == *"$lib"* ]] || { echo "Depends lacks $lib"; exit 1; }
done
# The package holds what the install holds, the executables in /usr/games as Debian keeps games.
diff <(cd "$prefix" && find . -type f | sed 's|^\./bin/|./games/|' | sort) \
     <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./usr/|./|' | sort)
# The version CMake gives the package is the one the program, both changelogs, the metainfo's
# newest release and both manual pages name, and they give it the same day.
version=$(dpkg-deb -f "$deb" Version)
echo "Version: $version"
[ "$("$prefix/bin/one-step-ahead" --version)" = "One Step Ahead $version" ] || { echo "--version is not $version"; exit 1; }
[[ $deb == */one-step-ahead_${version}_*.deb ]] || { echo "the package's name is not at $version"; exit 1; }
changelog=$(zcat "$prefix/share/doc/one-step-ahead/changelog.gz")
[[ ${changelog%%$'\n'*} == "one-step-ahead ($version) "* ]] || { echo "changelog is not at $version"; exit 1; }
day=$(date -u -d "$(sed -n 's/^ -- .*>  //p' <<<"$changelog" | head -n 1)" +%F)
release=$(grep -m 1 '<release ' "$metainfo")
[[ $release == *"version=\"$version\" date=\"$day\""* ]] || { echo "the metainfo's newest release is not $version of $day: $release"; exit 1; }
grep -qx "## \[$version\] - $day" <(grep -m 1 '^## ' CHANGELOG.md) || { echo "CHANGELOG.md does not begin with $version of $day"; exit 1; }
for page in one-step-ahead one-step-ahead-level; do
    zcat "$prefix/share/man/man6/$page.6.gz" | grep -q "^\.TH [-A-Z]* 6 $day \"One Step Ahead $version\"" ||
        { echo "$page.6 is not at $version of $day"; exit 1; }
done

echo "== hardening-check"
unpacked=$(mktemp -d)
dpkg-deb -x "$deb" "$unpacked"
for program in one-step-ahead one-step-ahead-level; do
    # "unknown" is its word where a program needs no stack-clash probe; "no" is a protection missing.
    out=$(hardening-check "$unpacked/usr/games/$program" 2>&1) || true
    echo "$out"
    ! grep -q ': no' <<<"$out" || { rm -rf "$unpacked"; echo "$program lacks a protection"; exit 1; }
done
rm -rf "$unpacked"
echo "== lintian"
status=0
report=$(lintian --fail-on error --display-info "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$report" || true
[ "$status" -eq 0 ] || { echo "lintian reports errors"; exit 1; }
! grep -q '^[EWIPX]: .* hardening-' <<<"$report" || { echo "lintian finds the programs unhardened"; exit 1; }
echo "package check passed"
