#!/usr/bin/env bash
# The main job: on a fresh Debian 12 machine, installs what is needed, builds the app, starts the
# simulated identification service on https://localhost:47443 (the development environment's
# host), runs the app headless against it and prints what happens: start-up, the script, the
# identification's initialisation, every screen, every step the app's user takes and the
# statuses of the video identification as the agent's commands set them. The app ends by itself
# once the outcome shows (or after a time-out); pictures of the screens it passed through are
# written to $BUILD_DIR/main-job/.
#
#   bash scripts/run.sh [TRANSACTION_TOKEN]     default DEVAGENTIDENT0001 (the development
#                                               environment; the sim's agent runs the whole
#                                               video identification)
#
# Exit status: 0 the host was told the identification succeeded, 1 it failed (or the
# initialisation failed: the "Error" alert), 2 time-out, 3 cancelled, anything else a set-up or
# build failure.
# Settings: BUILD_DIR (default build-run), JOBS, KVN_MAIN_JOB_TIMEOUT (seconds, default 60).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

token=${1:-DEVAGENTIDENT0001}
if [[ ! "$token" =~ ^[A-Za-z0-9._-]+$ ]]; then
  echo "run: a transaction token is made of letters, digits, '.', '_' and '-'" >&2
  exit 64
fi

bash scripts/setup.sh

BUILD_DIR=${BUILD_DIR:-build-run}
JOBS=${JOBS:-$(nproc)}
cmake -S . -B "$BUILD_DIR" -G Ninja -DKVN_SANITIZE=OFF -DKVN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS" --target VellumBank

app="$root/$BUILD_DIR/host/VellumBank.app/VellumBank"
out="$root/$BUILD_DIR/main-job"
rm -rf "$out"
mkdir -p "$out"

port=47443
sim_log="$out/sim.log"
sim_pid=""
stop_sim() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
}
trap stop_sim EXIT

echo "run: starting the simulated service on https://localhost:$port (log: $sim_log)"
sim/run.sh "$port" >"$sim_log" 2>&1 &
sim_pid=$!
# It prints "PORT <n>" once it listens.
for _ in $(seq 1 300); do
  if grep -q "^PORT $port\$" "$sim_log" 2>/dev/null; then break; fi
  if ! kill -0 "$sim_pid" 2>/dev/null; then
    echo "run: the simulated service did not start (is port $port taken?):" >&2
    tail -n 20 "$sim_log" >&2
    exit 69
  fi
  sleep 0.1
done
if ! grep -q "^PORT $port\$" "$sim_log"; then
  echo "run: the simulated service did not listen on port $port within 30 s" >&2
  exit 69
fi

echo "run: starting VellumBank headless (main-job mode)"
echo "----------------------------------------------------------------------------------------"
# The service is on this machine's loopback, which the reachability check does not count as a
# network: the run says there is one. Its certificate is trusted through the test authority
# alone; every check stays on. The user defaults live with the run, so a second run starts
# with the device token the first one stored. Web views need an X display: a private Xvfb
# stands in when none is set.
status=0
env KVN_MAIN_JOB=1 \
    KVN_MAIN_JOB_OUTPUT="$out" \
    KVN_EXTRA_CA_FILE="$root/sim/certs/ca.pem" \
    KVN_DEFAULTS_PATH="$root/$BUILD_DIR/defaults.json" \
    KVN_REACHABILITY_FLAGS=2 \
    KVN_LAUNCH_OPTIONS="{\"transactionToken\": \"$token\"}" \
    bash scripts/with-display.sh "$app" 2>&1 | tee "$out/app.log" || status=${PIPESTATUS[0]}
echo "----------------------------------------------------------------------------------------"

case $status in
  0) echo "run: the identification succeeded" ;;
  1) echo "run: the identification failed (the app's log above says how)" ;;
  2) echo "run: time-out: no outcome came (the app's log above says what its user was waiting for)" ;;
  3) echo "run: the identification was cancelled" ;;
  *) echo "run: the app ended with status $status" ;;
esac
echo "run: the statuses of the video identification, in order:"
grep -oE "new status - KVNIdentificationStatus[A-Za-z]+ - [0-9]+ \([A-Za-z]+\)" "$out/app.log" |
  sed 's/^new status - KVNIdentificationStatus/  /' || echo "  (none)"
echo "run: service requests:"
grep -E " -> [0-9]{3}" "$sim_log" | sed 's/^/  /' || echo "  (none)"
echo "run: pictures of the screens:"
ls -1 "$out"/*.png 2>/dev/null | sed 's/^/  /' || echo "  (none)"
exit "$status"
