#!/usr/bin/env bash
# What a browser sees of the page server when it asks for many pictures at once over several
# connections: headless Chromium loads a page with 50 pictures through build/bench/inkwell_serve (or
# the server binary given, so that two builds can take turns), and the time from start to the
# page's load event is printed for each of RUNS runs (milliseconds, as the page itself measures it).
#   bench/server_pictures.sh [SERVE_BINARY] [RUNS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
serve="${1:-$root/build/bench/inkwell_serve}"
runs="${2:-5}"
work="$(mktemp -d "$HOME/.inkwell-pictures-XXXXXX")"
trap 'kill "$server" 2>/dev/null || true; rm -rf "$work"' EXIT

mkdir -p "$work/site"
for i in $(seq 1 50); do
    convert -size 400x300 "plasma:fractal" "$work/site/p$i.png" 2>/dev/null \
        || convert -size 400x300 "xc:rgb($((i * 5)),80,120)" "$work/site/p$i.png"
done
{
    echo '<!DOCTYPE html><html><head><meta charset="utf-8"><title>pictures</title></head><body>'
    for i in $(seq 1 50); do echo "<img src=\"p$i.png\" width=\"80\">"; done
    # The load event waits for every picture; its time since navigation start goes into the title.
    echo '<script>addEventListener("load",function(){document.title=String(Math.round(performance.now()));});</script>'
    echo '</body></html>'
} > "$work/site/index.html"

"$serve" "$work" > "$work/port" &
server=$!
for _ in $(seq 1 50); do [[ -s "$work/port" ]] && break; sleep 0.1; done
port="$(head -1 "$work/port")"
echo "pictures: $(du -sh "$work/site" | cut -f1) in 50 files, served on port $port by $serve"
for run in $(seq 1 "$runs"); do
    profile="$(mktemp -d "$work/profile-XXXXXX")"
    title="$(chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --user-data-dir="$profile" --dump-dom \
        "http://127.0.0.1:$port/site/index.html" 2>/dev/null | grep -o '<title>[^<]*</title>' || true)"
    echo "run $run: load event after ${title//[^0-9]/} ms"
done
