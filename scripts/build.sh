#!/usr/bin/env bash
# Installs what is missing, then configures and builds with the mingw-w64 preset.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/bootstrap.sh
[ -f build/mingw/CMakeCache.txt ] || cmake --preset mingw
cmake --build --preset mingw "$@"
