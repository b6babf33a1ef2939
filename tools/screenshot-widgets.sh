#!/usr/bin/env bash
# Shows the skinned widgets under Wine and saves a screenshot of them to
# build/screenshots/widgets.png (run tools/test.sh once first, or let this
# build what it needs).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. tools/common.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
cmake --preset win64 >/dev/null
cmake --build --preset win64 --target widget_gallery

export WINEPREFIX="$root/build/win64/wineprefix" HOME="$root/build/win64/winehome"
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
ensure_display
tools/wine-prefix.sh start
trap 'tools/wine-prefix.sh stop; [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
mkdir -p build/screenshots
wine build/win64/bin/widget_gallery.exe </dev/null >/dev/null 2>&1 &
gallery=$!
sleep 3
import -window root -crop 680x440+0+0 build/screenshots/widgets.png
wait "$gallery" || true
echo "Saved build/screenshots/widgets.png"
