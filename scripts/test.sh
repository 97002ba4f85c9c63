#!/usr/bin/env bash
# Set-up, build and every test. BUILD_DIR, KVN_SANITIZE and JOBS may be set by the caller.
set -euo pipefail
cd "$(dirname "$0")/.."

start=$SECONDS
bash scripts/setup.sh
setup_done=$SECONDS

BUILD_DIR=${BUILD_DIR:-build}
SANITIZE=${KVN_SANITIZE:-OFF}
JOBS=${JOBS:-$(nproc)}

cmake -S . -B "$BUILD_DIR" -G Ninja -DKVN_SANITIZE="$SANITIZE" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD_DIR" -j "$JOBS"
build_done=$SECONDS
echo "test.sh: set-up $((setup_done - start)) s, build $((build_done - setup_done)) s; the tests follow"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Each test is a whole test executable; the time-out only guards against a hang.
ctest --test-dir "$BUILD_DIR" --output-on-failure -j "$JOBS" --timeout 600
