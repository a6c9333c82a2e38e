#!/usr/bin/env bash
# Times start-up of the real program: from process start to its main window shown on the display,
# median of N runs. The window is shown only after the design view has loaded the blank page and
# switched edit mode on (both wait for the engine), so this is the time to an editable page.
# Usage: bench/startup.sh [build-folder] [runs]   (needs a display: run under xvfb-run -a)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
runs="${2:-9}"
work="$(mktemp -d "$root/build-startup-XXXXXX")"
trap 'pkill -f "$work/run/inkwell" 2>/dev/null || true; [[ -n "${KEEP:-}" ]] || rm -rf "$work"' EXIT
mkdir -p "$work/run/system" "$work/tmp" "$work/locks"
chmod 700 "$work/locks"
cp "$build/inkwell" "$work/run/"
printf '[向导]\n是否显示=假\n' > "$work/run/system/guid.ini"
printf '[标题]\n名称=startup-bench\n' > "$work/run/system/title.ini"

times=()
for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    (cd "$work/run" && TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/locks" "$work/run/inkwell" >"$work/log" 2>&1 &)
    until xdotool search --onlyvisible --name '^startup-bench$' >/dev/null 2>&1; do sleep 0.005; done
    end=$(date +%s%N)
    times+=($(((end - start) / 1000000)))
    pkill -TERM -f "$work/run/inkwell" || true
    while pgrep -f "$work/run/inkwell" >/dev/null; do sleep 0.05; done
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "start-up to shown, editable main window, ms: ${times[*]}"
echo "median: ${sorted[$((runs / 2))]} ms over $runs runs"
