#!/usr/bin/env bash
# How fast tdg is, beside plain baselines, in one table. Not run in CI.
#
#   bash bench/run.sh [ROWS]
#
# ROWS is the size of the demo's largest table (order_lines, default 50000; the demo's five
# other tables get fewer). Builds in Release into build-rel/ (the bench targets only), then:
#   - fills the demo schema with `tdg demo --seed 1` and takes the insert seconds of its summary;
#   - reads those rows back, empties the tables and inserts the same values again through one
#     plain prepared statement per table, committing every 1000 rows and checking foreign keys
#     as tdg does, TDG_BENCH_ROUNDS times, the round of the median ratio counting (SQLite;
#     PostgreSQL too when KVL_TEST_PG is set, e.g. after eval "$(scripts/servers.sh start)"),
#     and on PostgreSQL once more with COPY, the engine's own limit;
#   - runs window_run_bench (when Qt is there): the demo project through the window's threaded
#     run, drawn offscreen, against the command line's run, TDG_BENCH_ROUNDS rounds in turns, the
#     median of the rounds' ratios counting (target 0.95);
#   - runs engine_bench: on PostgreSQL the fill of 1,000,000 rows of 8 integer columns against
#     COPY of the same values, and the INSERT path against a plain libpq loop; on MariaDB (when
#     KVL_TEST_MY is set) the fill of 100,000 rows against a plain mysql_stmt loop (target 0.80)
#     and against LOAD DATA LOCAL (target 0.00: the ratio is only reported); on Firebird (when
#     KVL_TEST_FB is set) the fill of 100,000 rows against a plain loop on the client library's
#     own interface (target 0.80);
#   - makes names, e-mail addresses, integers, date-times, reals and GUIDs with tdg's generators
#     and with @faker-js/faker, TDG_BENCH_ROUNDS times each in turn (default 3; the median ratio
#     counts), both sides of a turn on the same CPU, the turns going round the CPUs.
#     faker is installed with npm into /tmp/tdg-bench-faker on the first run; Node.js comes from
#     the Debian packages when missing; without either that part is left out with a message.
# The demo tables on the KVL_TEST_PG database are dropped and created anew.
# Ratios are tdg's rate over the baseline's: 1.00 is as fast, below 1 slower. Every ratio has a
# target (0.00 where it is only reported); the script exits 1 when one falls below it, after
# printing the whole table.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
ROWS=${1:-50000}
VALUES=${TDG_BENCH_VALUES:-1000000}
ROUNDS=${TDG_BENCH_ROUNDS:-3}
BUILD=${TDG_BENCH_BUILD:-$ROOT/build-rel}
FAKER=${TDG_BENCH_FAKER_DIR:-/tmp/tdg-bench-faker}
SCRATCH=$(mktemp -d /tmp/tdg-bench.XXXXXX)
trap 'rm -rf "$SCRATCH"' EXIT
export TDG_DATA_DIR=${TDG_DATA_DIR:-$ROOT/data/}

say() { echo "bench: $*" >&2; }

say "building in Release into $BUILD"
LAUNCHER=()
command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release "${LAUNCHER[@]}" -DKVL_BUILD_BENCH=ON \
    >"$SCRATCH/cmake.log" || { cat "$SCRATCH/cmake.log" >&2; exit 1; }
TARGETS=(tdg tdg_demo_replay tdg_value_rates engine_bench)
# the window's bench is there only when Qt is
ninja -C "$BUILD" -t targets all >"$SCRATCH/targets"
grep -q '^window_run_bench:' "$SCRATCH/targets" && TARGETS+=(window_run_bench)
ninja -C "$BUILD" -j2 "${TARGETS[@]}" >"$SCRATCH/ninja.log" ||
    { tail -30 "$SCRATCH/ninja.log" >&2; exit 1; }
TDG=$BUILD/app/tdg/tdg
REPLAY=$BUILD/bench/tdg_demo_replay

# "rows seconds" of the insert phases, summed over the tables of a tdg summary
tdg_demo() {
    "${PIN[@]}" "$TDG" demo "$@" --rows "$ROWS" --seed 1 --log-dir "$SCRATCH/logs" >"$SCRATCH/demo.out" ||
        { cat "$SCRATCH/demo.out" >&2; exit 1; }
    awk '/^Table /{on=1; next} on && NF==5 {rows+=$2; s+=$4} END {printf "%d %.3f\n", rows, s}' "$SCRATCH/demo.out"
}

# the "rows seconds" of one method of the replay output
method() { awk -v m="$1" '$1==m {print $2, $3}' "$2"; }

ROWS_OUT=()
BELOW=0
# label, tdg, baseline, ratio, target
row() {
    local mark=""
    if awk -v r="$4" -v t="$5" 'BEGIN {exit !(r < t)}'; then
        mark="  below target"
        BELOW=1
    fi
    ROWS_OUT+=("$(printf '%-48s %14s %14s %8s %7s%s' "$1" "$2" "$3" "$4" "$5" "$mark")")
}

rate() { awk -v r="$1" -v s="$2" 'BEGIN {printf "%.0f", (s > 0 ? r / s : 0)}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", (b > 0 ? a / b : 0)}'; }

# The CPUs of a shared machine differ by a third and more in speed: where a comparison's two
# sides run in turns, both run on the same CPU, and the rounds go round the CPUs.
CPUS=$(nproc 2>/dev/null || echo 1)
PIN=()
on_cpu() { if command -v taskset >/dev/null; then taskset -c "$@"; else shift; "$@"; fi; }

# One round of a demo comparison: "tdg plain copy" rates (copy 0 where there is none). On
# SQLite the database is in the process, and both sides run on the round's CPU.
fill_round() {
    local connect=$1 replay_target=$2 engine=$3 round=$4
    PIN=(on_cpu "$(((round - 1) % CPUS))")
    [ "$engine" = sqlite ] || PIN=()
    read -r rows secs < <(tdg_demo $connect)
    "${PIN[@]}" "$REPLAY" "$engine" "$replay_target" >"$SCRATCH/replay.out"
    read -r prow psecs < <(method plain "$SCRATCH/replay.out")
    if [ "$rows" != "$prow" ]; then say "row counts differ: tdg $rows, replay $prow"; exit 1; fi
    local c=0
    if [ "$engine" = postgresql ]; then
        read -r crow csecs < <(method copy "$SCRATCH/replay.out")
        c=$(rate "$crow" "$csecs")
    fi
    echo "$(rate "$rows" "$secs") $(rate "$prow" "$psecs") $c"
}

# "a b" of the round whose a / b is the median of the rounds in the file
median_round() { awk '{print ($2 > 0 ? $1 / $2 : 0), $0}' "$1" | sort -g | awk '{r[NR] = $2 " " $3} END {print r[int((NR + 1) / 2)]}'; }

# ROUNDS rounds; each comparison's row is the round of its own median ratio
compare_fill() {
    local label=$1 connect=$2 replay_target=$3 engine=$4 plain_target=$5
    say "$label: tdg demo, $ROWS order lines, $ROUNDS rounds"
    for round in $(seq 1 "$ROUNDS"); do fill_round "$connect" "$replay_target" "$engine" "$round"; done \
        >"$SCRATCH/rounds.out"
    local t p
    read -r t p < <(awk '{print $1, $2}' "$SCRATCH/rounds.out" >"$SCRATCH/plain.out"; median_round "$SCRATCH/plain.out")
    row "$label: tdg fill vs plain prepared insert" "$t" "$p" "$(ratio "$t" "$p")" "$plain_target"
    if [ "$engine" = postgresql ]; then
        read -r t p < <(awk '{print $1, $3}' "$SCRATCH/rounds.out" >"$SCRATCH/copy.out"; median_round "$SCRATCH/copy.out")
        row "$label: tdg fill vs COPY" "$t" "$p" "$(ratio "$t" "$p")" 0.50
    fi
}

compare_fill "SQLite demo" "--db $SCRATCH/demo.sqlite" "$SCRATCH/demo.sqlite" sqlite 0.80
if [ -n "${KVL_TEST_PG:-}" ]; then
    compare_fill "PostgreSQL demo" "--connect $KVL_TEST_PG" "$KVL_TEST_PG" postgresql 0.80
else
    say "KVL_TEST_PG is not set: no PostgreSQL rows"
fi
# The window's threaded run of the demo project, drawn offscreen, against the command line's run
# of the same project, in turns; its databases are in /dev/shm (TDG_BENCH_DIR moves them).
if [ -x "$BUILD/bench/window_run_bench" ]; then
    say "window_run_bench: 6 tables x $ROWS rows, $ROUNDS rounds"
    "$BUILD/bench/window_run_bench" "$ROWS" "$ROUNDS" >"$SCRATCH/window.out" 2>"$SCRATCH/window.err" ||
        { cat "$SCRATCH/window.out" "$SCRATCH/window.err" >&2; exit 1; }
    grep -v '^window_ratio ' "$SCRATCH/window.out" >&2
    read -r _ wrows cli_s window_s wratio < <(grep '^window_ratio ' "$SCRATCH/window.out")
    row "window run vs command line run (median of $ROUNDS)" "$(rate "$wrows" "$window_s")" \
        "$(rate "$wrows" "$cli_s")" "$wratio" 0.95
else
    say "window_run_bench was not built (no Qt): no window row"
fi

[ -n "${KVL_TEST_MY:-}" ] || say "KVL_TEST_MY is not set: no MariaDB rows"
[ -n "${KVL_TEST_FB:-}" ] || say "KVL_TEST_FB is not set: no Firebird row"
if [ -n "${KVL_TEST_PG:-}${KVL_TEST_MY:-}${KVL_TEST_FB:-}" ]; then
    say "engine_bench: PostgreSQL, 1,000,000 rows of 8 integer columns; MariaDB and Firebird, 100,000"
    "$BUILD/bench/engine_bench" >"$SCRATCH/engine.out" || [ $? -eq 3 ] ||
        { cat "$SCRATCH/engine.out" >&2; exit 1; }
    cat "$SCRATCH/engine.out" >&2
    while read -r _ what t b r target; do
        engine=PostgreSQL
        [ "${what#my_}" != "$what" ] && engine=MariaDB
        [ "${what#fb_}" != "$what" ] && engine=Firebird
        row "$engine: $what" "$t" "$b" "$r" "$target"
    done < <(grep '^ratio ' "$SCRATCH/engine.out")
fi

say "value generation, $VALUES values of each kind"
faker_ready() {
    if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
        if [ "$(id -u)" = 0 ] && command -v apt-get >/dev/null; then
            say "installing Node.js from the Debian packages"
            apt-get install -y -qq nodejs npm >&2 || return 1
        else
            return 1
        fi
    fi
    if [ ! -d "$FAKER/node_modules/@faker-js/faker" ]; then
        say "installing @faker-js/faker into $FAKER"
        mkdir -p "$FAKER"
        npm install --prefix "$FAKER" --no-audit --no-fund --silent @faker-js/faker >&2 || return 1
    fi
}
if faker_ready; then
    cp "$ROOT/bench/faker_rates.mjs" "$FAKER/faker_rates.mjs"
    # The two sides take turns, so that a change of the machine's load hits both alike, and each
    # turn both run on the same CPU, all their threads (faker's collector too): values per second
    # of one CPU. Each kind's row is the round of the median ratio.
    for round in $(seq 1 "$ROUNDS"); do
        cpu=$(((round - 1) % CPUS))
        on_cpu "$cpu" "$BUILD/bench/tdg_value_rates" "$VALUES" | sed "s/^/$round /" >>"$SCRATCH/tdg_values.out"
        on_cpu "$cpu" node "$FAKER/faker_rates.mjs" "$VALUES" | sed "s/^/$round /" >>"$SCRATCH/faker_values.out"
    done
    FAKER_VERSION=$(node -p "require('$FAKER/node_modules/@faker-js/faker/package.json').version")
    for kind in names emails integers dates reals guids; do
        read -r t f < <(join <(awk -v k=$kind '$2==k {print $1, $3}' "$SCRATCH/tdg_values.out" | sort) \
            <(awk -v k=$kind '$2==k {print $1, $3}' "$SCRATCH/faker_values.out" | sort) |
            awk '{print $2 / $3, $2, $3}' | sort -g | awk '{r[NR] = $2 " " $3} END {print r[int((NR + 1) / 2)]}')
        row "values: $kind, tdg vs faker $FAKER_VERSION (median of $ROUNDS)" "$t" "$f" "$(ratio "$t" "$f")" 20.00
    done
else
    say "Node.js or @faker-js/faker could not be had (no network, or not root for apt-get): the value rates against faker are left out"
fi

echo
printf '%-48s %14s %14s %8s %7s\n' "comparison (rows or values per second)" "tdg" "baseline" "ratio" "target"
printf '%s\n' "${ROWS_OUT[@]}"
if [ "$BELOW" = 1 ]; then
    say "a ratio is below its target"
    exit 1
fi
