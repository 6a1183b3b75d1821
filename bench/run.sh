#!/usr/bin/env bash
# How fast tdg is, beside plain baselines, in one table. Not run in CI.
#
#   bash bench/run.sh [ROWS]
#
# ROWS is the size of the demo's largest table (order_lines, default 50000; the demo's five
# other tables get fewer). Builds in Release into build-bench/, then:
#   - fills the demo schema with `tdg demo --seed 1` and takes the insert seconds of its summary;
#   - reads those rows back, empties the tables and inserts the same values again through one
#     plain prepared statement per table, committing every 1000 rows as tdg does (SQLite;
#     PostgreSQL too when KVL_TEST_PG is set, e.g. after eval "$(scripts/servers.sh start)"),
#     and on PostgreSQL once more with COPY, the engine's own limit;
#   - makes names, e-mail addresses, integers and date-times with tdg's generators and with
#     @faker-js/faker (installed with npm into /tmp/tdg-bench-faker on the first run).
# The demo tables on the KVL_TEST_PG database are dropped and created anew.
# Ratios are tdg's rate over the baseline's: 1.00 is as fast, below 1 slower.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
ROWS=${1:-50000}
VALUES=${TDG_BENCH_VALUES:-1000000}
BUILD=${TDG_BENCH_BUILD:-$ROOT/build-bench}
FAKER=${TDG_BENCH_FAKER_DIR:-/tmp/tdg-bench-faker}
SCRATCH=$(mktemp -d /tmp/tdg-bench.XXXXXX)
trap 'rm -rf "$SCRATCH"' EXIT
export TDG_DATA_DIR=${TDG_DATA_DIR:-$ROOT/data/}

say() { echo "bench: $*" >&2; }

say "building in Release into $BUILD"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKVL_BUILD_TESTS=OFF \
    -DKVL_BUILD_BENCH=ON >"$SCRATCH/cmake.log" || { cat "$SCRATCH/cmake.log" >&2; exit 1; }
ninja -C "$BUILD" -j2 tdg tdg_demo_replay tdg_value_rates >"$SCRATCH/ninja.log" ||
    { tail -30 "$SCRATCH/ninja.log" >&2; exit 1; }
TDG=$BUILD/app/tdg/tdg
REPLAY=$BUILD/bench/tdg_demo_replay

# "rows seconds" of the insert phases, summed over the tables of a tdg summary
tdg_demo() {
    "$TDG" demo "$@" --rows "$ROWS" --seed 1 --log-dir "$SCRATCH/logs" >"$SCRATCH/demo.out" ||
        { cat "$SCRATCH/demo.out" >&2; exit 1; }
    awk '/^Table /{on=1; next} on && NF==5 {rows+=$2; s+=$4} END {printf "%d %.3f\n", rows, s}' "$SCRATCH/demo.out"
}

# the "rows seconds" of one method of the replay output
method() { awk -v m="$1" '$1==m {print $2, $3}' "$2"; }

ROWS_OUT=()
row() { ROWS_OUT+=("$(printf '%-44s %14s %14s %8s' "$1" "$2" "$3" "$4")"); }

rate() { awk -v r="$1" -v s="$2" 'BEGIN {printf "%.0f", (s > 0 ? r / s : 0)}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

compare_fill() {
    local label=$1 connect=$2 replay_target=$3 engine=$4
    say "$label: tdg demo, $ROWS order lines"
    read -r rows secs < <(tdg_demo $connect)
    "$REPLAY" "$engine" "$replay_target" >"$SCRATCH/replay.out"
    read -r prow psecs < <(method plain "$SCRATCH/replay.out")
    if [ "$rows" != "$prow" ]; then say "row counts differ: tdg $rows, replay $prow"; exit 1; fi
    local t p
    t=$(rate "$rows" "$secs")
    p=$(rate "$prow" "$psecs")
    row "$label: tdg fill vs plain prepared insert" "$t" "$p" "$(ratio "$t" "$p")"
    if [ "$engine" = postgresql ]; then
        read -r crow csecs < <(method copy "$SCRATCH/replay.out")
        local c
        c=$(rate "$crow" "$csecs")
        row "$label: tdg fill vs COPY" "$t" "$c" "$(ratio "$t" "$c")"
    fi
}

compare_fill "SQLite" "--db $SCRATCH/demo.sqlite" "$SCRATCH/demo.sqlite" sqlite
if [ -n "${KVL_TEST_PG:-}" ]; then
    compare_fill "PostgreSQL" "--connect $KVL_TEST_PG" "$KVL_TEST_PG" postgresql
else
    say "KVL_TEST_PG is not set: no PostgreSQL rows"
fi

say "value generation, $VALUES values of each kind"
if [ ! -d "$FAKER/node_modules/@faker-js/faker" ]; then
    say "installing @faker-js/faker into $FAKER"
    mkdir -p "$FAKER"
    npm install --prefix "$FAKER" --no-audit --no-fund --silent @faker-js/faker >&2
fi
cp "$ROOT/bench/faker_rates.mjs" "$FAKER/faker_rates.mjs"
"$BUILD/bench/tdg_value_rates" "$VALUES" >"$SCRATCH/tdg_values.out"
node "$FAKER/faker_rates.mjs" "$VALUES" >"$SCRATCH/faker_values.out"
FAKER_VERSION=$(node -p "require('$FAKER/node_modules/@faker-js/faker/package.json').version")
for kind in names emails integers dates; do
    t=$(awk -v k=$kind '$1==k {print $2}' "$SCRATCH/tdg_values.out")
    f=$(awk -v k=$kind '$1==k {print $2}' "$SCRATCH/faker_values.out")
    row "values: $kind, tdg vs faker $FAKER_VERSION" "$t" "$f" "$(ratio "$t" "$f")"
done

echo
printf '%-44s %14s %14s %8s\n' "comparison (rows or values per second)" "tdg" "baseline" "ratio"
printf '%s\n' "${ROWS_OUT[@]}"
