#!/usr/bin/env bash
# Breaks the program's rules on purpose, one at a time, and checks that the test suite notices.
#
#   scripts/mutate.sh [--list] [ID...]
#
# The mutations are listed in tests/mutations.txt. Each is applied to a scratch copy of the
# sources (build-mutate/src, refreshed from the working tree at every run, so the working tree
# itself is never touched), built incrementally in build-mutate/src/build, and tested: first the
# test binaries the mutation names (quick), then, when those all pass, the whole suite, which is
# the judge. The copy is restored after each mutation. A mutation whose original text is not
# found is reported as "nie dotyczy" (not applicable), never skipped silently.
#
# Results go to the terminal and to build-mutate/report.md. Exit status: 0 when every applicable
# mutation was caught or is marked equivalent, 1 otherwise. Not part of CI: it takes a while.
set -euo pipefail
cd "${MUTATE_ROOT:-$(dirname "$0")/..}"
ROOT=$PWD
WORK=${MUTATE_DIR:-$ROOT/build-mutate}
SRC=$WORK/src
# The build folder lies inside the copy, as build/ lies in the working tree, so that the shared
# compiler cache (which keys on paths relative to the source) serves the first build.
BUILD=$SRC/build
LIST=$ROOT/tests/mutations.txt
JOBS=${MUTATE_JOBS:-2}
TIMEOUT=${MUTATE_TEST_TIMEOUT:-180}

# Bash reads a script as it runs: the run goes on from a copy, so the scripts and the list can
# be edited meanwhile.
if [[ -z ${MUTATE_RUNNING_COPY:-} ]]; then
    mkdir -p "$WORK/tools"
    cp scripts/mutate.sh scripts/mutations.py "$LIST" "$WORK/tools/"
    MUTATE_RUNNING_COPY=1 MUTATE_ROOT=$ROOT exec bash "$WORK/tools/mutate.sh" "$@"
fi
ROOT=${MUTATE_ROOT:-$ROOT}
LIST=$WORK/tools/mutations.txt
tool() { python3 "$WORK/tools/mutations.py" "$@"; }

if [[ ${1:-} == --list ]]; then
    tool list "$LIST"
    exit 0
fi

mkdir -p "$SRC" "$BUILD"
# The scratch copy: every tracked or new file of the working tree, as it is now.
# Only changed files are written, so that a second run rebuilds only what changed.
git ls-files -z --cached --others --exclude-standard | tool sync "$LIST" "$SRC"
tool check "$LIST" "$SRC"

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$SRC" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMIRVOLA_BUILD_TESTS=ON \
    -DMIRVOLA_BUILD_BENCH=OFF "${launcher[@]}" >"$WORK/configure.log"
echo "Building the unmutated copy..."
cmake --build "$BUILD" -j"$JOBS" >"$WORK/build.log" 2>&1 || {
    echo "The unmutated copy does not build; see $WORK/build.log" >&2
    exit 2
}

# The unmutated copy must pass, or every mutation would look caught (MUTATE_NO_BASELINE=1 skips
# this when the copy is known to pass).
if [[ -z ${MUTATE_NO_BASELINE:-} ]]; then
    echo "Testing the unmutated copy..."
    if ! ctest --test-dir "$BUILD" -j"$JOBS" --timeout "$TIMEOUT" -LE long \
        >"$WORK/baseline.log" 2>&1; then
        echo "The unmutated copy fails its tests; see $WORK/baseline.log" >&2
        exit 2
    fi
fi

REPORT=$WORK/report.md
RESULTS=$WORK/results.tsv
# MUTATE_KEEP=1 adds to the results of an earlier run instead of starting afresh.
[[ -n ${MUTATE_KEEP:-} ]] || : >"$RESULTS"

# Builds the libraries and then the named test binaries only, without the other targets they
# depend on (the Makefile generator's "/fast" targets); the tool and the operation runner, which
# tests start as processes, are rebuilt too so that they never lag behind the mutant.
quickBuild() {
    if [[ ! -f $BUILD/Makefile ]]; then
        cmake --build "$BUILD" -j"$JOBS" --target "$@"
        return
    fi
    local lib
    for lib in mirvola_core mirvola_gui mirvola_testsupport; do
        make -C "$BUILD" "$lib/fast" || return 1
    done
    local targets=(mirvola-db/fast operation_runner/fast)
    local t
    for t in "$@"; do
        targets+=("$t/fast")
    done
    make -C "$BUILD" -j"$JOBS" "${targets[@]}"
}

# Runs the tests matching the CTest regex $1; prints the failing tests' names (none: all passed).
failing() {
    local log=$WORK/ctest.log
    if ctest --test-dir "$BUILD" -j"$JOBS" --timeout "$TIMEOUT" -LE long -R "$1" \
        --output-on-failure >"$log" 2>&1; then
        return 0
    fi
    # "test_x (Failed)" lines name the binaries, "[  FAILED  ] Suite.Test" lines the tests.
    local names
    names=$(grep -oE '^\[  FAILED  \] [A-Za-z0-9_/]+\.[A-Za-z0-9_/.]+' "$log" |
        sed 's/^\[  FAILED  \] //' | sort -u | head -3 | paste -sd, -)
    local binaries
    binaries=$(sed -n 's/^[[:space:]]*[0-9]* - \([A-Za-z0-9_]*\) (.*/\1/p' "$log" | sort -u |
        paste -sd, -)
    echo "${binaries:-?}: ${names:-(crash, timeout or no test output)}"
}

mapfile -t ids < <(tool ids "$LIST" "$@")
for id in "${ids[@]}"; do
    file=$(tool field "$LIST" "$id" file)
    equivalent=$(tool field "$LIST" "$id" equivalent)
    hinted=$(tool field "$LIST" "$id" tests)
    where=$(tool apply "$LIST" "$id" "$SRC") || where=""
    if [[ -z $where ]]; then
        echo "$id: nie dotyczy (the original text is not in $file)"
        printf '%s\t%s\tnie dotyczy\t\n' "$id" "$file" >>"$RESULTS"
        continue
    fi
    echo "$id: $where"
    result=""
    started=$SECONDS
    if [[ -n $hinted ]] && quickBuild $hinted >"$WORK/mutant-build.log" 2>&1; then
        regex="^($(echo $hinted | tr ' ' '|'))\$"
        result=$(failing "$regex")
    fi
    if [[ -z $result ]]; then
        if ! cmake --build "$BUILD" -j"$JOBS" >"$WORK/mutant-build.log" 2>&1; then
            result="the mutant does not build (see the list entry)"
            cp "$WORK/mutant-build.log" "$WORK/$id.build.log"
        else
            result=$(failing ".")
        fi
    fi
    tool restore "$LIST" "$id" "$SRC" "$where"
    if [[ -n $result ]]; then
        status="caught"
    elif [[ -n $equivalent ]]; then
        status="equivalent"
        result=$equivalent
    else
        status="SURVIVED"
    fi
    echo "  $status: $result ($((SECONDS - started)) s)"
    printf '%s\t%s\t%s\t%s\n' "$id" "$where" "$status" "$result" >>"$RESULTS"
done

tool report "$LIST" "$RESULTS" >"$REPORT"
cat "$REPORT"
! grep -q $'\tSURVIVED\t' "$RESULTS"
