#!/usr/bin/env bash
# The bash completion of tonedot, as bash drives it: for each partial command line of the
# table, COMP_WORDS as bash splits it (at blanks outside quotes and at '=' and ':'), the
# word under the cursor last; the completion function's offers (COMPREPLY) must be the
# ones listed.  Run in a folder holding photo.png and photos/.
#
#   check-completion.sh COMPLETION_FILE
set -uo pipefail
source "$1" || exit 1
work="$(mktemp -d "${TMPDIR:-/tmp}/tonedot-completion.XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work" && touch photo.png && mkdir photos || exit 1

failures=0
# COMP_WORDS, separated by '|'  =>  the offers, sorted, separated by '|'
while IFS= read -r row; do
    [[ -z $row || $row == \#* ]] && continue
    IFS='|' read -r -a COMP_WORDS <<<"${row%% =>*}|"  # the '|' added keeps an empty last word
    expected=${row#* =>}
    expected=${expected# }
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _tonedot tonedot "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    got=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd '|')
    if [[ $got != "$expected" ]]; then
        echo "check-completion: ${row%% =>*}: offers \"$got\", not \"$expected\"" >&2
        failures=$((failures + 1))
    fi
done <<'TABLE'
tonedot|ren => render
tonedot|help|par => params
tonedot|preset| => save
tonedot|defaults| => reset|save
tonedot|render|in.png|--out => --output
tonedot|preset|save|x.ini|-- => --effect|--factory-defaults|--help|--preset|--quiet|--set
tonedot|render|in.png|--set|"Dot Sh => Dot Shape=
tonedot|render|in.png|--set|Dot\ Sh => Dot\ Shape=
tonedot|render|in.png|--set|"Dot Shape= => Dot Shape=Circle|Dot Shape=Cross|Dot Shape=Diamond|Dot Shape=Round Square|Dot Shape=Square|Dot Shape=Star
tonedot|render|in.png|--set|"Dot Shape=R" => "Dot Shape=Round Square"
tonedot|render|in.png|-s|Dot\ Shape|= => Circle|Cross|Diamond|Round\ Square|Square|Star
tonedot|render|in.png|-s|Dot\ Shape|=|Ro => Round\ Square
tonedot|separate|in.png|--set|=|Dot\ Shape|=|S => Square|Star
tonedot|render|in.png|--layer|"Custom Map Layer 1=p => Custom Map Layer 1=photo.png|Custom Map Layer 1=photos/
tonedot|render|in.png|--layer|Custom\ Map\ Layer\ 1|=|s => self
tonedot|render|in.png|--quality| => hi|lo
tonedot|render|ph => photo.png|photos/
tonedot|render|in.png|--output|=|ph => photo.png|photos/
tonedot|render|in.png|-o|out.png|--jobs| =>
TABLE
[[ $failures == 0 ]] || exit 1
echo "check-completion: every partial line offers what it should"
