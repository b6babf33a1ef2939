#!/usr/bin/env bash
# Benchmark, not a test: how long the launcher takes from exec to its login
# window on screen, against a bare Win32 window of the same size built with
# the same compiler and flags (tools/bench/bare_window.c); then the memory of
# both, of the signed-in frame, and the sizes of the executables.
#   tools/bench-start.sh [pairs, default 15] [launcher .exe]
# BENCH_BUILD / BENCH_BUILD32 name the x86_64 and i686 build folders (default
# build/win64, build/win32).
#
# The launcher's compiled-in login page and version server are left refused:
# that ends the login page's first load and the version check as fast as the
# stand-in site's 404 would, and no other program's site can answer; the run
# stops when something listens there. Nothing is served with 200, so Wine's
# HTML engine installer never starts, and no update is offered.
#
# Each start runs in one prefix whose services already run, starts are timed
# by tools/bench/first_map.c from exec to the X map of the first top-level
# window, and each program is killed and gone before the next starts. The
# launcher's first start (the warm-up) installs it; the timed ones are the
# player's ordinary start after that.
set -euo pipefail
shopt -s inherit_errexit
cd "$(dirname "$0")/.."
pairs=${1:-15}
. tools/common.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${WINE_PACKAGES[@]}" gcc libx11-dev
build=${BENCH_BUILD:-build/win64} build32=${BENCH_BUILD32:-build/win32}
cmake --preset win64 -B "$build" >/dev/null
cmake --build "$build" -j2 --target Morvane frame_gallery >/dev/null
cmake --preset win32 -B "$build32" >/dev/null
cmake --build "$build32" -j2 --target Morvane >/dev/null
launcher=$(realpath "${2:-$build/bin/Morvane.exe}")
[ -f "$launcher" ] || { echo "No launcher at $launcher" >&2; exit 1; }
gallery=$(realpath "$build/bin/frame_gallery.exe")

work=$(mktemp -d /tmp/bench-start.XXXXXX)
export WINEPREFIX="$work/wineprefix" HOME="$work/home"
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
# A display of its own, with no window manager and no other program's windows.
unset DISPLAY
ensure_display
trap 'tools/wine-prefix.sh stop; [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true; rm -rf "$work"' EXIT

# The yardstick gets the launcher's compiler and flags (cmake/mingw-*.cmake, CMakeLists.txt).
x86_64-w64-mingw32-gcc-posix -Os -DNDEBUG -ffunction-sections -fdata-sections -Wall -Wextra -Werror \
    -mwindows -static -static-libgcc -static-libstdc++ -municode -s -Wl,--gc-sections \
    -o "$work/bare_window.exe" tools/bench/bare_window.c
gcc -O2 -Wall -Wextra -Werror -o "$work/first_map" tools/bench/first_map.c -lX11

# The loopback addresses compiled into the programs as UTF-16 strings: login
# page, version server and the gallery's game page.
mapfile -t servers < <(/usr/bin/python3 - "$launcher" "$gallery" <<'PY'
import re, sys
found = set()
for name in sys.argv[1:]:
    for m in re.finditer(rb"h\0t\0t\0p\0:\0/\0/\0((?:[0-9.:]\0)+)", open(name, "rb").read()):
        found.add(m.group(1).decode("utf-16-le"))
print("\n".join(sorted(found)))
PY
)
check_servers() {
    local server
    for server in "${servers[@]}"; do
        if /usr/bin/python3 -c 'import socket, sys; h, p = sys.argv[1].rsplit(":", 1); socket.create_connection((h, int(p)), 1)' \
            "$server" 2>/dev/null; then
            echo "Something answers on $server, which the programs talk to: the figures would not be the launcher's own." >&2
            exit 1
        fi
    done
}
check_servers
tools/wine-prefix.sh start

# One start; prints: ms pid comm size rss_kB private_kB (first_map.c).
start() {  # [first_map options] exe [args]
    local line
    line=$("$work/first_map" -t 120 "$@" 2>&1) || { echo "start of $* failed: $line" >&2; exit 1; }
    echo "$line"
}
# A start of the named program, whose window must be owned by it.
start_of() {  # name, then as for start
    local name=$1 line
    shift
    line=$(start "$@")
    read -r _ _ comm _ <<<"$line"
    # The kernel keeps 15 characters of a process name.
    [ "$comm" = "${name:0:15}" ] || { echo "the window mapped belongs to $comm, not $name" >&2; exit 1; }
    echo "$line"
}
bare() { start_of bare_window.exe "$@" wine "$work/bare_window.exe"; }
launch() { start_of "$(basename "$launcher")" "$@" wine "$launcher"; }

echo "Warm-up: the launcher's first start installs it."
bare >/dev/null
launch >/dev/null
bare_ms=() launcher_ms=()
for pair in $(seq "$pairs"); do
    line=$(bare)
    bare_ms+=("${line%% *}")
    line=$(launch)
    launcher_ms+=("${line%% *}")
    echo "pair $pair: bare ${bare_ms[-1]} ms, launcher ${launcher_ms[-1]} ms"
done

# Memory 3 s after the window is mapped. The frame comes after the login
# window, and it is the first one wider: frame_gallery runs the real start and
# signs in by itself (tests/gallery/frame_gallery.cpp).
line=$(bare -s 3)
read -r _ _ _ _ bare_rss bare_private <<<"$line"
line=$(launch -s 3)
read -r _ _ _ _ login_rss login_private <<<"$line"
line=$(start_of frame_gallery.exe -w 1211 -s 3 wine "$gallery" maximised)
read -r _ _ _ frame_size frame_rss frame_private <<<"$line"

check_servers
# Neither an update hand-over nor Wine's HTML engine installer may have run.
for proc in /proc/[0-9]*; do
    grep -qzx "WINEPREFIX=$WINEPREFIX" "$proc/environ" 2>/dev/null || continue
    case "$(cat "$proc/comm" 2>/dev/null)" in
    quvaqlndtmp.exe | control.exe | rundll32.exe)
        echo "$(cat "$proc/comm") ran in the prefix: the figures are spoilt" >&2
        exit 1
        ;;
    esac
done

sizes() {  # exe: file size and .rsrc size, in bytes
    local rsrc
    rsrc=$(x86_64-w64-mingw32-objdump -h "$1" | awk '$2 == ".rsrc" { print $3 }')
    echo "$(stat -c %s "$1") $((16#${rsrc:-0}))"
}
/usr/bin/python3 - "${bare_ms[*]}" "${launcher_ms[*]}" \
    "$bare_rss $bare_private" "$login_rss $login_private" "$frame_rss $frame_private $frame_size" \
    "$(sizes "$launcher")" "$(sizes "$build32/bin/Morvane.exe")" "$(sizes "$work/bare_window.exe")" <<'PY'
import statistics, sys
bare, launcher = ([float(t) for t in arg.split()] for arg in sys.argv[1:3])
mem = [arg.split() for arg in sys.argv[3:6]]
if any(int(kb) <= 0 for m in mem for kb in m[:2]):
    sys.exit(f"memory could not be read: {mem}")
size = [[int(n) for n in arg.split()] for arg in sys.argv[6:9]]
print(f"\nStart, exec to the map of the first window ({len(bare)} pairs, ms)")
print(f"{'':<22}{'median':>9}{'min':>9}{'max':>9}")
for name, times in (("bare window", bare), ("launcher (login)", launcher)):
    print(f"{name:<22}{statistics.median(times):>9.0f}{min(times):>9.0f}{max(times):>9.0f}")
print(f"launcher / bare: {statistics.median(launcher) / statistics.median(bare):.2f} (medians)")
print("\nMemory 3 s after the map (MiB)          resident  private dirty")
for name, (rss, private, *rest) in zip(
        ("bare window", "launcher, login window", "frame_gallery, signed-in frame"), mem):
    extra = f"  (frame {rest[0]})" if rest else ""
    print(f"{name:<38}{int(rss) / 1024:>10.1f}{int(private) / 1024:>15.1f}{extra}")
print("\nExecutable                  bytes     .rsrc  share")
for name, (total, rsrc) in zip(("launcher x86_64", "launcher i686", "bare window x86_64"), size):
    print(f"{name:<20}{total:>13,}{rsrc:>10,}{100 * rsrc / total:>6.0f}%")
PY
