#!/bin/bash
# The video call's benchmarks against one sim on loopback: builds them in Release without
# sanitizers (build-bench/), starts the sim, runs the library's call set-up and aiortc's beside
# it and prints them side by side, then the cost of a 640x480 call.
#
#   bash bench/call_setup.sh [runs] [call seconds]        (defaults: 10 30)
#
# Other work on the machine moves these figures: note the load (printed first) with them.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-10}
call_seconds=${2:-30}
build=build-bench
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_DIR=${CCACHE_DIR:-$HOME/.ccache}
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVN_SANITIZE=OFF "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target call_setup_bench call_load_bench >/dev/null

bash sim/make-certs.sh >/dev/null
ca=$PWD/sim/certs/ca.pem
results=$(mktemp -d "$PWD/$build/call-bench.XXXXXX")
# The sim stops when its standard input closes, so it goes with this script whatever happens.
coproc SIM { cd sim && exec env -u PYTHONHOME -u PYTHONPATH /usr/bin/python3 -m kavoni_sim --port 0 --quiet --stop-on-stdin-eof 2>"$results/sim.log"; }
sim_pid=$SIM_PID sim_in=${SIM[1]} sim_out=${SIM[0]}
trap 'eval "exec $sim_in>&-"; wait "$sim_pid" 2>/dev/null || true; rm -rf "$results"' EXIT
read -r word port <&"$sim_out"
[ "$word" = PORT ] || { echo "the sim did not start" >&2; exit 1; }
url=https://127.0.0.1:$port

echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$build/bench/call_setup_bench" --url "$url" --ca "$ca" --runs "$runs" --json "$results/library.json" 2>"$results/library.log" ||
    { tail -20 "$results/library.log" >&2; exit 1; }
echo
env -u PYTHONHOME -u PYTHONPATH /usr/bin/python3 bench/call_setup_aiortc.py --url "$url" --ca "$ca" --runs "$runs" \
    --json "$results/aiortc.json"
echo
/usr/bin/python3 - "$results/library.json" "$results/aiortc.json" <<'EOF'
import json, statistics, sys
library, aiortc = (json.load(open(path))["runs"] for path in sys.argv[1:3])
print("side by side, ms from posting the offer: median (min to max)")
print(f"{'':14}{'library':>26}{'aiortc':>26}")
for column in ("answer", "connected", "first frame"):
    cells = []
    for runs in (library, aiortc):
        values = [run[column] * 1000 for run in runs]
        cells.append(f"{statistics.median(values):8.1f} ({min(values):6.1f} to {max(values):6.1f})")
    print(f"{column:14}" + "".join(f"{cell:>26}" for cell in cells))
EOF
echo
echo "load: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
"$build/bench/call_load_bench" --url "$url" --ca "$ca" --seconds "$call_seconds" 2>"$results/load.log" ||
    { tail -20 "$results/load.log" >&2; exit 1; }
