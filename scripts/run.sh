#!/usr/bin/env bash
# Builds Hivelark and starts it; arguments go to the program (for example HKLM\Software).
# Without an X display it runs on a virtual one (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh --target hivelark
source scripts/testenv.sh
hl_env_start "$PWD/build/mingw" if-no-display
wine build/mingw/hivelark.exe "$@"
