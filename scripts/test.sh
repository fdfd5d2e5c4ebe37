#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, runs all tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh build-asan -DDTU_SANITIZE=ON -DDTU_BUILD_BENCH=OFF
cd build-asan
ctest --output-on-failure -j "$(nproc)" "$@"
