#!/usr/bin/env python3
"""Counts how many small faults the tests catch.

Applies a fixed, seeded set of faults to the core and host sources, one at a time (a flipped
comparison, a number shifted by one, a dropped statement, two arguments swapped), rebuilds the
non-window test executables, runs them and restores the source. A fault is caught when a test
fails or the run times out; a fault that does not build is left out of the count.

    python3 scripts/mutate.py --build build --count 40 --seed 1
    python3 scripts/mutate.py --list --count 40 --seed 1
    python3 scripts/mutate.py --build build --count 40 --seed 1 --at c6569be

With --at the faults are chosen from the sources as they were at that commit, so that two runs
months apart (or before and after a change to the tests) try the same faults even when files have
been added since; a fault whose line has changed in the meantime is left out like one that does
not build. Only the test executables that the fault's rebuild relinked run, the fastest first.

With --tests only the named executables are built and run (the command line suite, which starts the
program for every case, takes many minutes on a loaded machine). After a change to the tests of
some executables only, --changed names them and --previous gives the report from before: the
changed ones run first, and a fault they do not catch keeps its earlier verdict when that came
from an unchanged executable, or survival; only a fault that a changed executable caught before
and misses now runs the unchanged ones again.

    python3 scripts/mutate.py --count 40 --at c6569be --tests kvl3_base_tests,tdg_core_tests,kvl3_db_tests \
        --changed kvl3_base_tests,tdg_core_tests --previous scripts/mutation-baseline.txt

Run it with the test servers up (scripts/servers.sh) so that the database tests run on every
engine; the kill rate goes to standard output and, with --report, into a file.
"""
import argparse
import os
import pathlib
import random
import re
import signal
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
SOURCES = ["Modules/TestDataGenerator", "host/base", "host/kvl3_db"]
# The window and its Qt helpers are tested through another executable; they stay out.
SKIP = ("fTestDataGenerator", "uTestDataGeneratorModule", "kvl3_lib")
# the fastest first: a fault the unit tests catch costs no run of the database suites
TESTS = ["kvl3_base_tests", "tdg_core_tests", "kvl3_db_tests", "reliability_tests", "tdg_cli_tests"]
# the command line tests run the program as a child: its relinking is what counts for them
WATCHED = {"tdg_cli_tests": ["tests/tdg_cli_tests", "app/tdg/tdg"]}

FLIPS = {"<=": ">", ">=": "<", "==": "!=", "!=": "==", "<": ">=", ">": "<=", "&&": "||", "||": "&&"}
COMPARISON = re.compile(r"(?<![<>=!&|-])(<=|>=|==|!=|&&|\|\||<|>)(?![<>=&|])")
NUMBER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
CALL2 = re.compile(r"\b(\w+)\(([^(),]+), ([^(),]+)\)")
STATEMENT = re.compile(r"^\s+[\w:.>-]+(\(.*\))?( [-+*/]?= .*)?;\s*$")


class Fault:
    def __init__(self, path, line, kind, before, after):
        self.path, self.line, self.kind, self.before, self.after = path, line, kind, before, after

    def __str__(self):
        return f"{self.path}:{self.line + 1} {self.kind}: {self.before.strip()}  =>  {self.after.strip()}"


def code_lines(text):
    """Lines worth changing: not comments, includes, declarations of templates or blank."""
    for number, line in enumerate(text.splitlines()):
        stripped = line.strip()
        if not stripped or stripped.startswith(("//", "#", "*", "/*", "template", "static_assert")):
            continue
        yield number, line


def faults_in(rel, text):
    found = []
    previous = ""
    for number, line in code_lines(text):
        # a line that continues the one before is no statement of its own
        continues = not previous.rstrip().endswith((";", "{", "}", ":"))
        previous = line
        if re.search(r"\b(if|while|return|for)\b", line):
            for m in COMPARISON.finditer(line):
                op = m.group(1)
                # template brackets and stream operators are no comparisons
                if op in "<>" and re.search(r"\w<\w|>\(|>::|<<|>>", line):
                    continue
                found.append(Fault(rel, number, "flip", line, line[: m.start()] + FLIPS[op] + line[m.end():]))
        for m in NUMBER.finditer(line):
            if '"' in line[: m.start()] and line[: m.start()].count('"') % 2:
                continue
            shifted = str(int(m.group(1)) + 1)
            found.append(Fault(rel, number, "shift", line, line[: m.start()] + shifted + line[m.end():]))
        m = CALL2.search(line)
        if m and m.group(1) not in ("if", "while", "for", "switch", "sizeof") and '"' not in line:
            swapped = f"{m.group(1)}({m.group(3)}, {m.group(2)})"
            found.append(Fault(rel, number, "swap", line, line[: m.start()] + swapped + line[m.end():]))
        if not continues and STATEMENT.match(line) and not re.search(r"\b(return|break|continue|throw|case|default)\b", line):
            found.append(Fault(rel, number, "drop", line, re.match(r"^\s*", line).group(0) + ";"))
    return found


def sources(at):
    """(relative path, text) of every source file that may get a fault, in a fixed order."""
    for folder in SOURCES:
        if at:
            listed = subprocess.run(["git", "ls-tree", "-r", "--name-only", at, "--", folder], cwd=ROOT,
                                    check=True, capture_output=True, text=True).stdout.split()
            paths = sorted(pathlib.PurePosixPath(name) for name in listed if name.endswith(".cpp"))
        else:
            paths = sorted(path.relative_to(ROOT) for path in (ROOT / folder).rglob("*.cpp"))
        for rel in paths:
            if any(part in SKIP for part in rel.parts):
                continue
            if at:
                text = subprocess.run(["git", "show", f"{at}:{rel}"], cwd=ROOT, check=True,
                                      capture_output=True, text=True).stdout
            else:
                text = (ROOT / rel).read_text(encoding="utf-8")
            yield str(rel), text


def all_faults(at=None):
    faults = []
    for rel, text in sources(at):
        faults.extend(faults_in(rel, text))
    return faults


def choose(count, seed, at=None):
    faults = all_faults(at)
    random.Random(seed).shuffle(faults)
    return faults[:count]


def apply(fault):
    path = ROOT / fault.path
    original = path.read_text(encoding="utf-8")
    lines = original.splitlines(keepends=True)
    if fault.line >= len(lines) or lines[fault.line].rstrip("\r\n") != fault.before:
        return None
    ending = "\n" if lines[fault.line].endswith("\n") else ""
    lines[fault.line] = fault.after + ending
    path.write_text("".join(lines), encoding="utf-8")
    return original


# the word lists, as the test runner gives them
ENVIRONMENT = dict(os.environ, TDG_DATA_DIR=str(ROOT / "data") + "/")


def run(cmd, timeout, cwd):
    try:
        return subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout, env=ENVIRONMENT).returncode
    except subprocess.TimeoutExpired:
        return "timeout"


def earlier_verdicts(report):
    """fault text -> verdict, from a report written by --report."""
    verdicts = {}
    for line in pathlib.Path(report).read_text(encoding="utf-8").splitlines():
        m = re.match(r"\s*\d+/\d+ (.*?) \(\d+ s\)  (.*)$", line)
        if m:
            verdicts[m.group(2)] = re.sub(r" \(as before\)$", "", m.group(1))
    return verdicts


def stamps(build):
    def stamp(rel):
        path = build / rel
        return path.stat().st_mtime_ns if path.exists() else None

    return {test: [stamp(rel) for rel in WATCHED.get(test, [f"tests/{test}"])] for test in TESTS}


def rebuild(build):
    """The executables whose rebuild relinked them, or None when the build fails."""
    before = stamps(build)
    if run(["ninja", "-C", str(build)] + TESTS, 1800, ROOT) != 0:
        return None
    after = stamps(build)
    return [test for test in TESTS if before[test] != after[test]]


def first_failing(build, tests, timeout):
    for test in tests:
        # a test executable stops at its first failure: one is enough to catch the fault
        status = run([str(build / "tests" / test), "--gtest_brief=1", "--gtest_fail_fast"], timeout,
                     build / "tests")
        if status != 0:
            return f"{test} ({status})"
    return None


def caught(build, timeout, changed=(), before=None):
    relinked = rebuild(build)
    if relinked is None:
        return "no build"
    # an executable the fault's rebuild left alone runs the code it ran without the fault
    if before is None or before in ("no build", "moved"):
        return first_failing(build, relinked, timeout)
    by = first_failing(build, [test for test in relinked if test in changed], timeout)
    if by is not None or before == "SURVIVED":
        return by
    catcher = before.removeprefix("caught by ").split(" ")[0]
    if catcher not in changed:
        return before.removeprefix("caught by ") + " (as before)"
    return first_failing(build, [test for test in relinked if test not in changed], timeout)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--build", default="build", help="a configured build folder")
    parser.add_argument("--count", type=int, default=40)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=int, default=600, help="seconds one test executable may take")
    parser.add_argument("--list", action="store_true", help="print the faults and change nothing")
    parser.add_argument("--report", help="a file for the results")
    parser.add_argument("--at", help="choose the faults from the sources at this commit")
    parser.add_argument("--tests", help="comma-separated test executables to build and run (default: all)")
    parser.add_argument("--start", type=int, default=1, help="go on from this fault number of a stopped run")
    parser.add_argument("--changed", default="", help="comma-separated executables whose tests changed")
    parser.add_argument("--previous", help="the report from before the change of --changed")
    args = parser.parse_args()
    if args.previous and not args.changed:
        parser.error("--previous needs --changed")
    # a stopped run still puts the source back
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))

    if args.tests:
        TESTS[:] = [test for test in TESTS if test in args.tests.split(",")]
    previous = earlier_verdicts(args.previous) if args.previous else {}
    faults = choose(args.count, args.seed, args.at)
    if args.list:
        for fault in faults:
            print(fault)
        return 0
    build = (ROOT / args.build).resolve()
    if rebuild(build) is None or first_failing(build, TESTS, args.timeout) is not None:
        print("the tests fail without any fault; fix them first", file=sys.stderr)
        return 2
    lines, killed, built = [], 0, 0
    for index, fault in enumerate(faults, 1):
        if index < args.start:
            continue
        started = time.time()
        original = apply(fault)
        if original is None:
            by = "moved"
        else:
            try:
                by = caught(build, args.timeout, args.changed.split(","), previous.get(str(fault)))
            finally:
                (ROOT / fault.path).write_text(original, encoding="utf-8")
        left_out = by in ("no build", "moved")
        built += not left_out
        killed += by is not None and not left_out
        verdict = by if left_out else ("caught by " + by if by else "SURVIVED")
        line = f"{index:3}/{len(faults)} {verdict} ({time.time() - started:.0f} s)  {fault}"
        print(line, flush=True)
        lines.append(line)
    run(["ninja", "-C", str(build)] + TESTS, 1800, ROOT)
    summary = f"kill rate: {killed} of {built} faults that build caught ({100.0 * killed / max(1, built):.1f} %)"
    print(summary)
    if args.report:
        pathlib.Path(args.report).write_text("\n".join(lines + [summary]) + "\n", encoding="utf-8")
    return 0


if __name__ == "__main__":
    sys.exit(main())
