#!/usr/bin/env python3
"""Memory of the real main window for a 5 MB page and 50 trips through the code view, for one or more builds.

The page is made from the real-page fixtures as the formatter benchmark makes it (bench/formatter_peers.py). Each
build's inkwell_historymemory_bench opens it in a fresh main window through the open dialog, then makes N trips
("代码", a word typed before a paragraph's end tag in the middle of the code, "设计"). Resident memory of the program
and of the engine's processes is sampled every 50 ms; the table gives the peak and the settled figure (4 s after the
last step) after the open and after the trips, and what the trips added to the opened page. "own" is the program's
process alone; "all" adds the engine's processes. "trimmed" is the program's settled figure after the allocator gave
back the free memory it held.

To compare with an earlier revision, build the same benchmark there (copy historymemory_bench.cpp and
historymemory.cmake into its bench/ folder and include the latter from bench/CMakeLists.txt) and pass both:

Usage (needs a display): xvfb-run -a -s "-screen 0 1280x800x24" bench/historymemory.py \
    [--bench NAME=build/bench/inkwell_historymemory_bench ...] [--size 5] [--trips 50] [--rounds 1]
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import formatter_peers  # noqa: E402  (the page builder shared with the formatter benchmark)

ROOT = Path(__file__).resolve().parent.parent
MB = 1024 * 1024


def run(bench: str, page: Path, trips: int) -> dict:
    # The benchmark tells its progress, trip by trip, on standard error, which is passed on.
    done = subprocess.run([bench, "--trips", str(trips), str(page)], stdout=subprocess.PIPE, timeout=7200)
    lines = [line for line in done.stdout.decode().splitlines() if line.startswith("{")]
    if not lines:
        return {"ok": False, "messages": f"exit status {done.returncode}"}
    result = json.loads(lines[-1])
    result["ok"] = done.returncode == 0 and result["carried"] == trips
    return result


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--bench", action="append", default=[],
                        help="NAME=PATH of an inkwell_historymemory_bench; several builds may be compared")
    parser.add_argument("--size", type=int, default=5)
    parser.add_argument("--trips", type=int, default=50)
    parser.add_argument("--rounds", type=int, default=1)
    args = parser.parse_args()
    benches = [b.split("=", 1) if "=" in b else (Path(b).parent.parent.name, b) for b in args.bench] or [
        ("this build", str(ROOT / "build" / "bench" / "inkwell_historymemory_bench"))]
    for name, path in benches:
        if not os.access(path, os.X_OK):
            print(f"no benchmark program for {name} at {path}; build the target inkwell_historymemory_bench",
                  file=sys.stderr)
            return 1
    if not os.environ.get("DISPLAY"):
        print("needs a display: run under xvfb-run -a", file=sys.stderr)
        return 1
    formatter_peers.OUT.mkdir(parents=True, exist_ok=True)
    page = formatter_peers.build_page(args.size)

    results = {name: [] for name, _ in benches}
    for round_number in range(args.rounds):
        order = benches if round_number % 2 == 0 else list(reversed(benches))
        for name, path in order:
            result = run(str(Path(path).resolve()), page, args.trips)
            results[name].append(result)
            print(f"round {round_number + 1} {name}: {json.dumps(result)}", file=sys.stderr, flush=True)

    failed = False
    mb = page.stat().st_size / MB
    print(f"Page {page.name} ({mb:.1f} MB), {args.trips} trips; MB, medians of {args.rounds} run(s)")
    print("| build | empty window all | opened all (peak) | opened own | after trips all (peak) | after trips own "
          "(trimmed) | trips add, all | trips add, own | s per trip |")
    print("|---|---|---|---|---|---|---|---|---|")
    for name, _ in benches:
        good = [r for r in results[name] if r.get("ok")]
        if not good:
            failed = True
            print(f"| {name} | failed: {results[name][-1].get('messages', '')} | | | | | | | |")
            continue

        def med(step: str, figure: str) -> float:
            return statistics.median(r[step][figure] for r in good) / MB

        print(f"| {name} | {med('empty', 'settled_all'):.0f} | {med('opened', 'settled_all'):.0f} "
              f"({med('opened', 'peak_all'):.0f}) | {med('opened', 'settled_own'):.0f} "
              f"| {med('after_trips', 'settled_all'):.0f} ({med('after_trips', 'peak_all'):.0f}) "
              f"| {med('after_trips', 'settled_own'):.0f} ({med('after_trips', 'trimmed_own'):.0f}) "
              f"| {med('after_trips', 'settled_all') - med('opened', 'settled_all'):+.0f} "
              f"| {med('after_trips', 'settled_own') - med('opened', 'settled_own'):+.0f} "
              f"| {statistics.median(r['trip_seconds'] for r in good) / max(args.trips, 1):.2f} |")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
