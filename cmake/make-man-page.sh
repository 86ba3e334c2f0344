#!/usr/bin/env bash
# Makes the man page tonedot.1.gz from the built program's own help (cmake/ManPage.cmake runs
# it at build time):
#
#   make-man-page.sh TONEDOT INCLUDE OUTPUT.1.gz
#
# help2man writes the page from `tonedot --help` and `--version` and the sections of INCLUDE
# (docs/tonedot.h2m); a section COMMANDS, made here from `tonedot help COMMAND` for every
# command the program lists, follows them.  The page is compressed as Debian wants it
# (gzip -9n: no name, no time stamp); its date is SOURCE_DATE_EPOCH's, else the last commit's
# where the source is a git checkout, so that a build of one commit gives one page.
set -euo pipefail
tonedot="$1"
include="$2"
output="$3"
page="${output%.gz}"
work="$(mktemp -d "${TMPDIR:-/tmp}/tonedot-man.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# The commands: the lines of `tonedot --help` under "Commands:", a name (one or two words) and
# its one-line description.
"$tonedot" --help >"$work/help.txt"
awk '/^Commands:$/ { on = 1; next } /^$/ { on = 0 }
     on && match($0, /^  [a-z][a-z -]*[a-z] +[A-Z]/) { s = substr($0, 3); sub(/ +[A-Z].*$/, "", s); print s }' \
    "$work/help.txt" >"$work/commands.txt"
[ -s "$work/commands.txt" ] || { echo "make-man-page: $tonedot --help lists no commands" >&2; exit 1; }

# One command's help (cli/CommandLine.cpp, HelpText) as roff: the usage line a subsection,
# the options tagged paragraphs (the description starts at column 31 or on the next line,
# continued at column 31), indented lines of the rest (examples) kept as they are.
to_roff() {
    awk '
    function esc(s) { gsub(/\\/, "\\e", s); gsub(/-/, "\\-", s); sub(/^[.'"'"']/, "\\\\\\&&", s); return s }
    function tag(head,    n, i, w, out, comma) {
        n = split(head, words, " ")
        for (i = 1; i <= n; i++) {
            w = words[i]; comma = sub(/,$/, "", w)
            out = out (i > 1 ? " " : "") (w ~ /^-/ ? "\\fB" esc(w) "\\fR" : "\\fI" esc(w) "\\fR") (comma ? "," : "")
        }
        return out
    }
    NR == 1 { sub(/^Usage: /, ""); print ".SS \"" esc($0) "\""; mode = "text"; next }
    /^$/ { if (verbatim) print ".fi"; verbatim = 0; paragraph = 1; if (mode == "options") mode = "text"; next }
    /^Options:$/ { mode = "options"; next }
    mode == "options" && /^                              / { sub(/^ +/, ""); print esc($0); next }
    mode == "options" {
        head = $0; text = ""
        if (length($0) > 30 && substr($0, 1, 30) ~ / $/) { head = substr($0, 1, 30); text = substr($0, 31) }
        sub(/^ +/, "", head); sub(/ +$/, "", head)
        print ".TP"; print tag(head); if (text != "") print esc(text)
        next
    }
    /^  / {
        if (!verbatim) { print ".IP"; print ".nf"; verbatim = 1 }
        sub(/^  /, ""); print esc($0); next
    }
    { if (paragraph) print ".PP"; paragraph = 0; print esc($0) }
    END { if (verbatim) print ".fi" }'
}

{
    echo "[COMMANDS]"
    while IFS= read -r command; do
        # shellcheck disable=SC2086  # a command of two words is two arguments
        "$tonedot" help $command | to_roff
    done <"$work/commands.txt"
} >"$work/commands.h2m"

if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git -C "$(dirname "$include")" rev-parse --git-dir >/dev/null 2>&1; then
    SOURCE_DATE_EPOCH="$(git -C "$(dirname "$include")" log -1 --format=%ct)"
    export SOURCE_DATE_EPOCH
fi
help2man --no-info --name="render halftone dots with the T_Tonedot effect" \
    --include="$include" --include="$work/commands.h2m" --output="$work/tonedot.1" "$tonedot"
mv "$work/tonedot.1" "$page"
gzip -9nf "$page"
