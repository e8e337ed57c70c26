#!/usr/bin/env bash
# Installs the game from the build tree (build/, or $1) into a temporary prefix and checks what a
# desktop reads there: the desktop entry, the AppStream metainfo and the manual page. Then builds
# the Debian package with CPack, checks its files and Depends, and runs lintian on it: any error
# fails. Needs what scripts/deps.sh installs.
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
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml"
echo "== update-mime-database: the district file's type"
cp -r "$prefix/share/mime" "$prefix/mime-check"
update-mime-database "$prefix/mime-check" >/dev/null 2>&1
[ -f "$prefix/mime-check/application/x-one-step-ahead-district.xml" ] || { echo "the district file's type is not registered"; exit 1; }
rm -rf "$prefix/mime-check"
echo "== man -l"
warnings=$(man --warnings -l "$prefix/share/man/man6/one-step-ahead.6.gz" 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "$warnings"; exit 1; }

echo "== cpack -G DEB"
rm -f "$build"/one-step-ahead_*.deb
(cd "$build" && cpack -G DEB >cpack.log 2>&1) || { cat "$build/cpack.log"; exit 1; }
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
# The version CMake gives the package is the one the changelog, the metainfo and the manual name.
version=$(dpkg-deb -f "$deb" Version)
changelog=$(zcat "$prefix/share/doc/one-step-ahead/changelog.gz")
manual=$(zcat "$prefix/share/man/man6/one-step-ahead.6.gz")
[[ ${changelog%%$'\n'*} == *"($version)"* ]] || { echo "changelog is not at $version"; exit 1; }
grep -qF "<release version=\"$version\"" "$prefix/share/metainfo/$id.metainfo.xml" || { echo "metainfo lacks release $version"; exit 1; }
grep -qF "\"One Step Ahead $version\"" <<<"$manual" || { echo "manual page is not at $version"; exit 1; }
echo "== lintian"
status=0
report=$(lintian --fail-on error --display-info "$deb" 2>&1) || status=$?
grep -v 'running with root privileges' <<<"$report" || true
[ "$status" -eq 0 ] || { echo "lintian reports errors"; exit 1; }
echo "package check passed"
