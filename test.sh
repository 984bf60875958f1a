#!/usr/bin/env bash
# Builds Dalil and runs every test; exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
(cd build && ctest --output-on-failure -j"$(nproc)")
