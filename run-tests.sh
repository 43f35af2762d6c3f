#!/usr/bin/env bash
# Sets up a Debian 12 machine, then checks, builds and tests in four trees:
#
#   lint        the first stage: the plain tree built with warnings in our
#               own code as errors (OSTREL_WERROR), which also fails on an
#               include against the layer order, no include climbing out of
#               a layer (scripts/check-layers.sh), and the format check
#               (scripts/check-format.sh). When it fails, the long trees
#               (fuzz, asan, tsan) are skipped; the plain tests still run
#               when the plain tree built.
#   build       the whole test suite
#   build-fuzz  every libFuzzer target for a few seconds on its seed corpus
#   build-asan  the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer
#   build-tsan  the player, relay and detector tests under ThreadSanitizer
#
# A failed test, a sanitizer report (ctest's sanitizer_reports test) or a
# fuzzer finding fails the run. The last line sums up all trees.
#
#   ./run-tests.sh                 everything (about 10 minutes on two cores)
#   ./run-tests.sh --no-sanitizers the plain tree and the fuzz smoke runs
#   ./run-tests.sh --quick         the plain tree only, for local iteration
#   ./run-tests.sh --quick -L net  further arguments go to every ctest run
set -uo pipefail
cd "$(dirname "$0")" || exit 1

quick=false
sanitizers=true
case "${1:-}" in
    --quick) quick=true; sanitizers=false; shift ;;
    --no-sanitizers) sanitizers=false; shift ;;
esac
ctest_args=("$@")

# The format check of the first stage.
check_format=true

fuzz_seconds=5
tsan_labels='^(player|overlays)$'

passed=0
failed=0
results=()

# record <tree> <passed> <failed>
record() {
    passed=$((passed + $2))
    failed=$((failed + $3))
    results+=("$(printf '%-11s %3d passed, %d failed' "$1" "$2" "$3")")
}

# Line tables only: backtraces and sanitizer reports keep their files and
# lines, and the trees compile in about two thirds of the time that full
# debug information takes. The sanitizer trees build at -O1 as well.
plain_flags='-O2 -g1 -DNDEBUG'
sanitizer_flags='-O1 -g1 -DNDEBUG'

# configure <tree> <cmake options...>
configure() {
    local tree=$1
    shift
    echo "==== $tree: configure and build"
    cmake -S . -B "$tree" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$plain_flags" "$@" >/dev/null
}

# compile <tree> [targets...]: all targets when none are named.
compile() {
    local tree=$1
    shift
    cmake --build "$tree" --parallel 2 ${1+--target "$@"}
}

# A tree that does not configure or build counts as one failure.
build_failed() {
    echo "==== $1: build FAILED"
    record "$1" 0 1
}

# skipped <tree>: a tree left out because the first stage failed.
skipped() {
    echo "==== $1: skipped, the first stage failed"
    results+=("$(printf '%-11s skipped' "$1")")
}

# The first stage. The -Werror build is the plain tree itself rather than a
# tree of its own: it costs no compilation beyond what the plain tests need
# anyway, and those tests then run on exactly what was checked.
lint() {
    local ok=0 bad=0
    if $check_format; then
        echo "==== lint: format"
        if scripts/check-format.sh; then
            ok=$((ok + 1))
        else
            bad=$((bad + 1))
            echo "==== lint: format FAILED (clang-format -i FILE formats a file)"
        fi
    fi
    echo "==== lint: layers"
    if scripts/check-layers.sh; then
        ok=$((ok + 1))
    else
        bad=$((bad + 1))
        echo "==== lint: layers FAILED"
    fi
    if configure build -DOSTREL_WERROR=ON && compile build; then
        ok=$((ok + 1))
        built=true
    else
        bad=$((bad + 1))
        echo "==== lint: build with -Werror FAILED"
    fi
    record lint $ok $bad
    [ "$bad" -eq 0 ]
}

# run_ctest <tree> [ctest options...]: runs the tree's tests and records
# ctest's own count.
run_ctest() {
    local tree=$1
    shift
    echo "==== $tree: tests"
    (cd "$tree" && ctest --output-on-failure --parallel 2 "$@" ${ctest_args[@]+"${ctest_args[@]}"}) \
        | tee "$tree/ctest.log"
    local failures total
    read -r failures total < <(sed -nE 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1 \2/p' \
        "$tree/ctest.log" | tail -1)
    if [ -z "${total:-}" ]; then
        echo "==== $tree: ctest gave no result"
        record "$tree" 0 1
        return
    fi
    record "$tree" $((total - failures)) "$failures"
}

# The test programs ctest would run in <tree> with the given options; each
# is built by a target of its name. The report check is no program.
selected_tests() {
    local tree=$1
    shift
    (cd "$tree" && ctest -N "$@") | sed -nE 's/^ *Test +#[0-9]+: (.*)$/\1/p' \
        | grep -v '^sanitizer_reports'
}

# Runs each fuzz target for a few seconds on its seeds; every target ships a
# corpus folder named after it. What a run finds goes to build-fuzz/corpus.
run_fuzzers() {
    local tree=build-fuzz targets=() dir
    for dir in tests/fuzz/corpus/*/; do
        targets+=("$(basename "$dir")")
    done
    if ! configure "$tree" -DCMAKE_CXX_COMPILER=clang++ -DOSTREL_BUILD_FUZZERS=ON \
        -DOSTREL_BUILD_BENCH=OFF || ! compile "$tree" "${targets[@]}"; then
        build_failed "$tree"
        return
    fi

    echo "==== $tree: ${fuzz_seconds} s per fuzz target"
    local ok=0 bad=0 name log dict
    for name in "${targets[@]}"; do
        mkdir -p "$tree/corpus/$name" "$tree/findings"
        log="$tree/$name.log"
        dict=()
        [ -f "tests/fuzz/$name.dict" ] && dict=("-dict=tests/fuzz/$name.dict")
        if "$tree/tests/fuzz/$name" -max_total_time=$fuzz_seconds -timeout=10 -print_final_stats=1 \
            -artifact_prefix="$tree/findings/$name-" ${dict[@]+"${dict[@]}"} \
            "$tree/corpus/$name" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
            ok=$((ok + 1))
            echo "$name: $(grep -E '^Done [0-9]+ runs' "$log" | tail -1)"
        else
            bad=$((bad + 1))
            tail -n 60 "$log"
            echo "$name: FAILED (input and log in $tree/findings, $log)"
        fi
    done
    record "$tree" $ok $bad
}

scripts/setup-debian.sh || exit 1

built=false
lint_passed=true
lint || lint_passed=false

if $built; then
    run_ctest build
else
    skipped build
fi

if ! $lint_passed; then
    $quick || skipped build-fuzz
    if $sanitizers; then
        skipped build-asan
        skipped build-tsan
    fi
fi

if ! $quick && $lint_passed; then
    run_fuzzers
fi

if $sanitizers && $lint_passed; then
    if configure build-asan -DOSTREL_SANITIZE=address -DOSTREL_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$sanitizer_flags" \
        && compile build-asan; then
        run_ctest build-asan
    else
        build_failed build-asan
    fi

    # Only the tests that run threads of their own are built and run here.
    if configure build-tsan -DOSTREL_SANITIZE=thread -DOSTREL_BUILD_BENCH=OFF \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$sanitizer_flags" \
        && mapfile -t tsan_tests < <(selected_tests build-tsan -L "$tsan_labels") \
        && compile build-tsan "${tsan_tests[@]}"; then
        run_ctest build-tsan -L "$tsan_labels"
    else
        build_failed build-tsan
    fi
fi

echo "==== Summary"
printf '%s\n' "${results[@]}"
echo "Total: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
