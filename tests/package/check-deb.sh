#!/usr/bin/env bash
# The Debian package cpack makes from a build: its name and version, the files it holds, the
# libraries it depends on, and - unpacked - documents whose links lead to files installed
# with them, a man page that renders without warnings and names every command, a tonedot
# that finds the effect installed with it and renders with it, and lintian's silence.
#
#   check-deb.sh BUILD_DIR VERSION FILE...    (FILE: a path the package must hold, ./usr/...)
set -euo pipefail
build="$1"
version="$2"
shift 2
work="$(mktemp -d "${TMPDIR:-/tmp}/tonedot-deb.XXXXXX")"
trap 'rm -rf "$work"' EXIT
fail() { echo "check-deb: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log" >&2; fail "cpack failed"; }
debs=("$work"/tonedot_"$version"_*.deb)
[ -f "${debs[0]}" ] || fail "no tonedot_${version}_<arch>.deb in $(ls "$work")"
deb="${debs[0]}"

[ "$(dpkg-deb -f "$deb" Package)" = tonedot ] || fail "package name $(dpkg-deb -f "$deb" Package)"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version $(dpkg-deb -f "$deb" Version)"
dpkg-deb -c "$deb" | awk '{print $NF}' >"$work/files"
for file in "$@"; do
    grep -qxF "$file" "$work/files" || fail "$file missing; the package holds:$(printf ' %s' $(cat "$work/files"))"
done
if grep -Eq '\.(a|h)$' "$work/files"; then fail "static libraries or headers packaged"; fi
dpkg-deb -x "$deb" "$work/root"

# Every relative link of the installed documents names a file installed with them.
find "$work/root/usr/share/doc/tonedot" -name '*.md' -exec grep -o '](\([^):#]*\)[)#]' /dev/null {} + |
    sed 's/:](\(.*\).$/ \1/' >"$work/links" || true
[ -s "$work/links" ] || fail "the installed README links to no page"
while read -r doc target; do
    [ -z "$target" ] || [ -e "$(dirname "$doc")/$target" ] ||
        fail "${doc#"$work/root"} links to $target, which the package does not hold"
done <"$work/links"

man="$work/root/usr/share/man/man1/tonedot.1.gz"
if [ -f "$man" ]; then
    # gzip -n: no name and no time stamp in the header (bytes 4 to 7), so builds are reproducible.
    [ "$(od -An -tu4 -j4 -N4 "$man" | tr -d ' ')" = 0 ] || fail "the man page's gzip header holds a time stamp"
    gzip -dc "$man" >"$work/tonedot.1" || fail "the man page is not a valid gzip file"
    if command -v groff >/dev/null; then
        groff -man -Tutf8 -ww -z "$work/tonedot.1" 2>"$work/groff.txt" || fail "groff failed on the man page"
        [ ! -s "$work/groff.txt" ] || fail "the man page renders with warnings: $(cat "$work/groff.txt")"
    fi
fi

if grep -qxF ./usr/bin/tonedot "$work/files"; then
    grep -qi libopenimageio <<<"$(dpkg-deb -f "$deb" Depends)" || fail "Depends lacks the image library: $(dpkg-deb -f "$deb" Depends)"
    # The build's own library must not stand in for the installed one: the loader names
    # every library it opens.
    LD_DEBUG=files "$work/root/usr/bin/tonedot" params >"$work/params.txt" 2>"$work/loader.txt" ||
        fail "the unpacked tonedot failed: $(grep -v '^ *[0-9]*:' "$work/loader.txt")"
    grep -q "file=$work/root/usr/bin/../lib/tonedot/T_Tonedot.so" "$work/loader.txt" ||
        fail "the unpacked tonedot did not load the effect installed with it"
    grep -q "Dot Shape" "$work/params.txt" || fail "the unpacked tonedot lists no parameters"
    if [ -f "$work/tonedot.1" ]; then
        "$work/root/usr/bin/tonedot" --help | sed -n '/^Commands:$/,/^$/p' | awk 'NR > 1 && NF { print $1 }' >"$work/commands"
        [ -s "$work/commands" ] || fail "the unpacked tonedot --help lists no commands"
        while read -r command; do
            grep -q "^\.SS \"tonedot $command[ \"]" "$work/tonedot.1" || fail "the man page lacks the command $command"
        done <"$work/commands"
    fi
fi
# lintian, Debian's package checker: no error and no warning.  Its notes of information and
# pedantic ones are shown, not counted.
command -v lintian >/dev/null || fail "lintian not found (scripts/install-deps.sh installs it)"
status=0
lintian --fail-on error,warning --display-info --pedantic "$deb" >"$work/lintian.txt" 2>&1 || status=$?
sed 's/^/lintian: /' "$work/lintian.txt"
if [ "$status" != 0 ] || grep -Eq '^[EW]: ' "$work/lintian.txt"; then
    fail "lintian finds errors or warnings, or failed (exit $status)"
fi

echo "check-deb: $(basename "$deb") holds $(wc -l <"$work/files") entries, as expected"
