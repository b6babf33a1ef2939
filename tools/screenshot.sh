#!/usr/bin/env bash
# Shows a part of the launcher under Wine and saves a screenshot of the screen
# to build/screenshots/<what>.png, so that a person can see what the player sees.
#   tools/screenshot.sh widgets   the skinned buttons and the confirmation box
#   tools/screenshot.sh login     the launcher's login window with its popup
#   tools/screenshot.sh frame     the game frame after a sign-in: maximised,
#                                 restored, in full screen, with the tray
#                                 menu open and behind the cache-clearing
#                                 overlay (build/screenshots/frame-<state>.png)
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
frame) target=frame_gallery ;;
*) echo "usage: $0 widgets|login|frame" >&2; exit 2 ;;
esac
cmake --build --preset win64 --target "$target"

export WINEPREFIX="$root/build/win64/wineprefix" HOME="$root/build/win64/winehome"
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
ensure_display
tools/wine-prefix.sh start
# Stopping the server also ends the launcher, which waits for a sign-in.
trap 'tools/wine-prefix.sh stop; [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
mkdir -p build/screenshots
shoot() {  # name, then the program's arguments
    local name=$1
    shift
    wine "build/win64/bin/$target.exe" "$@" </dev/null >/dev/null 2>&1 &
    local program=$!
    sleep 4
    import -window root "build/screenshots/$name.png"
    echo "Saved build/screenshots/$name.png"
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
}
if [ "$what" = frame ]; then
    for state in maximised restored fullscreen traymenu overlay; do
        shoot "frame-$state" "$state"
        # Ends the signed-in frame, which only its prompts would end.
        wineserver -k; tools/wine-prefix.sh start
    done
else
    shoot "$what"
fi
