#!/usr/bin/env python3
"""Plants known faults in src/, one at a time, and shows which tests catch each.

Each fault in tests/faults/catalogue.json replaces one piece of text ("old", which must
occur exactly once) in one source file by a plausible bug ("new"). For every fault this
script changes the file, rebuilds, runs the whole test suite, puts the file back as it
was and reports the tests that failed. A fault that no test catches, or whose text is no
longer in the file, makes the run fail. A fault may also name tests it must spare
("spares", a regular expression of test names): a reworded message is caught by the
transcripts but changes no exit status, and the run fails when a spared test fails.

Run it before you delete or fold tests, and again afterwards: every fault must still be
caught. One fault costs one incremental build and one test run (10 to 20 seconds on
a two-core machine with a warm build).

usage: scripts/plant-faults.py [--build-dir DIR] [--list] [--verbose] [NAME ...]
"""
import argparse
import json
import os
import re
import signal
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CATALOGUE = os.path.join(ROOT, "tests", "faults", "catalogue.json")


def run(command, env=None):
    return subprocess.run(command, cwd=ROOT, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)


def failing_tests(ctest_output):
    # ctest lists the failures at the end as "  12 - Suite.Case (Failed)".
    names = re.findall(r"^\s+\d+ - (.+?) \(\w[\w ]*\)\s*$", ctest_output, re.M)
    return [name.split("  # GetParam")[0] for name in names]


def run_tests(build_dir):
    """Returns the failing tests, or None and the reason when the suite did not run."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    # The check that every fault's text stands in its file fails while one is planted.
    tests = run(["ctest", "--test-dir", build_dir, "-j2", "--timeout", "120", "-E", "^faults/catalogue_texts$"], env)
    if "tests passed" not in tests.stdout:
        return None, "ctest did not run the suite:\n" + tests.stdout[-2000:]
    return failing_tests(tests.stdout), None


def plant(fault, build_dir):
    """Returns the failing tests, or a one-line reason why the fault could not be tried."""
    path = os.path.join(ROOT, fault["file"])
    with open(path, encoding="utf-8") as f:
        original = f.read()
    count = original.count(fault["old"])
    if count != 1:
        return None, f"its text occurs {count} times in {fault['file']}; update the catalogue"
    try:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original.replace(fault["old"], fault["new"]))
        build = run(["cmake", "--build", build_dir, "-j2"])
        if build.returncode != 0:
            return None, "the build fails with it; make the fault compile"
        return run_tests(build_dir)
    finally:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)


def main():
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)  # --list | head ends quietly
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("names", nargs="*", help="faults to plant (default: all)")
    parser.add_argument("--build-dir", default="build", help="a configured build directory (default: build)")
    parser.add_argument("--list", action="store_true", help="list the faults and stop")
    parser.add_argument("--verbose", action="store_true", help="name every failing test")
    args = parser.parse_args()

    with open(CATALOGUE, encoding="utf-8") as f:
        catalogue = json.load(f)
    if args.list:
        for fault in catalogue:
            print(f"{fault['name']:24} {fault['file']}: {fault['what']}")
        return 0
    known = {fault["name"] for fault in catalogue}
    unknown = [name for name in args.names if name not in known]
    if unknown:
        print("unknown fault: " + ", ".join(unknown), file=sys.stderr)
        return 2
    chosen = [fault for fault in catalogue if not args.names or fault["name"] in args.names]

    if run(["cmake", "--build", args.build_dir, "-j2"]).returncode != 0:
        print(f"the unchanged sources do not build in {args.build_dir}", file=sys.stderr)
        return 2
    failed, reason = run_tests(args.build_dir)
    if failed is None or failed:
        print(reason or "tests fail without any fault: " + ", ".join(failed), file=sys.stderr)
        return 2

    problems = []
    try:
        for fault in chosen:
            failed, reason = plant(fault, args.build_dir)
            if failed is None:
                problems.append(fault["name"])
                print(f"{fault['name']}: NOT TRIED: {reason}", flush=True)
            elif not failed:
                problems.append(fault["name"])
                print(f"{fault['name']}: NOT CAUGHT ({fault['what']})", flush=True)
            elif fault.get("spares") and any(re.search(fault["spares"], name) for name in failed):
                problems.append(fault["name"])
                hit = [name for name in failed if re.search(fault["spares"], name)]
                print(f"{fault['name']}: FAILS WHAT IT MUST SPARE: " + ", ".join(hit), flush=True)
            else:
                shown = failed if args.verbose else failed[:3] + (["..."] if len(failed) > 3 else [])
                print(f"{fault['name']}: caught by {len(failed)}: " + ", ".join(shown), flush=True)
    finally:
        run(["cmake", "--build", args.build_dir, "-j2"])  # leave the build matching the sources
    print(f"{len(chosen) - len(problems)} of {len(chosen)} faults caught")
    if problems:
        print("not caught or not tried: " + " ".join(problems))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
