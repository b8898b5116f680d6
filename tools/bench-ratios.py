#!/usr/bin/env python3
"""Runs the JSON benchmarks of hlvbench and prints how the project compares to its anchors.

    tools/bench-ratios.py [--bench build-release/bench/hlvbench] [--repetitions 5] [--json out.json]
                          [--no-kept-heap]

Every ratio is the median time of the project over the median time of its anchor, both taken in
the same run: above 1 the project is slower. Build hlvbench as Release first. Times are CPU
times, which a busy machine disturbs less than wall-clock times.

Each repetition of each benchmark runs in a process of its own: what one benchmark leaves in the
heap (freed blocks waiting to be merged, the thresholds glibc moves as it goes) would otherwise
change the page faults and the merging the next one pays, so that a size's figure would depend
on the sizes measured before it. The benchmarks take turns, one repetition each, so that a slow
spell of a shared machine falls on all of them alike; each figure is the median repetition.

The benchmarks run on glibc's allocator as it comes, the heap a host that links the library
has: a large freed heap goes back to the system, so a large read or write may start on fresh
pages. A second run, printed as the last column, tells the allocator to keep the memory it is
given back (GLIBC_TUNABLES: no trimming, a fixed 32 MiB mmap threshold), as a tuned
long-running application's heap would; --no-kept-heap leaves it out. The goals hold for the
first column.
"""

import argparse
import json
import os
import platform
import re
import subprocess
import sys

FILTER = "^BM_(Catalog|Table)(Write|Replay|Read)(Project|RapidJson|StringCopy|Append)"
SIZES = (100, 1000, 10000, 100000)

# (path, project benchmark, anchor benchmark, anchor's description, goal)
PAIRS = (
    ("first write", "WriteProject", "WriteRapidJson", "RapidJSON Writer", 1.0),
    ("replay", "ReplayProject", "ReplayStringCopy", "new std::string copy", 2.0),
    ("replay into a reused buffer", "ReplayAppendProject", "ReplayAppendMemcpy", "memcpy", 2.0),
    ("read into records", "ReadProject", "ReadRapidJsonParse", "RapidJSON parse alone", 1.3),
    ("read into records", "ReadProject", "ReadRapidJsonRecords", "RapidJSON reader setting fields", None),
)


def cpu_model():
    try:
        with open("/proc/cpuinfo") as info:
            for line in info:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


KEPT_HEAP = "glibc.malloc.trim_threshold=17179869184:glibc.malloc.mmap_threshold=33554432"


def run(bench, repetitions, kept_heap):
    """Runs every repetition of every benchmark in a process of its own, the benchmarks taking
    turns, and merges their reports: a slow spell of the machine then falls on every benchmark
    alike instead of on the few that ran during it."""
    env = dict(os.environ)
    env.pop("GLIBC_TUNABLES", None)
    if kept_heap:
        env["GLIBC_TUNABLES"] = KEPT_HEAP
    listed = subprocess.run([bench, f"--benchmark_filter={FILTER}", "--benchmark_list_tests=true"],
                            check=True, stdout=subprocess.PIPE, text=True, env=env).stdout.split()
    merged = None
    for _ in range(repetitions):
        for benchmark in listed:
            command = [bench, f"--benchmark_filter=^{re.escape(benchmark)}$", "--benchmark_format=json"]
            report = json.loads(subprocess.run(command, check=True, stdout=subprocess.PIPE, text=True,
                                               env=env).stdout)
            if merged is None:
                merged = report
            else:
                merged["benchmarks"] += report["benchmarks"]
    return merged


def medians(report):
    """run name -> the repetition of that benchmark with the median CPU time (the upper one of
    an even count), counters and all."""
    runs = {}
    for entry in report["benchmarks"]:
        runs.setdefault(entry["run_name"], []).append(entry)
    return {run_name: sorted(entries, key=lambda e: e["cpu_time"])[len(entries) // 2]
            for run_name, entries in runs.items()}


def name(kind, path, size):
    return f"BM_{kind}{path}" + ("" if size is None else f"/{size}")


def mb_per_s(entry):
    return entry.get("bytes_per_second", 0) / 1e6


def ratio(runs, kind, mine, anchor, size):
    a, b = runs.get(name(kind, mine, size)), runs.get(name(kind, anchor, size))
    return None if a is None or b is None else (a, b, a["cpu_time"] / b["cpu_time"])


def table(runs, kept):
    rows = ["| Input | Path | Project | Anchor | Ratio | Goal | Ratio, kept heap |", "|---|---|---|---|---|---|---|"]
    inputs = [("catalogue", "Catalog", None)] + [(f"table {size:,}", "Table", size) for size in SIZES]
    for label, kind, size in inputs:
        for path, mine, anchor, what, goal in PAIRS:
            found = ratio(runs, kind, mine, anchor, size)
            if found is None:
                continue
            a, b, r = found
            other = ratio(kept, kind, mine, anchor, size) if kept else None
            rows.append(f"| {label} | {path} | {mb_per_s(a):,.0f} MB/s | {what}: {mb_per_s(b):,.0f} MB/s "
                        f"| {r:.2f}x | {'' if goal is None else f'at most {goal}x'} "
                        f"| {'' if other is None else f'{other[2]:.2f}x'} |")
    return "\n".join(rows)


def growth(runs):
    rows = ["| Path | ns per entry at 1,000 | at 100,000 | growth |", "|---|---|---|---|"]
    for path in ("WriteProject", "ReadProject", "WriteRapidJson", "ReadRapidJsonParse"):
        small, large = runs.get(name("Table", path, 1000)), runs.get(name("Table", path, 100000))
        if small is None or large is None:
            continue
        per_small = small["cpu_time"] * 1e3 / 1000  # cpu_time in microseconds
        per_large = large["cpu_time"] * 1e3 / 100000
        rows.append(f"| {path} | {per_small:.0f} | {per_large:.0f} | {per_large / per_small:.2f}x |")
    return "\n".join(rows)


def memory(runs):
    rows = ["| Benchmark | allocations per record | heap bytes per text byte | peak bytes per text byte |",
            "|---|---|---|---|"]
    for run_name, entry in sorted(runs.items()):
        if "allocs/record" not in entry:
            continue
        peak = entry.get("peak/byte")
        rows.append(f"| {run_name} | {entry['allocs/record']:.1f} | {entry['heap/byte']:.2f} | "
                    f"{'' if peak is None else f'{peak:.2f}'} |")
    return "\n".join(rows)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bench", default="build-release/bench/hlvbench")
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--json", help="also keep the benchmarks' own report in this file")
    parser.add_argument("--no-kept-heap", action="store_true",
                        help="leave out the second run, on a heap told to keep the memory handed back")
    args = parser.parse_args()
    if not os.path.exists(args.bench):
        sys.exit(f"{args.bench} is missing: build the Release benchmarks first")
    report = run(args.bench, args.repetitions, kept_heap=False)
    kept_report = None if args.no_kept_heap else run(args.bench, args.repetitions, kept_heap=True)
    if args.json:
        with open(args.json, "w") as out:
            json.dump({"default-heap": report, "kept-heap": kept_report}, out, indent=1)
    runs = medians(report)
    context = report.get("context", {})
    print(f"Machine: {os.cpu_count()} CPUs ({cpu_model()}), load average {context.get('load_avg', '?')}, "
          f"{args.repetitions} repetitions, median CPU times, glibc's default heap"
          f"{'' if kept_report is None else ' (last column: kept heap)'}, "
          f"Google Benchmark's own library built {context.get('library_build_type', '?')}")
    print()
    print(table(runs, None if kept_report is None else medians(kept_report)))
    print()
    print(growth(runs))
    print()
    print(memory(runs))


if __name__ == "__main__":
    main()
