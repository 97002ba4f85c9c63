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
# Before anything else it says what the token will do (sim/kavoni_sim/tokens.py): a token no
# agent plays waits for the time-out, a token that does not start with "DEV" goes to hosts this
# machine cannot reach.
#
# Exit status: 0 the host was told the identification succeeded, 1 it failed (or the
# initialisation failed: the "Error" alert), 2 time-out, 3 cancelled, 4 the user joined the
# waiting list (the library reports a success, but no identification took place), 64 a token
# that is not one, 69 the simulated service did not start, 75 another main job is running on
# this machine (the port is the development environment's, one run at a time), anything else a
# set-up or build failure.
# Settings: BUILD_DIR (default build-run), JOBS, KVN_MAIN_JOB_TIMEOUT (seconds, default 60),
# KVN_MAIN_JOB_SCREEN (the phone's screen in points, "375x667" by default or "320x480").
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$(pwd)

default_token=DEVAGENTIDENT0001
if [ $# -gt 0 ] && [ -z "$1" ]; then
  echo "run: the transaction token given is empty: running the default, $default_token"
fi
token=${1:-$default_token}
if [[ ! "$token" =~ ^[A-Za-z0-9._-]+$ ]]; then
  echo "run: a transaction token is made of letters, digits, '.', '_' and '-'" >&2
  exit 64
fi

# One run at a time on this machine: the service's port is fixed, and a second run would
# also clear the first one's pictures. The lock goes with this shell (and is closed for the
# sim and the app, so that neither keeps it if left behind).
port=47443
lock="${TMPDIR:-/tmp}/kvn-main-job-$port.lock"
exec 9>>"$lock"
if ! flock -n 9; then
  echo "run: another main job is running on this machine (it holds $lock and port $port); try again once it has ended" >&2
  exit 75
fi

# What the token will do, before the set-up and the build take their time.
sim_python=(env -u PYTHONHOME -u PYTHONPATH /usr/bin/python3)
verdict=0
said=$(cd sim && "${sim_python[@]}" -m kavoni_sim.tokens "$token") || verdict=$?
sed 's/^/run: /' <<<"$said"

bash scripts/setup.sh

BUILD_DIR=${BUILD_DIR:-build-run}
JOBS=${JOBS:-$(nproc)}
cmake -S . -B "$BUILD_DIR" -G Ninja -DKVN_SANITIZE=OFF -DKVN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$BUILD_DIR" -j "$JOBS" --target VellumBank

app="$root/$BUILD_DIR/host/VellumBank.app/VellumBank"
out="$root/$BUILD_DIR/main-job"
rm -rf "$out"
mkdir -p "$out"

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
sim/run.sh "$port" >"$sim_log" 2>&1 9>&- &
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
    ${KVN_MAIN_JOB_SCREEN:+KVN_MAIN_JOB_SCREEN="$KVN_MAIN_JOB_SCREEN"} \
    bash scripts/with-display.sh "$app" 2>&1 9>&- | tee "$out/app.log" 9>&- || status=${PIPESTATUS[0]}
echo "----------------------------------------------------------------------------------------"

case $status in
  0) echo "run: the identification succeeded" ;;
  1) echo "run: the identification failed (the app's log above says how)" ;;
  2) echo "run: time-out: no outcome came (the app's log above says what its user was waiting for)" ;;
  3) echo "run: the identification was cancelled" ;;
  4) echo "run: the user joined the waiting list and will be called back: no identification took place (the library reports it to the app as a success)" ;;
  *) echo "run: the app ended with status $status" ;;
esac
if [ "$status" = 2 ] && [ "$verdict" = 1 ]; then
  echo "run: as said at the start, no agent plays $token: the time-out is this token's expected end"
fi
echo "run: the statuses of the video identification, in order (the agent's action commands chatMessage, takeScreenshot and showHelp set none):"
grep -oE "new status - KVNIdentificationStatus[A-Za-z]+ - [0-9]+ \([A-Za-z]+\)" "$out/app.log" |
  grep -v "StatusNotDefined" | sed 's/^new status - KVNIdentificationStatus/  /' || echo "  (none)"
if grep -q "Unlink invoked by the application" "$out/app.log"; then
  echo "run: the video call was hung up by the app itself at the end (the media stack logs that as \"Exception: Unlink invoked by the application\"; it is no error)"
fi
echo "run: service requests:"
grep -E " -> [0-9]{3}" "$sim_log" | sed 's/^kavoni_sim INFO: /  /' || echo "  (none)"
echo "run: pictures of the screens:"
ls -1 "$out"/*.png 2>/dev/null | sed 's/^/  /' || echo "  (none)"
exit "$status"
