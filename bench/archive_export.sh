#!/usr/bin/env bash
# Time to export a page with 50 pictures of 100 KB: inkwell-mht fetches the page and every picture
# from a running page server (which gzips each answer, as it does for the export) and writes the
# archive. Prints each run and the median; the target is under 1 s.
# Usage: bench/archive_export.sh [BUILD_DIR] [RUNS]   (BUILD_DIR defaults to build/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-7}"
serve="$build/bench/inkwell_serve"
mht="$build/tools/inkwell-mht"
for tool in "$serve" "$mht"; do
    [[ -x "$tool" ]] || { echo "missing $tool: build the targets inkwell_serve and inkwell-mht" >&2; exit 1; }
done

work="$(mktemp -d)"
server_pid=""
cleanup() {
    [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# The page and its pictures lie where an export of this run's page finds them: the run folder's
# "tmp" folder. Picture bytes are random, so neither gzip nor base64 gets an easy ride.
mkdir -p "$work/run/tmp/pics"
python3 - "$work/run/tmp" <<'PY'
import os, sys
folder = sys.argv[1]
tags = []
for i in range(50):
    name = 'pics/picture%02d.png' % i
    with open(os.path.join(folder, name), 'wb') as f:
        f.write(b'\x89PNG\r\n\x1a\n' + os.urandom(100 * 1024 - 8))
    tags.append('<img src="%s" width="40" height="40">' % name)
with open(os.path.join(folder, 'bench.html'), 'w') as f:
    f.write('<!DOCTYPE html><html><head><meta charset="utf-8"><title>50 pictures</title></head><body>\n'
            + '\n'.join(tags) + '\n</body></html>\n')
PY

"$serve" "$work/run" >"$work/port" &
server_pid=$!
for _ in $(seq 100); do
    [[ -s "$work/port" ]] && break
    sleep 0.05
done
port="$(head -n1 "$work/port")"
url="http://127.0.0.1:$port/tmp/bench.html"

times=()
for i in $(seq "$runs"); do
    start=$(date +%s%N)
    "$mht" "$url" "$work/bench.mht" >"$work/out" 2>&1 || { cat "$work/out" >&2; exit 1; }
    end=$(date +%s%N)
    grep -q ': 51 parts' "$work/out" || { echo "unexpected result: $(cat "$work/out")" >&2; exit 1; }
    ms=$(( (end - start) / 1000000 ))
    times+=("$ms")
    echo "run $i: ${ms} ms"
done
size=$(stat -c %s "$work/bench.mht")
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p")
echo "export of a page with 50 pictures of 100 KB: median ${median} ms over $runs runs (archive $((size / 1024)) KB); target < 1000 ms"
