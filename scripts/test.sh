#!/usr/bin/env bash
# Builds Hivelark and its tests, then runs every test under Wine in a prefix and on an
# X display of its own; both are stopped at the end, also when tests fail.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
source scripts/testenv.sh
hl_env_start "$PWD/build/mingw" always
ctest --preset mingw "$@"
