#!/usr/bin/env bash
# Checks the generated manual pages as man shows them: groff has nothing to
# warn about, each .gz is its page, and tarvikctl's page names every
# subcommand and option the help of tarvikctl and of each of its
# subcommands lists, and no option that none of them lists, and its EXIT
# STATUS gives the codes tarvikctl's exit code header defines and no other.
#
# Usage: check_man_pages.sh <tarvikctl> <folder of the generated pages> <exit_codes.h>
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
. "$here/test_common.sh"

ctl=${1:-}
docs=${2:-}
codes_header=${3:-}
if [ ! -x "$ctl" ] || [ ! -d "$docs" ] || [ ! -f "$codes_header" ]; then
    fail "usage: $0 <tarvikctl> <folder of the generated pages> <exit_codes.h>"
fi
command -v groff >/dev/null || fail "groff not found (Debian package groff-base)"

for page in tarvikctl.1 tarvik-configurator.1; do
    note "$page"
    warnings=$(groff -man -ww -z "$docs/$page" 2>&1)
    [ -z "$warnings" ] || fail "groff warns about $page: $warnings"
    if command -v man >/dev/null; then
        warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
            man --warnings -E UTF-8 -l -Tutf8 -Z "$docs/$page" 2>&1 >/dev/null)
        [ -z "$warnings" ] || fail "man warns about $page: $warnings"
    else
        note "SKIP man --warnings: man not installed (Debian package man-db)"
    fi
    gzip -dc "$docs/$page.gz" | cmp -s - "$docs/$page" || fail "$page.gz does not hold $page"
done

# Plain text, wide enough that no option is broken over two lines.
text=$(groff -man -Tascii -P-cbou -rLL=250n "$docs/tarvikctl.1")

# The subcommands and the options of `tarvikctl PATH --help`, one
# "sub NAME" or "opt NAME" a line.
help_items() {
    # shellcheck disable=SC2086 # PATH is words
    "$ctl" $1 --help | awk '
        /^[A-Za-z]+:/ { section = $1; next }
        section == "Options:" && /^  -/ { n = split($1, names, ","); for (i = 1; i <= n; i++) print "opt " names[i] }
        section == "Subcommands:" && /^  [a-z]/ { print "sub " $1 }'
}

has_word() {
    grep -qE "(^|[^-[:alnum:]])$1([^-[:alnum:]]|\$)" <<<"$text"
}

listed=()
pending=("")
while [ "${#pending[@]}" -gt 0 ]; do
    path=${pending[0]}
    pending=("${pending[@]:1}")
    items=$(help_items "$path")
    [ -n "$items" ] || fail "tarvikctl $path --help lists nothing"
    while read -r kind name; do
        if [ "$kind" = sub ]; then
            sub=${path:+$path }$name
            pending+=("$sub")
            grep -qE "^   $sub( |\$)" <<<"$text" || fail "tarvikctl.1 has no section for tarvikctl $sub"
        else
            listed+=("$name")
            has_word "$name" || fail "tarvikctl.1 does not name $name, which tarvikctl $path --help lists"
        fi
    done <<<"$items"
done
note "every option of ${#listed[@]} in the help is in the page"

while read -r option; do
    printf '%s\n' "${listed[@]}" | grep -qxF -- "$option" \
        || fail "tarvikctl.1 names $option, which no tarvikctl --help lists"
done < <(grep -oE -- '(^|[^-[:alnum:]])--[a-z][-a-z]*' <<<"$text" | sed 's/^[^-]*//' | sort -u)

defined=$(grep -oE 'kExit[A-Za-z]+ = [0-9]+' "$codes_header" | awk '{print $3}' | sort -n)
documented=$(sed -n '/^EXIT STATUS/,/^[A-Z]/p' <<<"$text" | grep -oE '^       [0-9]+(, [0-9]+)*' \
    | tr ',' '\n' | tr -d ' ' | sort -n)
[ "$defined" = "$documented" ] \
    || fail "tarvikctl.1's EXIT STATUS gives $(echo $documented), exit_codes.h defines $(echo $defined)"
note "the page gives the $(wc -w <<<"$defined") exit codes tarvikctl defines"

echo "PASS: the manual pages render without warnings and tarvikctl.1 follows its help and exit codes"
