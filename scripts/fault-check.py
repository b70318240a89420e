#!/usr/bin/env python3
"""Applies each deliberate fault of scripts/faults.tsv to a copy of the tree,
rebuilds the test suites, runs those the fault reached and records which fail.

A fault no suite catches is a hole in the tests; comparing two runs shows
whether a change to the tests lost one. The working tree is never touched:
the faults go into a copy with a build folder of its own (ccache keeps the
rebuilds short), and each fault is undone before the next.

    python3 scripts/fault-check.py [--work DIR] [--only NAME ...] [--out FILE]
    python3 scripts/fault-check.py --compare BEFORE.tsv AFTER.tsv   (Markdown tables)
"""
import argparse
import concurrent.futures
import filecmp
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Test executable -> path in the build folder. A suite runs when its own binary
# was relinked or, for the end-to-end tool suites, when the tool was.
SUITES = {
    "generator_tests": "tests/generator/generator_tests",
    "gpu_tests": "tests/gpu/gpu_tests",
    "cpu_normals_tests": "tests/cpu_normals/cpu_normals_tests",
    "noise_tests": "tests/noise/noise_tests",
    "engine_support_tests": "tests/engine_support/engine_support_tests",
    "win32_tests": "tests/win32/win32_tests",
    "vk_tests": "tests/vk/vk_tests",
    "d3d9_tests": "tests/d3d9/d3d9_tests",
    "d3d9_present_tests": "tests/d3d9/d3d9_present_tests",
    "d3dx9_tests": "tests/d3dx9/d3dx9_tests",
    "d3dx9_pixel_tests": "tests/d3dx9/d3dx9_pixel_tests",
    "fuzz_replay_tests": "tests/fuzz/fuzz_replay_tests",
    "integration_tests": "tests/integration/integration_tests",
    "integration_exports_tests": "tests/integration/integration_exports_tests",
    "tools_bake_tests": "tests/tools/tools_bake_tests",
    "tools_view_tests": "tests/tools/tools_view_tests",
}
TOOL_SUITES = {"tools_bake_tests": "tools/swellkit/swellkit", "tools_view_tests": "tools/swellkit/swellkit"}
SUITE_TIMEOUT = 300


def read_faults(path, only):
    faults = []
    with open(path) as f:
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            name, file, old, new, what = line.rstrip("\n").split("\t")
            if not only or name in only:
                faults.append(dict(name=name, file=file, old=old, new=new, what=what))
    return faults


def sh(cmd, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, **kw)


def mtimes(build):
    out = {}
    for suite, rel in list(SUITES.items()) + [("tool:" + k, v) for k, v in TOOL_SUITES.items()]:
        p = os.path.join(build, rel)
        out[suite] = os.path.getmtime(p) if os.path.exists(p) else 0
    return out


def build_suites(build, jobs):
    targets = list(SUITES) + ["swellkit"]
    r = sh(["cmake", "--build", build, "-j", str(jobs), "--target"] + targets)
    return r.returncode == 0, r.stdout


def run_suite(build, suite):
    # A temporary folder per run and suite: two runs side by side share no files.
    tmp = os.path.join(os.path.dirname(build), "..", "tmp", suite)
    os.makedirs(tmp, exist_ok=True)
    env = dict(os.environ, SWK_VK_QUIET="1", TMPDIR=tmp, TEST_TMPDIR=tmp + "/")
    exe = os.path.join(build, SUITES[suite])
    try:
        r = subprocess.run([exe, "--gtest_brief=1"], cwd=os.path.dirname(exe), env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           timeout=SUITE_TIMEOUT)
        return r.returncode
    except subprocess.TimeoutExpired:
        return "timeout"


def run_suites(build, suites, jobs):
    # A suite that fails runs once more: a fault fails it every time, while a
    # suite that timed something on a busy machine may pass the second time.
    def twice(suite):
        rc = run_suite(build, suite)
        return rc if rc == 0 else run_suite(build, suite)

    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        return dict(zip(suites, pool.map(twice, suites)))


def copy_tree(src):
    # Only files whose content changed are copied, so the next build stays incremental.
    files = sh(["git", "-C", ROOT, "ls-files", "-co", "--exclude-standard"]).stdout.split("\n")
    for rel in filter(None, files):
        here, there = os.path.join(ROOT, rel), os.path.join(src, rel)
        if not os.path.isfile(here):
            continue
        if os.path.exists(there) and filecmp.cmp(here, there, shallow=False):
            continue
        os.makedirs(os.path.dirname(there), exist_ok=True)
        # A new modification time: the build must see the file as changed.
        shutil.copy(here, there)


def start_display():
    # The presentation suites need an X display; a private Xvfb when none is set.
    if os.environ.get("DISPLAY"):
        return None
    # -noreset: otherwise the server resets when its last client leaves, and
    # the viewer's next window, opened just then, finds no display.
    r, w = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(w), "-noreset", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            pass_fds=(w,), stderr=subprocess.DEVNULL)
    os.close(w)
    os.environ["DISPLAY"] = ":" + os.read(r, 16).decode().strip()
    return xvfb


def read_results(path):
    rows = {}
    for line in open(path):
        if not line.startswith("#") and line.strip():
            name, caught, _ = line.rstrip("\n").split("\t")
            rows[name] = [] if caught == "-" else caught.split(",")
    return rows


def compare(before_path, after_path, list_path):
    """Prints which suites catch each fault in two runs, and how many per suite."""
    before, after = read_results(before_path), read_results(after_path)
    faults = read_faults(list_path, None)
    print("| fault | what goes wrong | caught before | caught after |\n|---|---|---|---|")
    for f in faults:
        b, a = before.get(f["name"]), after.get(f["name"])
        cell = lambda r: "not run" if r is None else ", ".join(r) or "**none**"
        print("| %s | %s | %s | %s |" % (f["name"], f["what"], cell(b), cell(a)))
    both = [n for n in before if n in after]
    print("\nOver the %d faults both runs applied:\n" % len(both))
    print("| suite | faults caught before | after |\n|---|---|---|")
    for suite in SUITES:
        nb = sum(suite in before[n] for n in both)
        na = sum(suite in after[n] for n in both)
        if nb or na:
            print("| %s | %d | %d |" % (suite, nb, na))
    lost = [n for n in before if before[n] and n in after and not after[n]]
    print("\nFaults caught before and by no suite after: %s" % (", ".join(lost) or "none"))
    return 1 if lost else 0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--compare", nargs=2, metavar=("BEFORE", "AFTER"))
    ap.add_argument("--work", default="/tmp/swk-faults")
    ap.add_argument("--list", default=os.path.join(ROOT, "scripts/faults.tsv"))
    ap.add_argument("--only", nargs="*")
    ap.add_argument("--suites", nargs="*", help="run only these suites (after a change to them)")
    ap.add_argument("--out", default=None, help="results file (tab-separated)")
    ap.add_argument("--no-copy", action="store_true", help="use the tree already in WORK/src")
    ap.add_argument("--jobs", type=int, default=int(os.environ.get("SWK_JOBS", "2")))
    args = ap.parse_args()
    if args.compare:
        sys.exit(compare(args.compare[0], args.compare[1], args.list))

    xvfb = start_display()
    try:
        check(args)
    finally:
        if xvfb:
            xvfb.kill()


def check(args):
    src = os.path.join(args.work, "src")
    build = os.path.join(src, "build")
    os.makedirs(src, exist_ok=True)
    # The copy keeps the tree's layout, so ccache finds the objects of the main build.
    if not args.no_copy:
        copy_tree(src)
    launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if sh(["which", "ccache"]).returncode == 0 else []
    # Tests are listed when run, not after each link: a fault relinks many suites.
    r = sh(["cmake", "-G", "Ninja", "-S", src, "-B", build, "-DCMAKE_BUILD_TYPE=RelWithDebInfo",
            "-DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST", "-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld"]
           + launcher)
    if r.returncode:
        sys.exit("fault-check: configure failed:\n" + r.stdout)

    ok, log = build_suites(build, args.jobs)
    if not ok:
        sys.exit("fault-check: the unchanged tree does not build:\n" + log[-3000:])
    checked = [s for s in SUITES if not args.suites or s in args.suites]
    clean = run_suites(build, checked, args.jobs)
    # A suite that failed twice gets a third run alone, on a quieter machine.
    broken = [s for s, rc in clean.items() if rc != 0 and run_suite(build, s) != 0]
    if broken:
        sys.exit("fault-check: suites fail on the unchanged tree: " + ", ".join(broken))

    faults = read_faults(args.list, args.only)
    out = open(args.out or os.path.join(args.work, "results.tsv"), "w")
    out.write("# fault\tcaught by\tsuites run\n")
    missed = 0
    for fault in faults:
        path = os.path.join(src, fault["file"])
        original = open(path).read()
        if fault["old"] not in original:
            sys.exit("fault-check: %s: the code it changes is gone from %s" % (fault["name"], fault["file"]))
        started = time.time()
        try:
            with open(path, "w") as f:
                f.write(original.replace(fault["old"], fault["new"], 1))
            before = mtimes(build)
            ok, log = build_suites(build, args.jobs)
            if not ok:
                caught, ran = ["(does not build)"], []
            else:
                after = mtimes(build)
                tools = {s for s in TOOL_SUITES if after["tool:" + s] != before["tool:" + s]}
                ran = [s for s in SUITES if (after[s] != before[s] or s in tools)
                       and (not args.suites or s in args.suites)]
                results = run_suites(build, ran, args.jobs)
                caught = [s for s in ran if results[s] != 0]
        finally:
            with open(path, "w") as f:
                f.write(original)
        missed += not caught
        line = "%s\t%s\t%s" % (fault["name"], ",".join(caught) or "-", ",".join(ran))
        out.write(line + "\n")
        out.flush()
        print("%-26s %4.0fs  %s" % (fault["name"], time.time() - started, ",".join(caught) or "NOT CAUGHT"),
              flush=True)
    # Leaves the build matching the unchanged tree for the next run.
    build_suites(build, args.jobs)
    print("%d faults, %d not caught" % (len(faults), missed))
    sys.exit(1 if missed else 0)


if __name__ == "__main__":
    main()
