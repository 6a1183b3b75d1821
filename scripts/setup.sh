#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine, builds, and runs the demo on the embedded
# SQLite default.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/install-deps.sh"
cmake -S "$here" -B "$here/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVL_BUILD_TESTS=OFF -DKVL_BUILD_BENCH=OFF
cmake --build "$here/build" --parallel 2
"$here/build/app/tdg/tdg" demo --db "$here/build/demo.sqlite" --log-dir "$here/build/demo-logs"
