#!/usr/bin/env bash
# Configures and builds the whole tree (or only $BUILD_TARGET) into build/ (or $BUILD_DIR); extra
# arguments go to CMake.
set -euo pipefail
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja "$@" >/dev/null
cmake --build "$BUILD_DIR" -j "$(nproc)" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
