#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine if needed, builds everything and runs every test.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/setup-debian.sh"
"$ROOT/scripts/build.sh" "$@"
cd "${BUILD_DIR:-$ROOT/build}"
# Every test runs once: a test that fails is a fault to find, never a run to repeat.
ctest --output-on-failure -j "$(nproc)"
