#!/usr/bin/env bash
# Builds the fuzz targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs each for the given number of seconds (default 60). Prints executions and findings;
# exits non-zero when a target found a crash.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
seconds=${1:-60}
# Targets to run: the rest of the arguments, or all of them.
shift || true
targets=("$@")
((${#targets[@]})) || targets=(formula lines whitespace rtf rtfwriter html base64 config links plist paths)
build=${BUILD_DIR:-$root/build-fuzz}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DSUMWISE_BUILD_FUZZ=ON -DSUMWISE_BUILD_TESTS=OFF -DSUMWISE_SANITIZE=ON >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}" >/dev/null

status=0
for target in "${targets[@]}"; do
    work=$(mktemp -d)
    [[ -d $here/corpus/$target ]] && cp -r "$here/corpus/$target/." "$work/"
    dict=()
    [[ -f $here/$target.dict ]] && dict=(-dict="$here/$target.dict")
    # Outside the corpus folder, or libFuzzer would read it as a seed.
    log=$(mktemp)
    set +e
    ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$build/bin/fuzz_$target" "$work" "${dict[@]}" -max_total_time="$seconds" \
        -max_len=4096 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$root/fuzz/crash-$target-" \
        -print_final_stats=1 >"$log" 2>&1
    rc=$?
    set -e
    execs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || echo 0)
    findings=$(grep -cE '^==[0-9]+==ERROR|runtime error|deadly signal|Timeout' "$log" || true)
    echo "fuzz_$target: ${seconds}s, $execs executions, $findings findings (exit $rc)"
    if ((rc != 0)); then
        tail -40 "$log"
        status=1
    fi
    rm -rf "$work" "$log"
done
exit $status
