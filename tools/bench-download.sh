#!/usr/bin/env bash
# Benchmark, not a test: downloads a 50 MB file from the stand-in operator site
# with the launcher's own download code (under Wine) and with curl, in turns,
# several times each, and prints both medians and the launcher's rate as a
# share of curl's.  tools/bench-download.sh [rounds, default 5]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
rounds=${1:-5}
. tools/common.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${WINE_PACKAGES[@]}" curl
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target download_bench >/dev/null

export WINEPREFIX="$root/build/bench/wineprefix" HOME="$root/build/bench/home"
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
work=$(mktemp -d)
head -c $((50 * 1024 * 1024)) /dev/urandom >"$work/Morvane-9.0.0.0.exe"
/usr/bin/python3 tools/operator_site.py --port 0 --updates "$work" >"$work/site.log" &
site=$!
tools/wine-prefix.sh start
trap 'tools/wine-prefix.sh stop; kill "$site" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do grep -q "operator site on" "$work/site.log" && break; sleep 0.1; done
base=$(sed -n 's/^operator site on //p' "$work/site.log")
url="$base/download/Morvane-9.0.0.0.exe"
# The updater writes its log into the data folder's res\ when it exists.
mkdir -p "$(wine cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r' | sed 's|\\|/|g; s|^C:|'"$WINEPREFIX"'/drive_c|')/kavro_2/kavro_2/res"

launcher=() md5=() yardstick=()
for round in $(seq "$rounds"); do
    read -r seconds hash < <(wine build/win64/bin/download_bench.exe "$url" </dev/null 2>/dev/null | tr -d '\r')
    launcher+=("$seconds") md5+=("$hash")
    yardstick+=("$(curl -s -o /dev/null -w '%{time_total}' "$url")")
    echo "round $round: launcher ${launcher[-1]} s (then MD5 ${md5[-1]} s), curl ${yardstick[-1]} s"
done
/usr/bin/python3 - "${launcher[*]}" "${md5[*]}" "${yardstick[*]}" <<'PY'
import statistics, sys
launcher, md5, curl = (statistics.median(float(t) for t in arg.split()) for arg in sys.argv[1:4])
print(f"median: launcher {launcher:.3f} s, curl {curl:.3f} s; "
      f"launcher rate = {curl / launcher:.2f} x curl's ({50 / launcher:.0f} vs {50 / curl:.0f} MB/s)")
print(f"the MD5 log line afterwards: {md5:.3f} s more; with it {curl / (launcher + md5):.2f} x curl's")
PY
