#!/usr/bin/env bash
# Builds Dalil and starts it on DB1.mdb beside the program (made empty when there is none;
# an existing one is never touched).
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target dalil -j"$(nproc)"
scripts/prepare-folder.sh build
exec build/dalil
