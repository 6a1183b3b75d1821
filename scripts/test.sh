#!/usr/bin/env bash
# Runs every test: installs what is missing, starts the database servers the tests use (loopback
# only), builds with the address and undefined-behaviour sanitizers, runs the fuzz targets for a
# bounded time and then the whole suite under ctest.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${KVL_TEST_BUILD:-$here/build-test}
bash "$here/scripts/install-deps.sh"

# Every database test needs its server: one that cannot start ends the run here, in one line,
# instead of turning into skipped tests; and no test may skip for want of an engine.
errors=$(mktemp)
if ! exports=$(env -u KVL_SERVERS_DIR bash "$here/scripts/servers.sh" start 2>"$errors"); then
  echo "test.sh: $(grep -v '^\s*$' "$errors" | tail -n 1)" >&2
  rm -f "$errors"
  exit 1
fi
rm -f "$errors"
eval "$exports"
trap 'bash "$here/scripts/servers.sh" stop >/dev/null 2>&1 || true' EXIT
export CI=true

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKVL_SANITIZE=ON -DKVL_BUILD_BENCH=ON
cmake --build "$build" --parallel 2

if [ -x "$here/fuzz/run.sh" ] || [ -f "$here/fuzz/run.sh" ]; then
  bash "$here/fuzz/run.sh"
fi

# The leak check reads the thread-local storage of libraries opened at run time; the embedded
# Firebird engine's plugins leave an entry there that it cannot read at exit (its tracer then
# crashes after a passing test), so that storage is not intercepted.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
export LSAN_OPTIONS=suppressions=$here/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure --parallel 2 --timeout 600
