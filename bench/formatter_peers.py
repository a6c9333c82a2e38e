#!/usr/bin/env python3
"""Times inkwell-format beside tidy and Prettier on the same 1, 10 and 50 MB pages, in one run.

A page of N MB is one document whose body holds the bodies of the real-page fixtures
(tests/data/pages, in name order), each wrapped in an element of its own, repeated whole until N MB is
reached, exactly as bench/formatter_bench.cpp builds it. The wrapper's end tag closes whatever the page
left open, as the end of a real document does, so the nesting does not grow from copy to copy. Each tool runs under
/usr/bin/time -v, which gives its wall time, CPU time and peak resident memory. The machine is shared,
so CPU time (user + system) is the fairer measure of speed; both are printed.

CPU times come in hundredths of a second, so the 1 MB row is coarse; the Google Benchmark program
(inkwell_formatter_bench) measures FormatHtml itself precisely.

Usage: bench/formatter_peers.py [--tool build/tools/inkwell-format] [--sizes 1,10,50] [--repeat 3]
Prettier is installed into bench/node_modules from the npm registry when it is missing.
"""

import argparse
import os
import re
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
BENCH = ROOT / "bench"
OUT = BENCH / "out" / "formatter"
PRETTIER = BENCH / "node_modules" / ".bin" / "prettier"
HEAD = b'<!DOCTYPE html>\n<html>\n<head>\n<meta charset="utf-8">\n<title>Pages</title>\n</head>\n<body>\n'
TAIL = b"\n</body>\n</html>\n"


def body_of(page: bytes) -> bytes:
    lower = page.lower()
    start = lower.find(b"<body")
    end = lower.rfind(b"</body")
    if start < 0 or end < 0:
        return page
    start = page.find(b">", start)
    return page[start + 1:end] if 0 <= start < end else page


def build_page(megabytes: int) -> Path:
    path = OUT / f"page-{megabytes}mb.html"
    bodies = [body_of(p.read_bytes()) for p in sorted((ROOT / "tests" / "data" / "pages").glob("*.html"))]
    data = bytearray(HEAD)
    size = megabytes * 1024 * 1024
    while len(data) < size:
        for body in bodies:
            data += b"<inkwell-page>\n" + body + b"\n</inkwell-page>\n"
            if len(data) >= size:
                break
    data += TAIL
    path.write_bytes(bytes(data))
    return path


def ensure_prettier() -> None:
    if PRETTIER.exists():
        return
    subprocess.run(["npm", "install", "--prefix", str(BENCH), "--no-save", "--no-package-lock", "prettier@3"],
                   check=True, stdout=subprocess.DEVNULL)


def timed(command: list, output: Path, timeout: int) -> dict:
    """Runs command with stdout to output; returns seconds (wall, cpu), peak RSS in MB, exit status."""
    with open(output, "wb") as out:
        try:
            done = subprocess.run(["/usr/bin/time", "-v"] + command, stdout=out, stderr=subprocess.PIPE,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            return {"status": "timeout"}
    report = done.stderr.decode(errors="replace")

    def field(name):
        match = re.search(rf"{re.escape(name)}: (.+)", report)
        return match.group(1).strip() if match else "0"

    wall = field("Elapsed (wall clock) time (h:mm:ss or m:ss)")
    parts = [float(p) for p in wall.split(":")]
    seconds = parts[-1] + 60 * parts[-2] + (3600 * parts[-3] if len(parts) > 2 else 0)
    cpu = float(field("User time (seconds)")) + float(field("System time (seconds)"))
    status = int(field("Exit status"))
    return {"status": status, "wall": seconds, "cpu": cpu, "rss": int(field("Maximum resident set size (kbytes)")) / 1024}


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", default=str(ROOT / "build" / "tools" / "inkwell-format"))
    parser.add_argument("--sizes", default="1,10,50")
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--prettier-timeout", type=int, default=900)
    args = parser.parse_args()
    if not os.access(args.tool, os.X_OK):
        print(f"no inkwell-format at {args.tool}; build the target inkwell-format first", file=sys.stderr)
        return 1
    OUT.mkdir(parents=True, exist_ok=True)
    ensure_prettier()

    tools = [
        ("inkwell-format", lambda pages: [args.tool] + [str(p) for p in pages], args.repeat, 600),
        # tidy exits 1 on warnings and 2 on errors in the markup; its output is still written.
        ("tidy -i -w 80", lambda page: ["tidy", "-q", "-i", "-w", "80", "--show-warnings", "no",
                                        "--force-output", "yes"] + [str(p) for p in pages], args.repeat, 600),
        ("prettier", lambda pages: [str(PRETTIER), "--parser", "html", "--use-tabs", "--print-width", "80"]
         + [str(p) for p in pages], 1, args.prettier_timeout),
    ]
    rows = []
    # "pages": the fixture pages themselves, each tool given all of them in one call. Prettier rejects some
    # real pages as syntax errors (exit 2) and, on the large combined pages, prints them back unchanged, so
    # this row is where its formatting speed shows.
    fixtures = sorted((ROOT / "tests" / "data" / "pages").glob("*.html"))
    inputs = [("pages", fixtures)] + [(f"{m} MB", [build_page(m)]) for m in (int(s) for s in args.sizes.split(","))]
    for label, pages in inputs:
        megabytes = label
        mb = sum(p.stat().st_size for p in pages) / (1024 * 1024)
        for name, command, repeat, timeout in tools:
            best = None
            for _ in range(repeat):
                result = timed(command(pages), OUT / f"{name.split()[0]}-{label.replace(' ', '')}.out", timeout)
                if "cpu" not in result:
                    best = result
                    break
                if best is None or result["cpu"] < best["cpu"]:
                    best = result
            rows.append((megabytes, name, mb, best))
            print(f"{label} {name}: {best}", file=sys.stderr, flush=True)

    print("| input | tool | wall s | CPU s | MB/s (CPU) | MB/s (wall) | peak RSS MB | RSS / input | exit |")
    print("|---|---|---|---|---|---|---|---|---|")
    ours = {}
    for megabytes, name, mb, r in rows:
        if "cpu" not in r:
            print(f"| {megabytes} | {name} | {r['status']} | | | | | | |")
            continue
        cpu_rate = mb / r["cpu"] if r["cpu"] > 0 else float("nan")
        wall_rate = mb / r["wall"] if r["wall"] > 0 else float("nan")
        if name == "inkwell-format" and r["cpu"] > 0:
            ours[megabytes] = cpu_rate
        print(f"| {megabytes} ({mb:.1f} MB) | {name} | {r['wall']:.2f} | {r['cpu']:.2f} | {cpu_rate:.1f} | {wall_rate:.1f} "
              f"| {r['rss']:.0f} | {r['rss'] / mb:.2f} | {r['status']} |")
    print()
    for megabytes, name, mb, r in rows:
        if name != "inkwell-format" and "cpu" in r and r["cpu"] > 0 and ours.get(megabytes, 0) > 0:
            print(f"{megabytes}: inkwell-format is {ours[megabytes] / (mb / r['cpu']):.1f} times {name} (CPU MB/s)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
