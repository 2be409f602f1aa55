#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine if needed, builds everything and runs every test.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/setup-debian.sh"
"$ROOT/scripts/build.sh" "$@"
cd "${BUILD_DIR:-$ROOT/build}"
ctest --output-on-failure -j "$(nproc)"
