#!/usr/bin/env bash
# Configures and builds. Usage: scripts/build.sh <build-dir> [extra cmake args]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$dir" -j "$(nproc)"
