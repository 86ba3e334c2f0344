#!/usr/bin/env bash
# The reliability stages of the test command: the test suite under the sanitizers, then
# each fuzz program for a bounded time (see docs/reliability.md).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/test-sanitizers.sh
bash scripts/fuzz.sh
