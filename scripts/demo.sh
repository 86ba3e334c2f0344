#!/usr/bin/env bash
# The main job: installs what is missing, builds, and has the stand-in host load the built
# effect library the way the real host does.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
BUILD_DIR="${BUILD_DIR:-build}"
"$BUILD_DIR/tonedot-host"
