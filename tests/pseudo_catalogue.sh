#!/usr/bin/env bash
# Makes the pseudo-language's catalogue from the template: every text 40% longer (its own words
# again after it) and its ends marked with [ and ], so that a text that would overflow its place
# in a longer language shows before any translator has written one.
# Usage: bash tests/pseudo_catalogue.sh TEMPLATE.pot LOCALE_DIR  (writes LOCALE_DIR/pseudo/...)
set -euo pipefail
pot=$1 out=$2/pseudo/LC_MESSAGES
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sed -e 's/charset=CHARSET/charset=UTF-8/' -e 's/nplurals=INTEGER; plural=EXPRESSION;/nplurals=2; plural=(n != 1);/' \
  -e 's/"Language: \\n"/"Language: pseudo\\n"/' "$pot" | msgen -o "$work/en.po" -
# msgfilter gives each text to the filter on its standard input; the percent signs are left out
# of the padding so that it adds no placeholder.
msgfilter --keep-header -i "$work/en.po" -o "$work/pseudo.po" awk 'BEGIN { RS = "\001" }
  { s = $0; sub(/\n$/, "", s); f = s; gsub(/[%\n]/, "", f); if (f == "") f = "x"
    n = int(length(s) * 0.4 + 0.999); p = ""; while (length(p) < n) p = p " " f
    printf "[%s%s]", s, substr(p, 1, n) }'
msgfmt --check-format -o "$out/one-step-ahead.mo" "$work/pseudo.po"
