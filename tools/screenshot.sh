#!/usr/bin/env bash
# Shows a part of the launcher under Wine and saves a screenshot of the screen
# to build/screenshots/<what>.png, so that a person can see what the player sees.
#   tools/screenshot.sh widgets   the skinned buttons and the confirmation box
#   tools/screenshot.sh login     the launcher's login window with its popup
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
what=${1:-login}
. tools/common.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${WINE_PACKAGES[@]}"
cmake --preset win64 >/dev/null
case "$what" in
widgets) target=widget_gallery ;;
login) target=Morvane ;;
*) echo "usage: $0 widgets|login" >&2; exit 2 ;;
esac
cmake --build --preset win64 --target "$target"

export WINEPREFIX="$root/build/win64/wineprefix" HOME="$root/build/win64/winehome"
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
ensure_display
tools/wine-prefix.sh start
# Stopping the server also ends the launcher, which waits for a sign-in.
trap 'tools/wine-prefix.sh stop; [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
mkdir -p build/screenshots
wine "build/win64/bin/$target.exe" </dev/null >/dev/null 2>&1 &
sleep 4
import -window root "build/screenshots/$what.png"
echo "Saved build/screenshots/$what.png"
