#!/usr/bin/env bash
# build.sh [TARGET...]: installs what is missing, creates the Wine prefix,
# configures and builds the given targets (all by default: the program, its
# tests and the test proxies).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
source scripts/wine-env.sh
# The prefix is made (once) while the compiler works: Wine mostly waits meanwhile.
scripts/wine-prefix.sh &
prefix=$!
cmake -S . -B "$KELVANE_BUILD_DIR/mingw" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
targets=()
for target in "$@"; do targets+=(--target "$target"); done
cmake --build "$KELVANE_BUILD_DIR/mingw" -j "$(nproc)" "${targets[@]}" -- --no-print-directory
wait "$prefix"
