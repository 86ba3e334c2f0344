#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
BUILD_DIR="${BUILD_DIR:-build}"
ctest --test-dir "$BUILD_DIR" -j "${JOBS:-2}" --output-on-failure
[ "${TONEDOT_SDK_LAYOUT:-1}" = 0 ] || BUILD_DIR="$BUILD_DIR" bash scripts/test-sdk-layout.sh  # TONEDOT_SDK_LAYOUT=0 skips the build against an SDK-like header folder
[ "${TONEDOT_SLURM:-1}" = 0 ] || BUILD_DIR="$BUILD_DIR" bash scripts/test-slurm.sh  # TONEDOT_SLURM=0 skips the local Slurm cluster test
[ "${TONEDOT_RELIABILITY:-1}" = 0 ] || bash scripts/test-reliability.sh  # TONEDOT_RELIABILITY=0 skips sanitizers and fuzzing
[ "${TONEDOT_WINDOWS:-1}" = 0 ] || bash scripts/test-windows.sh  # TONEDOT_WINDOWS=0 skips the .aex build and its tests under wine
