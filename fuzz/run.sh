#!/usr/bin/env bash
# Builds the catalog fuzzer with clang and runs it for 60 seconds (or the seconds given) on a
# copy of the seed corpus; crashes land in fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLUMARK_FUZZ=ON >/dev/null
cmake --build "$root/build-fuzz" -j2 --target fuzz_catalog >/dev/null
work="$root/build-fuzz/corpus"
mkdir -p "$work" "$root/fuzz/artifacts"
cp -n "$root"/fuzz/corpus/* "$work"/ 2>/dev/null || true
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
exec "$root/build-fuzz/fuzz/fuzz_catalog" "$work" -max_total_time="$seconds" -max_len=65536 \
  -artifact_prefix="$root/fuzz/artifacts/" -print_final_stats=1
