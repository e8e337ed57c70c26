#!/usr/bin/env bash
# Makes the catalogues' template from the sources: every text marked in src/ (the marks of
# src/text/text.h), the desktop entry's Name, GenericName, Comment and Keywords, and what the
# metainfo's rules (Debian's appstream package) mark in it.
# Usage: bash po/make-pot.sh SOURCE_DIR OUT.pot [VERSION]
set -euo pipefail
src=$1 out=$2 version=${3:-}
its_dir=${OSA_ITS_DIR:-/usr/share/gettext}
[ -f "$its_dir/its/metainfo.its" ] || { echo "no $its_dir/its/metainfo.its (Debian's appstream package)" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$src"
find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort >"$work/files"
common=(--from-code=UTF-8 --add-comments=TRANSLATORS: --sort-by-file --package-name="One Step Ahead"
  --package-version="$version" --msgid-bugs-address=dev@onestepahead.org --copyright-holder="One Step Ahead developers")
xgettext "${common[@]}" --language=C++ --keyword=_ --keyword=N_ --keyword=C_:1c,2 --keyword=NC_:1c,2 \
  --keyword=P_:1,2 --files-from="$work/files" -o "$work/game.pot"
xgettext "${common[@]}" --language=Desktop dist/org.onestepahead.OneStepAhead.desktop -o "$work/desktop.pot"
GETTEXTDATADIRS=$its_dir xgettext "${common[@]}" dist/org.onestepahead.OneStepAhead.metainfo.xml \
  -o "$work/metainfo.pot"
msgcat --use-first "$work/game.pot" "$work/desktop.pot" "$work/metainfo.pot" -o "$out"
