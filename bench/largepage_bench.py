#!/usr/bin/env python3
"""Times the real main window on 1, 5 and 20 MB pages beside headless Chromium's --dump-dom of the same files.

The pages are made from the real-page fixtures exactly as the formatter benchmark makes them
(bench/formatter_peers.py). For each page and round, inkwell_largepage_bench opens it in a fresh main window
through the open dialog, switches to the code view ("代码"), appends a paragraph to the code and switches back
("设计", which then loads the code view's text), and saves; it checks that the code view holds the page's
markup, that the page's text survives the round trip and that the saved file, loaded again, has the same
text. In the same round Chromium loads the file and prints its DOM, from process start to exit: the anchor
for the open. The two take turns, the order alternating from round to round, and the medians are reported.

Usage (needs a display): xvfb-run -a -s "-screen 0 1280x800x24" bench/largepage_bench.py \
    [--bench build/bench/inkwell_largepage_bench] [--sizes 1,5,20] [--rounds 3]
"""

import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import formatter_peers  # noqa: E402  (the page builder shared with the formatter benchmark)

ROOT = Path(__file__).resolve().parent.parent
CHROMIUM = ["/usr/bin/chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
            "--disable-background-networking", "--disable-component-update", "--disable-sync"]
STEPS = ("open", "code", "design", "save")


def chromium_dump_dom(page: Path) -> dict:
    profile = tempfile.mkdtemp(prefix="inkwell-chromium-")
    try:
        begin = time.perf_counter()
        done = subprocess.run(CHROMIUM + [f"--user-data-dir={profile}", "--dump-dom", page.as_uri()],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=300)
        wall = time.perf_counter() - begin
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    return {"wall": wall, "status": done.returncode, "dom_bytes": len(done.stdout)}


def inkwell_steps(bench: str, page: Path) -> dict:
    # The program makes its run, temporary and lock folders in its build folder and removes them.
    done = subprocess.run([bench, str(page)], stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=900)
    lines = [line for line in done.stdout.decode().splitlines() if line.startswith("{")]
    if not lines:
        return {"ok": False, "messages": done.stderr.decode(errors="replace")[-2000:]}
    return json.loads(lines[-1])


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--bench", default=str(ROOT / "build" / "bench" / "inkwell_largepage_bench"))
    parser.add_argument("--sizes", default="1,5,20")
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    args.bench = str(Path(args.bench).resolve())
    if not os.access(args.bench, os.X_OK):
        print(f"no benchmark program at {args.bench}; build the target inkwell_largepage_bench", file=sys.stderr)
        return 1
    if not os.environ.get("DISPLAY"):
        print("needs a display: run under xvfb-run -a", file=sys.stderr)
        return 1
    formatter_peers.OUT.mkdir(parents=True, exist_ok=True)
    sizes = [int(s) for s in args.sizes.split(",")]
    pages = {size: formatter_peers.build_page(size) for size in sizes}

    ours = {size: [] for size in sizes}
    theirs = {size: [] for size in sizes}
    for round_number in range(args.rounds):
        for size in sizes:
            runs = [("chromium", lambda: theirs[size].append(chromium_dump_dom(pages[size]))),
                    ("inkwell", lambda: ours[size].append(inkwell_steps(args.bench, pages[size])))]
            if round_number % 2 == 1:
                runs.reverse()
            for name, run in runs:
                run()
                result = (ours if name == "inkwell" else theirs)[size][-1]
                print(f"round {round_number + 1} {size} MB {name}: {json.dumps(result)}", file=sys.stderr, flush=True)

    failed = False
    print("| page | open s | 代码 s | 设计 s | save s | Chromium --dump-dom s | open / Chromium | 设计 / open "
          "| text kept (code, round trip, saved file) |")
    print("|---|---|---|---|---|---|---|---|---|")
    for size in sizes:
        good = [r for r in ours[size] if all(isinstance(r.get(step), (int, float)) and r[step] >= 0 for step in STEPS)]
        chromium = [r["wall"] for r in theirs[size] if r["status"] == 0]
        kept = all(r.get("ok") for r in ours[size])
        failed = failed or not kept or not good
        if not good:
            print(f"| {size} MB | failed: {ours[size][-1].get('messages', '')} | | | | | | | |")
            continue
        median = {step: statistics.median(r[step] for r in good) for step in STEPS}
        anchor = statistics.median(chromium) if chromium else float("nan")
        mb = pages[size].stat().st_size / (1024 * 1024)
        print(f"| {size} MB ({mb:.1f} MB, {len(good)} runs) | {median['open']:.3f} | {median['code']:.3f} "
              f"| {median['design']:.3f} | {median['save']:.3f} | {anchor:.3f} | {median['open'] / anchor:.2f} "
              f"| {median['design'] / median['open']:.2f} | {'yes' if kept else 'NO'} |")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
