#!/usr/bin/env bash
# Builds and runs the benchmark program under Wine; arguments go to the benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --target hivelark_bench
source scripts/testenv.sh
hl_env_start "$PWD/build/mingw" always
wine build/mingw/hivelark_bench.exe "$@"
