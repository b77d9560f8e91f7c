#!/usr/bin/env bash
# Installs what the suite needs, builds it and starts the main job on embedded defaults.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
bin=build/default/bin

exec "$bin/ravokctl" defaults
