#!/usr/bin/env bash
# The main job: installs what is missing, builds, and renders the built-in test card in a
# handful of halftone looks through the built library (tonedot demo), saying where they are.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
BUILD_DIR="${BUILD_DIR:-build}"
"$BUILD_DIR/cli/tonedot" demo "${DEMO_DIR:-$BUILD_DIR/tonedot-demo}"
