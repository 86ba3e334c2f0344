#!/usr/bin/env bash
# Checks our sdk/ against sdk/names.tsv, the list of every SDK name the project uses with the
# header the published SDK declares it in, its kind and its value: every listed name must be
# declared in that header with that kind and value, and sdk/ must declare nothing the list
# leaves out (scripts/check-sdk-names.py).  Then builds the effect with TONEDOT_AE_SDK_DIR
# naming a header folder laid out as a host SDK lays out its headers - the effect headers in
# Examples/Headers, the suite headers in Examples/Headers/SP - made from our sdk/ (the real
# headers are not ours to ship), checks that every SDK header the build read came from that
# folder, the suite headers from its SP folder, and that the library it makes declares itself
# to the stand-in host exactly as the ordinary build's does.
#
# With SDK_HEADERS naming a published SDK's Examples/Headers folder, the list is checked
# against that folder too, and the build uses it instead of the copy of sdk/.
#
#   bash scripts/test-sdk-layout.sh     # into build-sdk-layout/ (or $SDK_BUILD_DIR); compares with build/ (or $BUILD_DIR)
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT="$PWD"
SDK_BUILD="${SDK_BUILD_DIR:-build-sdk-layout}"
REFERENCE_BUILD="${BUILD_DIR:-build}"  # the ordinary build, when it is there
fail() { echo "test-sdk-layout: $*" >&2; exit 1; }

python3 scripts/check-sdk-names.py sdk/names.tsv sdk --complete
if [ -n "${SDK_HEADERS:-}" ]; then
    HEADERS="$(cd "$SDK_HEADERS" && pwd)"
    python3 scripts/check-sdk-names.py sdk/names.tsv "$HEADERS"
else
    LAYOUT="$ROOT/$SDK_BUILD/sdk-layout/Examples"
    HEADERS="$LAYOUT/Headers"
    rm -rf "$LAYOUT"  # copies keep their times, so a second run rebuilds nothing
    mkdir -p "$HEADERS" "$LAYOUT/Util"
    (cd sdk && find . -name '*.h' -exec cp -p --parents {} "$HEADERS/" \;)
fi

cmake -S . -B "$SDK_BUILD" -G Ninja -DTONEDOT_AE_SDK_DIR="$HEADERS" \
    -DTONEDOT_BUILD_TESTS=OFF -DTONEDOT_BUILD_BENCH=OFF -DTONEDOT_BUILD_CLI=OFF >/dev/null
cmake --build "$SDK_BUILD" -j "${JOBS:-2}" --target T_Tonedot tonedot_host_app

# Ninja's record of the headers each source read (paths as the compiler gave them).
deps="$(ninja -C "$SDK_BUILD" -t deps)"
grep -q "Examples/Headers/SP/SPBasic.h" <<<"$deps" || fail "no source read SPBasic.h from the SP folder"
grep -q "Examples/Headers/AE_Effect.h" <<<"$deps" || fail "no source read AE_Effect.h from the header folder"
if grep -Eq '(^|[[:space:]/])sdk/([^/[:space:]]+/)?[^/[:space:]]+\.h' <<<"$deps"; then
    fail "the build read headers from sdk/ instead of the SDK folder"
fi

# The same effect: what it declares (version, flags, About text, parameters) is the same;
# only the line naming the library file differs.
declared() { "$1/tonedot-host" "$1/T_Tonedot.so" | grep -v '^effect library: '; }
declared "$SDK_BUILD" >"$SDK_BUILD/declared.txt"
if [ -x "$REFERENCE_BUILD/tonedot-host" ] && [ -f "$REFERENCE_BUILD/T_Tonedot.so" ]; then
    declared "$REFERENCE_BUILD" >"$SDK_BUILD/declared-reference.txt"
    diff "$SDK_BUILD/declared-reference.txt" "$SDK_BUILD/declared.txt" ||
        fail "the library built against the SDK folder declares something else than $REFERENCE_BUILD's"
fi
echo "test-sdk-layout: built against $HEADERS (suite headers from SP/): passed"
