#!/usr/bin/env bash
# Builds the project twice, warnings as errors:
#   build/       g++ with Qt: the wizard, its tools, all tests and benchmarks
#   build-core/  clang, Qt-free modules only, ASan/UBSan, libFuzzer targets
# Usage: scripts/build.sh [main|core|all]   (default all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
what=${1:-all}
jobs=${SP_JOBS:-$(nproc)}

if [[ $what == main || $what == all ]]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSP_WERROR=ON >/dev/null
  cmake --build "$root/build" -j "$jobs"
fi
if [[ $what == core || $what == all ]]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-core" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DSP_WITH_QT=OFF -DSP_SANITIZE=ON -DSP_FUZZ=ON -DSP_BENCH=OFF -DSP_WERROR=ON >/dev/null
  cmake --build "$root/build-core" -j "$jobs"
fi
