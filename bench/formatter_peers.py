#!/usr/bin/env python3
"""Times inkwell-format beside tidy and Prettier on the same 1, 10 and 50 MB pages, in one run.

A page of N MB is one document whose body holds the bodies of the real-page fixtures
(tests/data/pages, in name order), each wrapped in an element of its own, repeated whole until N MB is
reached, exactly as bench/formatter_bench.cpp builds it. The wrapper's end tag closes whatever the page
left open, as the end of a real document does, so the nesting does not grow from copy to copy.

Each tool runs as a whole process with its output going to a file. Wall time is taken around the process
(to the microsecond, not the hundredths /usr/bin/time prints), CPU time and peak resident memory from the
kernel's account of the child (wait4). The machine is shared, so the tools take turns round by round, the
order alternating, and the medians are compared: a burst of someone else's compilation then hits every tool
about alike.

Usage: bench/formatter_peers.py [--tool build/tools/inkwell-format] [--sizes 1,10,50] [--rounds 9]
                                [--peers tidy,prettier] [--baseline path/to/an/earlier/inkwell-format]
Prettier is installed into bench/node_modules from the npm registry when it is missing and asked for.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time
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
    # A child's peak memory as the kernel reports it starts from its parent's at the fork (this script holds
    # the built pages), so the peak comes from /usr/bin/time, a small parent of the tool, instead.
    peak = output.with_suffix(".rss")
    with open(output, "wb") as out:
        begin = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", str(peak)] + command, stdout=out,
                                 stderr=subprocess.DEVNULL)
        deadline = begin + timeout
        while True:
            pid, status, usage = os.wait4(child.pid, os.WNOHANG)
            if pid == child.pid:
                break
            if time.perf_counter() > deadline:
                child.kill()
                os.wait4(child.pid, 0)
                return {"status": "timeout"}
            time.sleep(0.0005)
        wall = time.perf_counter() - begin
    # /usr/bin/time passes the tool's exit status on; its own CPU time is a millisecond or so per run.
    child.returncode = os.waitstatus_to_exitcode(status)
    return {"status": child.returncode, "wall": wall, "cpu": usage.ru_utime + usage.ru_stime,
            "rss": int(peak.read_text().split()[-1]) / 1024}


def median(values: list) -> float:
    return statistics.median(values)


def main() -> int:
    parser = argparse.ArgumentParser()
    parser.add_argument("--tool", default=str(ROOT / "build" / "tools" / "inkwell-format"))
    parser.add_argument("--sizes", default="1,10,50")
    parser.add_argument("--rounds", type=int, default=9)
    parser.add_argument("--peers", default="tidy,prettier")
    parser.add_argument("--baseline", help="another inkwell-format (an earlier build) timed in the same rounds")
    parser.add_argument("--prettier-timeout", type=int, default=900)
    args = parser.parse_args()
    if not os.access(args.tool, os.X_OK):
        print(f"no inkwell-format at {args.tool}; build the target inkwell-format first", file=sys.stderr)
        return 1
    peers = [p for p in args.peers.split(",") if p]
    OUT.mkdir(parents=True, exist_ok=True)

    tools = [("inkwell-format", lambda pages: [args.tool] + [str(p) for p in pages], args.rounds, 600)]
    if args.baseline:
        tools.append(("baseline", lambda pages: [args.baseline] + [str(p) for p in pages], args.rounds, 600))
    if "tidy" in peers:
        # tidy exits 1 on warnings and 2 on errors in the markup (the benchmark's wrapper element is one);
        # its output is still written whole.
        tools.append(("tidy -i -w 80", lambda pages: ["tidy", "-q", "-i", "-w", "80", "--show-warnings", "no",
                                                      "--force-output", "yes"] + [str(p) for p in pages],
                      args.rounds, 600))
    if "prettier" in peers:
        ensure_prettier()
        # Slow enough that one round says all there is to say.
        tools.append(("prettier", lambda pages: [str(PRETTIER), "--parser", "html", "--use-tabs", "--print-width",
                                                 "80"] + [str(p) for p in pages], 1, args.prettier_timeout))
    rows = []
    # "pages": the fixture pages themselves, each tool given all of them in one call. Prettier rejects some
    # real pages as syntax errors (exit 2) and, on the large combined pages, prints them back unchanged, so
    # this row is where its formatting speed shows.
    fixtures = sorted((ROOT / "tests" / "data" / "pages").glob("*.html"))
    inputs = [("pages", fixtures)] + [(f"{m} MB", [build_page(m)]) for m in (int(s) for s in args.sizes.split(","))]
    for label, pages in inputs:
        mb = sum(p.stat().st_size for p in pages) / (1024 * 1024)
        results = {name: [] for name, _, _, _ in tools}
        for round_number in range(args.rounds):
            order = tools if round_number % 2 == 0 else list(reversed(tools))
            for name, command, repeat, timeout in order:
                if len(results[name]) >= repeat or (results[name] and "cpu" not in results[name][-1]):
                    continue
                output = OUT / f"{name.split()[0]}-{label.replace(' ', '')}.out"
                results[name].append(timed(command(pages), output, timeout))
        for name, _, _, _ in tools:
            runs = [r for r in results[name] if "cpu" in r]
            if not runs:
                rows.append((label, name, mb, results[name][-1]))
                continue
            summary = {"status": runs[-1]["status"], "runs": len(runs)}
            for key in ("wall", "cpu", "rss"):
                summary[key] = median([r[key] for r in runs])
            rows.append((label, name, mb, summary))
            print(f"{label} {name}: {summary}", file=sys.stderr, flush=True)

    print("| input | tool | runs | wall s | CPU s | MB/s (wall) | MB/s (CPU) | peak RSS MB | RSS / input | exit |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    ours = {}
    for label, name, mb, r in rows:
        if "cpu" not in r:
            print(f"| {label} | {name} | | {r['status']} | | | | | | |")
            continue
        if name == "inkwell-format":
            ours[label] = r
        wall_rate = mb / r["wall"] if r["wall"] > 0 else float("nan")
        cpu_rate = mb / r["cpu"] if r["cpu"] > 0 else float("nan")
        print(f"| {label} ({mb:.1f} MB) | {name} | {r['runs']} | {r['wall']:.3f} | {r['cpu']:.3f} | {wall_rate:.1f} "
              f"| {cpu_rate:.1f} | {r['rss']:.0f} | {r['rss'] / mb:.2f} | {r['status']} |")
    print()
    for label, name, mb, r in rows:
        mine = ours.get(label)
        if name == "inkwell-format" or "cpu" not in r or not mine:
            continue
        wall = r["wall"] / mine["wall"] if mine["wall"] > 0 else float("nan")
        cpu = r["cpu"] / mine["cpu"] if mine["cpu"] > 0 else float("nan")
        print(f"{label}: inkwell-format is {wall:.1f} times {name} in wall time, {cpu:.1f} times in CPU time "
              f"(medians of the same run)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
