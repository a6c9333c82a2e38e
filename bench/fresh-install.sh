#!/usr/bin/env bash
# Installs the Debian package on a clean Debian 12 system, as a new user would, and starts it there:
#  1. debootstrap makes a minimal bookworm root (the "minbase" variant: nothing but the essential
#     packages, no desktop, no fonts, no Qt);
#  2. apt-get installs only the package, "apt-get install ./inkwell_<version>_<arch>.deb", with what it
#     depends on and recommends;
#  3. the program runs in that root as an ordinary user: --version, then for real on an Xvfb display of
#     this machine, until its wizard shows and a project made through it lands in the user's data folder.
# It prints how much was downloaded. It downloads a whole system (some hundred MB), so it is not part
# of the test run. Needs root, debootstrap, Xvfb and xdotool here.
#
#   bench/fresh-install.sh [DEB] [--mirror URL] [--keep DIR]
#
# DEB defaults to the newest dist/inkwell_*.deb (scripts/package writes it). The root is made in a
# temporary folder and removed at the end, unless --keep names a folder to make it in and keep.
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deb=""
mirror="http://deb.debian.org/debian"
keep=""
while (($#)); do
    case "$1" in
    --mirror) mirror="$2"; shift 2 ;;
    --keep) keep="$(realpath -m "$2")"; shift 2 ;;
    -*) echo "usage: bench/fresh-install.sh [DEB] [--mirror URL] [--keep DIR]" >&2; exit 2 ;;
    *) deb="$(realpath "$1")"; shift ;;
    esac
done
if [[ -z "$deb" ]]; then
    deb="$(ls -t "$root_dir"/dist/inkwell_*.deb 2>/dev/null | head -n1 || true)"
fi
if [[ -z "$deb" || ! -f "$deb" ]]; then
    echo "fresh-install: no package; run scripts/package first" >&2
    exit 1
fi
if [[ $(id -u) -ne 0 ]]; then
    echo "fresh-install: debootstrap and chroot need root" >&2
    exit 1
fi
for tool in debootstrap Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "fresh-install: $tool is missing" >&2; exit 1; }
done

if [[ -n "$keep" ]]; then
    system="$keep"
    mkdir -p "$system"
else
    system="$(mktemp -d "${TMPDIR:-/tmp}/fresh-install.XXXXXX")"
fi
# The root folder of the system: its users (apt's own, the one the program runs as) must reach it.
chmod 0755 "$system"
xvfb=""
mounted=()
cleanup() {
    if [[ -n "$xvfb" ]]; then
        kill "$xvfb" 2>/dev/null || true
    fi
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
        umount -l "${mounted[i]}" 2>/dev/null || true
    done
    # Never removed while anything is still mounted in it: the display's socket folder is this machine's own.
    if grep -qF " $system/" /proc/self/mounts; then
        echo "fresh-install: $system still has mounts; left in place" >&2
    elif [[ -z "$keep" ]]; then
        rm -rf --one-file-system "$system"
    fi
}
trap cleanup EXIT
received() { awk 'NR > 2 && $1 != "lo:" { sum += $2 } END { print sum + 0 }' /proc/net/dev; }
megabytes() { awk -v b="$1" 'BEGIN { printf "%.1f MB", b / 1000000 }'; }

echo "== debootstrap bookworm (minbase) into $system"
before="$(received)"
started=$SECONDS
debootstrap --variant=minbase bookworm "$system" "$mirror" >"$system.debootstrap.log" 2>&1 || {
    tail -n 20 "$system.debootstrap.log" >&2
    exit 1
}
base_bytes=$(($(received) - before))
echo "   done in $((SECONDS - started)) s, $(megabytes "$base_bytes") received"

for fs in proc sys dev dev/pts; do
    mkdir -p "$system/$fs"
    mount --bind "/$fs" "$system/$fs"
    mounted+=("$system/$fs")
done
mkdir -p "$system/dev/shm" "$system/tmp/.X11-unix"
mount -t tmpfs -o mode=1777 shm "$system/dev/shm"
mounted+=("$system/dev/shm")
cp /etc/resolv.conf "$system/etc/resolv.conf"
cp "$deb" "$system/tmp/"
package="/tmp/$(basename "$deb")"

echo "== apt-get install ./$(basename "$deb")"
before="$(received)"
started=$SECONDS
chroot "$system" apt-get update -qq
chroot "$system" env DEBIAN_FRONTEND=noninteractive apt-get install -y "$package" >"$system.install.log" 2>&1 || {
    tail -n 30 "$system.install.log" >&2
    exit 1
}
install_bytes=$(($(received) - before))
grep -E '^Need to get|newly installed' "$system.install.log" | sed 's/^/   /'
echo "   done in $((SECONDS - started)) s, $(megabytes "$install_bytes") received"

# The user: nobody, with a home of its own, as the program must not need root.
home=/tmp/home
mkdir -p "$system$home"
chroot "$system" chown nobody:nogroup "$home"
as_user=(chroot "$system" setpriv --reuid=nobody --regid=nogroup --clear-groups
    env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 XDG_RUNTIME_DIR="$home" TMPDIR=/tmp)

echo "== inkwell --version"
version="$("${as_user[@]}" /usr/bin/inkwell --version)"
echo "   $version"
[[ "$version" == "inkwell "* ]]

echo "== inkwell on an Xvfb display"
display=":$((100 + RANDOM % 800))"
mkdir -p "$system/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$system/tmp/.X11-unix"
mounted+=("$system/tmp/.X11-unix")
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 2
# The engine's sandbox needs kernel features a container may lack; it is not what is tried here.
"${as_user[@]}" DISPLAY="$display" QTWEBENGINE_DISABLE_SANDBOX=1 /usr/bin/inkwell >"$system.run.log" 2>&1 &
program=$!
wizard=""
for _ in $(seq 60); do
    wizard="$(DISPLAY="$display" xdotool search --onlyvisible --name '^程序新建向导$' 2>/dev/null | head -n1 || true)"
    [[ -n "$wizard" ]] && break
    sleep 1
done
if [[ -z "$wizard" ]]; then
    echo "fresh-install: the wizard did not show" >&2
    tail -n 30 "$system.run.log" >&2
    exit 1
fi
echo "   the wizard shows"
export DISPLAY="$display"
xdotool mousemove --window "$wizard" 243 58 click 1 sleep 0.4 \
    mousemove --window "$wizard" 415 356 click 1 sleep 0.4 type --delay 40 fresh
xdotool mousemove --window "$wizard" 607 356 click 1
project="$system$home/.local/share/inkwell/project/fresh"
for _ in $(seq 30); do
    [[ -d "$project" ]] && break
    sleep 1
done
if [[ ! -d "$project" ]]; then
    echo "fresh-install: no project folder at ${project#"$system"}" >&2
    exit 1
fi
main="$(timeout 30 xdotool search --sync --onlyvisible --name '^Inkwell$' 2>/dev/null | head -n1 || true)"
echo "   project made at ${project#"$system"}; main window: ${main:-not found}"
kill -TERM "$program" 2>/dev/null || true
wait "$program" || true
[[ -n "$main" ]]

echo "== downloaded: $(megabytes $((base_bytes + install_bytes))) ($(megabytes "$base_bytes") base system," \
    "$(megabytes "$install_bytes") for the package and what it needs)"
