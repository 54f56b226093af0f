#!/usr/bin/env python3
"""Mutation run: applies one-line mutations of the product code one at a time, rebuilds, runs the tests, and
records whether a test caught each one. The file is always restored, also on Ctrl-C or an error.

  tools/mutate.py [--tree DIR] [--build DIR] [--jobs N] [--list FILE] [--only ID[,ID]] [--tests REGEX]
                  [--targets T[,T]]
                  [--out FILE] [--against FILE] [--dry-run]

The list (tools/mutations.txt) holds blocks of "key: value" lines separated by blank lines; "#" starts a
comment line. Keys: id, file (relative to the tree), old (text that occurs exactly once in the file), new,
what (the behaviour that breaks), and optionally tests (a ctest regex that this mutation runs instead of the
whole suite; --tests overrides it for every mutation). Values lose their surrounding spaces.

Verdicts: CAUGHT (a test failed, and failed again in one of up to three more runs of the failed tests; one
that passes in all of them depends on timing and is only noted), MISSED (all passed), NOT-FOUND / AMBIGUOUS
(old occurs 0 / several times), BUILD-FAIL (the mutant does not compile), NO-TESTS (the regex selected
nothing). Only CAUGHT and MISSED count.
--against names an earlier results file: every mutation it has CAUGHT that this run did not catch is listed,
and the exit status is 1.
"""

import argparse
import os
import re
import signal
import subprocess
import sys
import time
from collections import OrderedDict

KEYS = ("id", "file", "old", "new", "what", "tests")
COUNTED = ("CAUGHT", "MISSED")
RERUNS = 3
STOPPING = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


class Interrupted(Exception):
    pass


def interrupt(*_):
    raise Interrupted()


def parse_list(path):
    """The mutations of the list file, in order; raises ValueError naming the line of a malformed block."""
    mutations, block, start = [], {}, 0

    def finish():
        if not block:
            return
        missing = [k for k in ("id", "file", "old", "new") if k not in block]
        if missing:
            raise ValueError(f"{path}:{start}: block lacks {', '.join(missing)}")
        if block["old"] == block["new"]:
            raise ValueError(f"{path}:{start}: {block['id']}: old and new are the same")
        mutations.append(dict(block))

    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            text = line.strip()
            if text.startswith("#"):
                continue
            if not text:
                finish()
                block = {}
                continue
            key, colon, value = text.partition(":")
            if not colon or key not in KEYS:
                raise ValueError(f"{path}:{number}: expected one of {', '.join(KEYS)} and a colon")
            if key in block:
                raise ValueError(f"{path}:{number}: {key} given twice")
            if not block:
                start = number
            block[key] = value.strip()
    finish()
    ids = [m["id"] for m in mutations]
    repeated = sorted({i for i in ids if ids.count(i) > 1})
    if repeated:
        raise ValueError(f"{path}: ids used twice: {', '.join(repeated)}")
    return mutations


def git(tree, *args):
    return subprocess.run(["git", "-C", tree, *args], capture_output=True, text=True)


def source_path(tree, relative):
    """The file's absolute path, refused when it leaves the tree or git does not track it."""
    path = os.path.realpath(os.path.join(tree, relative))
    if os.path.isabs(relative) or os.path.commonpath([tree, path]) != tree:
        raise ValueError(f"{relative}: not inside {tree}")
    if git(tree, "ls-files", "--error-unmatch", "--", relative).returncode != 0:
        raise ValueError(f"{relative}: not tracked by git in {tree}")
    return path


def unchanged(tree, relative):
    return git(tree, "diff", "--quiet", "HEAD", "--", relative).returncode == 0


def locate(content, old):
    """The offset of old in content, or the verdict when it is not there exactly once."""
    first = content.find(old)
    if first < 0:
        return "NOT-FOUND"
    if content.find(old, first + 1) >= 0:
        return "AMBIGUOUS"
    return first


def execute(command):
    """Runs a command in a process group of its own, so that an interrupt ends it and all it started."""
    with subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                          start_new_session=True) as process:
        try:
            output = process.communicate()[0]
        except BaseException:
            os.killpg(process.pid, signal.SIGTERM)
            process.wait()
            raise
    return process.returncode, output


def build(args):
    """None when the build succeeds, else its first error line."""
    targets = ["--target", *args.targets.split(",")] if args.targets else []
    status, output = execute(["cmake", "--build", args.build, f"-j{args.jobs}", *targets])
    if status == 0:
        return None
    errors = [line for line in output.splitlines() if "error" in line.lower()]
    return (errors or ["cmake --build failed"])[0].strip()


def failing_tests(args, extra):
    """One ctest run: the names of the failing tests ([] when all passed), or None when none was selected."""
    command = ["ctest", "--test-dir", args.build, "-LE", "e2e", f"-j{args.jobs}", "--timeout", "120", *extra]
    status, output = execute(command)
    if "No tests were found" in output:
        return None
    failed = re.findall(r"^\s*\d+ - (\S+) \(", output.split("The following tests FAILED:")[-1], re.M)
    if status != 0 and not failed:
        failed = ["(ctest failed: see its output)"]
    return failed


def run_tests(args, regex):
    """The failing tests that fail again in one of up to RERUNS more runs of them, and those that pass in all
    (timing-dependent tests of a loaded machine); None when the regex selected no test. A test that catches a
    mutation only in some interleavings of its threads may still pass once."""
    failed = failing_tests(args, ["-R", regex] if regex else [])
    if not failed:
        return failed, []
    unconfirmed = failed
    for _ in range(RERUNS):
        names = "|".join(re.escape(t) for t in unconfirmed)
        again = failing_tests(args, ["-R", f"^({names})$"]) or []
        unconfirmed = [t for t in unconfirmed if t not in again]
        if not unconfirmed:
            break
    return [t for t in failed if t not in unconfirmed], unconfirmed


def mutate_and_test(args, mutation, path):
    """Applies one mutation, builds and tests; the file is written back before this returns or raises."""
    with open(path, "rb") as f:
        original = f.read()
    at = locate(original, mutation["old"].encode())
    if isinstance(at, str):
        return at, ""
    old, new = mutation["old"].encode(), mutation["new"].encode()
    try:
        with open(path, "wb") as f:
            f.write(original[:at] + new + original[at + len(old):])
        error = build(args)
        if error:
            return "BUILD-FAIL", error
        tests = run_tests(args, args.tests or mutation.get("tests"))
        if tests is None:
            return "NO-TESTS", ""
        failed, passed = tests
        if not failed:
            return "MISSED", f"failed once, then passed: {', '.join(passed)}" if passed else ""
        return "CAUGHT", ", ".join(failed)  # all of them: a later, narrower run is checked against these
    finally:
        blocked = signal.pthread_sigmask(signal.SIG_BLOCK, STOPPING)  # a second Ctrl-C cannot cut the restore
        with open(path, "wb") as f:
            f.write(original)
        signal.pthread_sigmask(signal.SIG_SETMASK, blocked)
        if not unchanged(args.tree, mutation["file"]):
            sys.exit(f"mutate.py: {mutation['file']} differs from git after restoring it: look at it now")


def folder_summary(results):
    folders = OrderedDict()
    for mutation, verdict, _ in sorted(results, key=lambda r: os.path.dirname(r[0]["file"])):
        entry = folders.setdefault(os.path.dirname(mutation["file"]), {"caught": 0, "total": 0, "missed": []})
        if verdict in COUNTED:
            entry["total"] += 1
            entry["caught"] += verdict == "CAUGHT"
        if verdict != "CAUGHT":
            entry["missed"].append(f"{mutation['id']} {verdict}")
    print("\nfolder caught/total (not caught)")
    caught = total = 0
    for folder, entry in folders.items():
        caught, total = caught + entry["caught"], total + entry["total"]
        print(f"  {folder:28} {entry['caught']:3}/{entry['total']:<3} {'; '.join(entry['missed'])}")
    print(f"  {'all':28} {caught:3}/{total:<3}")


def read_results(path):
    with open(path, encoding="utf-8") as f:
        rows = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    return {row[0]: row[2] for row in rows[1:] if len(row) >= 3}


def compare(results, earlier_path):
    earlier = read_results(earlier_path)
    now = {m["id"]: verdict for m, verdict, _ in results}
    lost = [i for i, v in earlier.items() if v == "CAUGHT" and i in now and now[i] != "CAUGHT"]
    for i in lost:
        print(f"caught in {earlier_path}, now {now[i]}: {i}")
    if not lost:
        print(f"every mutation caught in {earlier_path} that ran is still caught")
    return not lost


def options():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tree", default=".", help="the worktree to mutate (default: the current folder's)")
    parser.add_argument("--build", help="its configured build folder (default: TREE/build)")
    parser.add_argument("--jobs", type=int, default=4, help="build and test jobs (default 4)")
    parser.add_argument("--list", help="the mutation list (default: TREE/tools/mutations.txt)")
    parser.add_argument("--only", help="comma-separated ids to run")
    parser.add_argument("--tests", help="a ctest regex for every mutation in place of the whole suite")
    parser.add_argument("--targets", help="comma-separated build targets in place of everything (with --tests)")
    parser.add_argument("--out", help="write the results here (TSV: id, file, verdict, failing tests)")
    parser.add_argument("--against", help="an earlier results file whose caught mutations must stay caught")
    parser.add_argument("--dry-run", action="store_true", help="only check that each old text is found once")
    args = parser.parse_args()
    top = git(args.tree, "rev-parse", "--show-toplevel")
    if top.returncode != 0:
        parser.error(f"{args.tree} is not inside a git worktree")
    args.tree = os.path.realpath(top.stdout.strip())
    args.build = os.path.realpath(args.build or os.path.join(args.tree, "build"))
    args.list = args.list or os.path.join(args.tree, "tools", "mutations.txt")
    return args


def selected(args):
    mutations = parse_list(args.list)
    if args.only:
        wanted = args.only.split(",")
        unknown = set(wanted) - {m["id"] for m in mutations}
        if unknown:
            raise ValueError(f"unknown ids: {', '.join(sorted(unknown))}")
        mutations = [m for m in mutations if m["id"] in wanted]
    for m in mutations:
        m["path"] = source_path(args.tree, m["file"])
    dirty = sorted({m["file"] for m in mutations if not unchanged(args.tree, m["file"])})
    if dirty:
        raise ValueError(f"uncommitted changes (commit or stash them first): {', '.join(dirty)}")
    return mutations


def run(args, mutations, out):
    results = []
    for number, mutation in enumerate(mutations, 1):
        started = time.monotonic()
        verdict, detail = mutate_and_test(args, mutation, mutation["path"])
        results.append((mutation, verdict, detail))
        print(f"[{number}/{len(mutations)}] {mutation['id']}: {verdict} {detail} "
              f"({time.monotonic() - started:.0f} s)", flush=True)
        if out:
            out.write(f"{mutation['id']}\t{mutation['file']}\t{verdict}\t{detail}\n")
            out.flush()
    return results


def main():
    args = options()
    try:
        mutations = selected(args)
    except (OSError, ValueError) as e:
        sys.exit(f"mutate.py: {e}")
    if args.dry_run:
        for m in mutations:
            with open(m["path"], "rb") as f:
                at = locate(f.read(), m["old"].encode())
            print(f"{m['id']}: {at if isinstance(at, str) else 'ok'}")
        return 0
    # SIGTERM and SIGHUP unwind like Ctrl-C, so the finally that restores the file runs.
    for sig in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(sig, interrupt)
    out = open(args.out, "w", encoding="utf-8") if args.out else None
    try:
        if build(args):
            sys.exit("mutate.py: the unmutated tree does not build; nothing to measure")
        failed, passed = run_tests(args, args.tests) or ([], [])
        if failed:
            sys.exit(f"mutate.py: the unmutated tree fails {', '.join(failed)}; nothing to measure")
        if passed:
            print(f"unmutated tree: {', '.join(passed)} failed once, then passed", flush=True)
        if out:
            out.write("id\tfile\tverdict\tfailing tests\n")
        results = run(args, mutations, out)
    except (KeyboardInterrupt, Interrupted):
        sys.exit("\nmutate.py: interrupted; the file is restored, yet the build folder may hold a mutant"
                 " until the next cmake --build")
    finally:
        if out:
            out.close()
    if build(args):
        print("mutate.py: the restored tree does not build", file=sys.stderr)
    folder_summary(results)
    return 0 if not args.against or compare(results, args.against) else 1


if __name__ == "__main__":
    sys.exit(main())
