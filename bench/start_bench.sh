#!/usr/bin/env bash
# How long the app takes from process start to its script running: the time from exec to the
# first line the script bundle prints ("bundle: ..."), median of N starts (default 20). Also
# the dynamic libraries the app loads at start. The app is stopped once its script runs; no
# service is needed for that.
#
#   bench/start_bench.sh [BUILD_DIR] [RUNS]      (BUILD_DIR: a Release tree, default build-rel)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-build-rel}
runs=${2:-20}
app="$root/$build/host/VellumBank.app/VellumBank"
if [ ! -x "$app" ]; then
  echo "start_bench: no $app (cmake --build $build --target VellumBank)" >&2
  exit 69
fi
defaults=$(mktemp "${TMPDIR:-/tmp}/kvn-start-bench.XXXXXX")
timer=$(mktemp "${TMPDIR:-/tmp}/kvn-start-bench.XXXXXX.py")
trap 'rm -f "$defaults" "$timer"' EXIT

echo "libraries loaded at start: $(ldd "$app" | grep -c '=>')"
# Debian's own interpreter times the starts, on its standard library alone (from a file: the
# display script runs its command in the background, without standard input).
cat >"$timer" <<'PY'
import statistics, subprocess, sys, time

app, runs = sys.argv[1], int(sys.argv[2])
times = []
for _ in range(runs):
    start = time.perf_counter()
    child = subprocess.Popen([app], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    seen = None
    for line in child.stdout:
        if "bundle: " in line:
            seen = time.perf_counter() - start
            break
    child.kill()
    child.wait()
    if seen is None:
        sys.exit("start_bench: the app ended before its script printed a line")
    times.append(seen * 1000)
print("process start to the script running: median %.1f ms, min %.1f ms, max %.1f ms over %d starts"
      % (statistics.median(times), min(times), max(times), runs))
PY
KVN_DEFAULTS_PATH="$defaults" KVN_REACHABILITY_FLAGS=2 bash "$root/scripts/with-display.sh" /usr/bin/python3 "$timer" "$app" "$runs"
