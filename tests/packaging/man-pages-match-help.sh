#!/usr/bin/env bash
# Each man page documents exactly the options its program's --help lists, and
# formats without warnings.
#   man-pages-match-help.sh PROGRAM PAGE [PROGRAM PAGE]...
set -euo pipefail
failed=0

# The option names on --help's option lines ("  -h, --help   Displays ...").
help_options() {
    "$1" --help | sed -n 's/^  \(-[^ ].*\)/\1/p' | sed 's/  .*//' | grep -oE -- '--?[A-Za-z][A-Za-z-]*' | sort -u
}

# The option names in the headings of the page's OPTIONS section.
page_options() {
    awk '/^\.SH/ { in_options = ($2 == "OPTIONS") } in_options && heading { print; heading = 0 } in_options && /^\.TP/ { heading = 1 }' "$1" |
        sed -e 's/\\f[BIRP]//g' -e 's/\\-/-/g' -e 's/\\&//g' | grep -oE -- '(^|[ "])--?[A-Za-z][A-Za-z-]*' |
        tr -d ' "' | sort -u
}

while [ $# -ge 2 ]; do
    program="$1" page="$2"
    shift 2
    name=$(basename "$program")
    help=$(help_options "$program")
    documented=$(page_options "$page")
    [ -n "$help" ] || { echo "FAIL: no options read from $name --help"; failed=1; }
    missing=$(comm -23 <(echo "$help") <(echo "$documented"))
    stale=$(comm -13 <(echo "$help") <(echo "$documented"))
    [ -z "$missing" ] || { echo "FAIL: $page lacks ${missing//$'\n'/ } from $name --help"; failed=1; }
    [ -z "$stale" ] || { echo "FAIL: $page has ${stale//$'\n'/ }, which $name --help doesn't"; failed=1; }
    warnings=$(groff -man -ww -z -Tutf8 "$page" 2>&1)
    [ -z "$warnings" ] || { echo "FAIL: $page: $warnings"; failed=1; }
    [ -n "$missing$stale" ] || echo "$name: $(echo "$help" | wc -l) options, all in $(basename "$page")"
done
exit "$failed"
