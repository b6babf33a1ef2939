#!/usr/bin/env bash
# Builds the launcher and starts it under Wine, as a player would start it,
# against the stand-in operator site on 127.0.0.1:18080 (started here; an
# executable placed in build/site-updates/ as Morvane-A.B.C.D.exe is offered
# as an update). It runs in a Wine prefix of its own (build/run/), not in
# ~/.wine, so its per-user install lands there. Extra arguments go to the
# launcher. This machine's Wine has no HTML engine: the login page never
# renders here, and the popup keeps showing its waiting notice. The site
# answers the login page with 404 here, which ends its first load at once, so
# the update check runs as it does after a real page's first load (a page
# served with 200 would only start Wine's engine installer). The data folder's
# res\ is made beforehand, so that the update log is written.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. tools/common.sh

ensure_packages "${BUILD_PACKAGES[@]}" "${WINE_PACKAGES[@]}"

cmake --preset win64
cmake --build --preset win64 --target Morvane

export WINEPREFIX="$root/build/run/wineprefix" HOME="$root/build/run/home"
export WINEDEBUG=-all WINEDLLOVERRIDES=winemenubuilder.exe=d
ensure_display
mkdir -p build/site-updates
/usr/bin/python3 tools/operator_site.py --port 18080 --updates "$root/build/site-updates" --login-status 404 &
site=$!
tools/wine-prefix.sh start
appdata=$(wine cmd /c echo %APPDATA% </dev/null 2>/dev/null | tr -d '\r')
appdata=$WINEPREFIX/drive_c/${appdata#C:\\}
mkdir -p "${appdata//\\//}/kavro_2/kavro_2/res"
trap 'tools/wine-prefix.sh stop; kill "$site" 2>/dev/null || true; [ -z "${XVFB_PID:-}" ] || kill "$XVFB_PID" 2>/dev/null || true' EXIT
status=0
wine "$root/build/win64/bin/Morvane.exe" "$@" || status=$?
echo "Launcher exited with code $status"
# After an update hand-over the new version runs on in processes of its own.
while pgrep -f -i 'Morvane\.exe|quvaqlndtmp\.exe' >/dev/null; do sleep 1; done
exit "$status"
