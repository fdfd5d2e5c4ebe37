#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program on its simulated module.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh run
scripts/build.sh build -DDTU_BUILD_TESTS=OFF -DDTU_BUILD_BENCH=OFF
exec build/app/dtu-config --demo "$@"
