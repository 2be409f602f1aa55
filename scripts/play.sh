#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine if needed, builds everything and starts the demo game in a window.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
"$ROOT/scripts/setup-debian.sh"
"$ROOT/scripts/build.sh"
exec "${BUILD_DIR:-$ROOT/build}/game/Marlowe"
