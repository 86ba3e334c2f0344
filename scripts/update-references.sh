#!/usr/bin/env bash
# Renders the whole-frame reference images again and writes them over tests/reference/*.png.
# Look at every changed image before checking it in: the references are what the renderer
# is held to.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
BUILD_DIR="${BUILD_DIR:-build}"
TONEDOT_UPDATE_REFERENCES=1 "$BUILD_DIR/tonedot_tests" --gtest_filter='ReferenceFrames.*'
git status --short tests/reference
