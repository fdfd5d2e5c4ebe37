#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UBSan, runs all tests,
# then runs each fuzz target briefly (DTU_FUZZ_SECONDS, default 30; 0 skips them)
# with a fixed seed, so the suite's verdict does not depend on the draw.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
scripts/build.sh build-asan -DDTU_SANITIZE=ON -DDTU_BUILD_BENCH=OFF
# The records tests run against a real PostgreSQL server of their own.
pgdir=$(mktemp -d /tmp/dtu-pgtest.XXXXXX)
trap 'scripts/pgtest.sh stop "$pgdir"' EXIT
DTU_TEST_PG=$(scripts/pgtest.sh start "$pgdir")
export DTU_TEST_PG
# Most tests wait on a line or a child process rather than compute: two per core.
(cd build-asan && ctest --output-on-failure -j "$((2 * $(nproc)))" "$@")
secs=${DTU_FUZZ_SECONDS:-30}
if [ "$secs" != 0 ]; then
  DTU_FUZZ_SEED=${DTU_FUZZ_SEED:-1} scripts/fuzz.sh "$secs"
fi
