#!/usr/bin/env bash
# Fuzzes harnesses of fuzz/ with libFuzzer for a while each.
#   bash fuzz/run.sh [-t SECONDS] [-j PARALLEL] [-n] [NAME...]
# NAME is a harness without "_fuzz" (sdp_answer, nib, ...); none means all of them. Each runs
# for SECONDS (default 600), at most PARALLEL at a time (default 3), under nice, on a scratch
# corpus outside the tree (FUZZ_SCRATCH, default /tmp/kvn-fuzz/<name>) seeded from
# fuzz/corpus/<name> and fuzz/reproducers/<name>. A crash is left there as crash-*; once
# mended, copy it to fuzz/reproducers/<name>/ so .ci/run replays it. The last lines print each
# harness's executions and coverage (libFuzzer's cov: and ft:).
# -n runs what is built already, without configuring or building.
# The build is a tree of its own (FUZZ_BUILD, default build-fuzz): clang, every library
# instrumented with -fsanitize=fuzzer-no-link,address,undefined.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=600
parallel=3
build_first=1
while getopts "t:j:n" option; do
    case $option in
    t) seconds=$OPTARG ;;
    j) parallel=$OPTARG ;;
    n) build_first=0 ;;
    *) exit 2 ;;
    esac
done
shift $((OPTIND - 1))

# libFuzzer's runtime comes with clang's runtime libraries.
if ! [ -x /usr/bin/clang++-14 ] || ! ls /usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    apt-get update -qq && apt-get install -y -qq clang-14 libclang-rt-14-dev
fi

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
    for source in fuzz/*_fuzz.cpp; do
        name=$(basename "$source" _fuzz.cpp)
        names+=("$name")
    done
fi

build=${FUZZ_BUILD:-build-fuzz}
scratch=${FUZZ_SCRATCH:-/tmp/kvn-fuzz}
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g1"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
if [ $build_first = 1 ]; then
    cmake -S . -B "$build" -G Ninja -DKVN_FUZZ=ON -DKVN_SANITIZE=OFF -DKVN_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 "${launcher[@]}" \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" >/dev/null
    targets=()
    for name in "${names[@]}"; do targets+=("${name}_fuzz"); done
    nice cmake --build "$build" -j "${JOBS:-4}" --target "${targets[@]}"
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/lsan.supp}
run() {
    local name=$1
    local dir=$scratch/$name
    mkdir -p "$dir/corpus" "$dir/artifacts"
    for seeds in fuzz/corpus/$name fuzz/reproducers/$name; do
        [ -d "$seeds" ] && cp -n "$seeds"/* "$dir/corpus/" 2>/dev/null || true
    done
    local dict=()
    [ -f "fuzz/$name.dict" ] && dict=(-dict="fuzz/$name.dict")
    (cd "$dir" && nice "$OLDPWD/$build/fuzz/${name}_fuzz" corpus "${dict[@]}" -max_total_time="$seconds" -rss_limit_mb=2048 \
        -timeout=10 -print_final_stats=1 -artifact_prefix=artifacts/ >"$dir/log" 2>&1) || echo "$name: stopped with a finding, see $dir/log and $dir/artifacts"
}
running=0
for name in "${names[@]}"; do
    run "$name" &
    running=$((running + 1))
    if [ $running -ge "$parallel" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait || true

for name in "${names[@]}"; do
    log=$scratch/$name/log
    last=$(grep -E "^#[0-9]+" "$log" | tail -1 || true)
    runs=$(grep -E "stat::number_of_executed_units" "$log" | awk '{print $2}' || true)
    echo "$name: executions ${runs:-?}; last: $last"
done
