#!/usr/bin/env bash
# Builds the program in Release mode and runs every benchmark against the standard tools.
# Generated data goes to bench-data/ (about 1 GB at most); run from the repository root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cmake -S "$root" -B "$root/build-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-bench" -j2 --target vellumark_bench >/dev/null
export VELLUMARK_BENCH_DIR=${VELLUMARK_BENCH_DIR:-$root/bench-data}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
exec "$root/build-bench/bench/vellumark_bench" "${@:-all}"
