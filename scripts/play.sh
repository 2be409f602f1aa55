#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine if needed, builds the game (not its tests and benchmarks) and starts
# the demo game in a window.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/setup-debian.sh"
BUILD_TARGET=game "$ROOT/scripts/build.sh"
exec "${BUILD_DIR:-$ROOT/build}/game/Marlowe"
