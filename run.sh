#!/usr/bin/env bash
# Installs what the suite needs, builds it and shows a tracker: the simulated tracker on a
# pseudo-terminal and the viewer (RavokViewer4) on it. Without a display it says so and
# reads the simulated tracker's configuration with ravokctl instead.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
bin=build/default/bin

# Seconds to wait for the simulated tracker to report its pseudo-terminal.
readonly SIM_START_TIMEOUT=10

work=$(mktemp -d)
sim_pid=""
viewer_pid=""
# Stops what this script started, by pid.
stop_all() {
  for pid in $viewer_pid $sim_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

"$bin/ravok-tracker-sim" --serial >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!

pty=""
for _ in $(seq $((SIM_START_TIMEOUT * 10))); do
  pty=$(head -n 1 "$work/sim.out" 2>/dev/null || true)
  [ -n "$pty" ] && break
  if ! kill -0 "$sim_pid" 2>/dev/null; then break; fi
  sleep 0.1
done
if [ -z "$pty" ]; then
  echo "run.sh: the simulated tracker did not start:" >&2
  cat "$work/sim.err" >&2
  exit 1
fi
echo "Simulated tracker on $pty"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
  # In the background so that a signal to this script reaches the trap at once.
  "$bin/RavokViewer4" "$pty" &
  viewer_pid=$!
  wait "$viewer_pid"
else
  echo "No display (DISPLAY, WAYLAND_DISPLAY and QT_QPA_PLATFORM are not set): reading the" \
       "simulated tracker with ravokctl instead of opening RavokViewer4." >&2
  "$bin/ravokctl" --serial "$pty" read
fi
