#!/usr/bin/env bash
# Requests per second of the page server beside nginx (one worker, 127.0.0.1), both measured in
# this run, one request per connection, by two clients: wrk, and inkwell_load, which reads every
# answer to the end of its connection. wrk takes an answer without Content-Length (the page server
# never sends one) as a read error and opens and drops an extra connection for each, so its figure
# for the page server counts two connections per request. Each figure is the median of ROUNDS runs,
# the servers taking turns. Then the time and the servers' peak resident memory to serve a 1 GB page
# plain and gzip-encoded (nginx at gzip level 3, sendfile on for that page), and GzipEncode beside
# `gzip -3`.
# Usage: bench/server_bench.sh [BUILD_DIR] [SECONDS] [ROUNDS]   (BUILD_DIR defaults to build/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
seconds="${2:-3}"
rounds="${3:-3}"
serve="$build/bench/inkwell_serve"
load="$build/bench/inkwell_load"
gzip_bench="$build/bench/inkwell_gzip_bench"
for tool in "$serve" "$load" "$gzip_bench"; do
    [[ -x "$tool" ]] || { echo "missing $tool: build inkwell_serve, inkwell_load and inkwell_gzip_bench" >&2; exit 1; }
done

work="$(mktemp -d)"
chmod 755 "$work" # nginx's worker runs as nobody and must read the pages
server_pid=""
nginx_pid=""
cleanup() {
    [[ -n "$server_pid" ]] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
    [[ -n "$nginx_pid" ]] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

site="$work/site"
mkdir -p "$site"
python3 - "$site" <<'PY'
import sys
def page(size):
    row = '<tr><td class="c">cell</td><td>value {}</td></tr>\n'
    text = '<!DOCTYPE html><html><head><title>bench</title></head><body><table>\n'
    i = 0
    while len(text) < size - 32:
        text += row.format(i)
        i += 1
    text += '</table></body></html>'
    return (text + ' ' * (size - len(text) - 1) + '\n')[:size]
for name, size in (('page1k.html', 1024), ('page100k.html', 100 * 1024)):
    open(f'{sys.argv[1]}/{name}', 'w').write(page(size))
# 1 GB of table rows, none repeated within the compressor's 32 KB reach.
block = ''.join(f'<tr><td class="c">cell {i}</td><td>value {i * 7919 % 100003}</td></tr>\n' for i in range(20000))
block = block.encode()[:1 << 20]
with open(f'{sys.argv[1]}/page1g.html', 'wb') as out:
    for _ in range(1024):
        out.write(block)
PY
chmod -R a+rX "$site"

# Our server on the first free port from 8889.
"$serve" "$site" > "$work/serve.port" &
server_pid=$!
for _ in $(seq 50); do [[ -s "$work/serve.port" ]] && break; sleep 0.1; done
ours_port="$(head -1 "$work/serve.port")"

# nginx, one worker process, on a free loopback port.
nginx_port="$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
mkdir -p "$work/nginx"
cat > "$work/nginx/nginx.conf" <<CONF
worker_processes 1;
daemon off;
pid $work/nginx/nginx.pid;
error_log $work/nginx/error.log;
events { worker_connections 256; }
http {
    access_log off;
    client_body_temp_path $work/nginx/body;
    proxy_temp_path $work/nginx/proxy;
    fastcgi_temp_path $work/nginx/fastcgi;
    uwsgi_temp_path $work/nginx/uwsgi;
    scgi_temp_path $work/nginx/scgi;
    gzip on;
    gzip_comp_level 3;
    server {
        listen 127.0.0.1:$nginx_port;
        root $site;
        location = /page1g.html { sendfile on; }
    }
}
CONF
nginx -c "$work/nginx/nginx.conf" -p "$work/nginx" &
nginx_pid=$!
for _ in $(seq 50); do curl -sf -o /dev/null "http://127.0.0.1:$nginx_port/page1k.html" && break; sleep 0.1; done

# Both servers must answer each page with the same bytes before they are compared.
for page in page1k.html page100k.html page1g.html; do
    cmp -s <(curl -sS "http://127.0.0.1:$ours_port/$page") "$site/$page" || { echo "page server answered $page wrongly" >&2; exit 1; }
    cmp -s <(curl -sS "http://127.0.0.1:$nginx_port/$page") "$site/$page" || { echo "nginx answered $page wrongly" >&2; exit 1; }
done

wrk_rate() { # port page connections -> requests/s
    local threads=$(($3 == 1 ? 1 : 2))
    wrk -t"$threads" -c"$3" -d"${seconds}s" -H 'Connection: close' "http://127.0.0.1:$1/$2" \
        | awk '/^Requests\/sec:/ {print $2}'
}
load_rate() { # port page connections -> requests/s (failures are reported on stderr)
    local out
    out="$("$load" "$1" "/$2" "$(stat -c %s "$site/$2")" "$3" "$seconds")"
    [[ "${out#* }" == "0" ]] || echo "inkwell_load: ${out#* } failed requests on port $1 for $2" >&2
    echo "${out% *}"
}
median() { python3 -c 'import statistics, sys; print(round(statistics.median(float(x) for x in sys.argv[1:])))' "$@"; }

echo
echo "Requests per second, one request per connection, median of $rounds runs of ${seconds}s each"
echo
echo "| client | page | connections | page server | nginx | ratio |"
echo "|---|---|---:|---:|---:|---:|"
for client in wrk load; do
    for page in page1k.html page100k.html; do
        for connections in 1 8; do
            ours=()
            theirs=()
            for _ in $(seq "$rounds"); do
                ours+=("$("${client}_rate" "$ours_port" "$page" "$connections")")
                theirs+=("$("${client}_rate" "$nginx_port" "$page" "$connections")")
            done
            a="$(median "${ours[@]}")"
            b="$(median "${theirs[@]}")"
            echo "| $client | $page | $connections | $a | $b | $(python3 -c "print(f'{$a / $b:.2f}')") |"
        done
    done
done

# The serving process of each: ours, and nginx's one worker.
nginx_worker="$(pgrep -P "$nginx_pid" | head -1)"
kilobytes() { awk -v f="$2:" '$1 == f {print $2}' "/proc/$1/status"; }
big_row() { # pid port gzip|plain -> "seconds body_bytes peak_MB growth_MB"
    local pid="$1" port="$2" encoding="$3" before out peak headers
    echo 5 > "/proc/$pid/clear_refs" # the peak starts again from what is resident now
    before="$(kilobytes "$pid" VmRSS)"
    headers="$work/big.headers"
    if [[ "$encoding" == gzip ]]; then
        out="$(curl -sS -o /dev/null -D "$headers" -H 'Accept-Encoding: gzip' -w '%{time_total} %{size_download}' \
            "http://127.0.0.1:$port/page1g.html")"
        grep -qi '^Content-Encoding: gzip' "$headers" || { echo "port $port sent page1g.html uncompressed" >&2; exit 1; }
    else
        out="$(curl -sS -o /dev/null -w '%{time_total} %{size_download}' "http://127.0.0.1:$port/page1g.html")"
    fi
    peak="$(kilobytes "$pid" VmHWM)"
    echo "$out $((peak / 1024)) $(((peak - before) / 1024))"
}

echo
echo "1 GB page, one request, curl as client discarding the body; median time of $rounds runs, largest peak"
echo
echo "| answer | server | seconds | bytes sent | peak RSS MB | peak growth MB |"
echo "|---|---|---:|---:|---:|---:|"
max() { printf '%s\n' "$@" | sort -n | tail -1; }
median2() { python3 -c 'import statistics, sys; print(f"{statistics.median(float(x) for x in sys.argv[1:]):.2f}")' "$@"; }
for encoding in plain gzip; do
    ours_times=() ours_peaks=() ours_growths=() nginx_times=() nginx_peaks=() nginx_growths=()
    for _ in $(seq "$rounds"); do
        read -r t ours_bytes p g < <(big_row "$server_pid" "$ours_port" "$encoding")
        ours_times+=("$t") ours_peaks+=("$p") ours_growths+=("$g")
        read -r t nginx_bytes p g < <(big_row "$nginx_worker" "$nginx_port" "$encoding")
        nginx_times+=("$t") nginx_peaks+=("$p") nginx_growths+=("$g")
    done
    echo "| $encoding | page server | $(median2 "${ours_times[@]}") | $ours_bytes | $(max "${ours_peaks[@]}") | $(max "${ours_growths[@]}") |"
    echo "| $encoding | nginx | $(median2 "${nginx_times[@]}") | $nginx_bytes | $(max "${nginx_peaks[@]}") | $(max "${nginx_growths[@]}") |"
done

echo
"$gzip_bench" --benchmark_counters_tabular=true
