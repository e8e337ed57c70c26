#!/usr/bin/env bash
# The catalogues' checks: format (msgfmt --check on every language), complete (every message of
# the template translated in every shipped language, none fuzzy), template (po/one-step-ahead.pot
# holds the messages a fresh one made from the sources holds).
# Usage: bash tests/catalogues.sh format|complete|template SOURCE_DIR
set -euo pipefail
check=$1 src=$(cd "$2" && pwd)
cd "$src/po"
langs=$(grep -v '^#' LINGUAS)
case $check in
format)
  for l in $langs; do
    echo "== msgfmt --check $l.po"
    msgfmt --check --statistics -o /dev/null "$l.po"
  done ;;
complete)
  failed=0
  for l in $langs; do
    echo "== $l: $(msgfmt --statistics -o /dev/null "$l.po" 2>&1)"
    # msgcmp counts a message untranslated or fuzzy in the language as missing from it.
    if ! out=$(msgcmp "$l.po" one-step-ahead.pot 2>&1); then
      failed=1
      head -n 3 <<<"$out"
    fi
  done
  [ "$failed" = 0 ] || { echo "FAIL: a shipped language has untranslated or fuzzy messages"; exit 1; } ;;
template)
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  bash make-pot.sh "$src" "$work/fresh.pot"
  # The messages, their contexts, flags and translators' comments; not where they are, not the header.
  for pot in one-step-ahead.pot "$work/fresh.pot"; do
    msgcat --no-location --no-wrap --sort-output "$pot" | sed '1,/^$/d' >"$work/$(basename "$pot").messages"
  done
  diff -u "$work/one-step-ahead.pot.messages" "$work/fresh.pot.messages" ||
    { echo "FAIL: po/one-step-ahead.pot is older than the sources: make it again (cmake --build build --target pot)"; exit 1; } ;;
*) echo "unknown check $check" >&2; exit 2 ;;
esac
