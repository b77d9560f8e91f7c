#!/usr/bin/env bash
# Installs what the suite needs, builds every program and test, and runs every test.
#   ./test.sh            the default preset
#   ./test.sh asan       the AddressSanitizer/UndefinedBehaviorSanitizer preset
#   ./test.sh PRESET -R REGEX   any further arguments go to ctest
set -euo pipefail
cd "$(dirname "$0")"
preset=${1:-default}
[ $# -gt 0 ] && shift

./scripts/install-deps
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
ctest --preset "$preset" -j "$(nproc)" "$@"
