#!/usr/bin/env bash
# Prepares and stops the Wine prefix that the tests run in. CTest calls it with
# HOME, WINEPREFIX, WINEDEBUG and WINEDLLOVERRIDES already set to folders of
# the build tree; it never touches the user's own ~/.wine.
#   wine-prefix.sh start   create the prefix once, start a persistent wineserver
#   wine-prefix.sh stop    stop the wineserver
set -eu
: "${WINEPREFIX:?}" "${HOME:?}"
export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d}"

quiet() { "$@" </dev/null >/dev/null 2>&1; }

case "${1:-}" in
start)
    mkdir -p "$HOME" "$WINEPREFIX"
    # A persistent server makes each later wine start take milliseconds, not a second.
    # One still shutting down after "wineserver -k" refuses it for a moment;
    # one already running is as good.
    for _ in 1 2 3 4 5 6; do
        quiet wineserver -p && break
        sleep 0.5
    done
    if [ ! -f "$WINEPREFIX/.launcher-prefix-v2" ]; then
        quiet wineboot -u
        # Without a window manager, destroying a visible managed window stalls for seconds.
        quiet wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
        # "arial" is what the program asks for; Liberation Sans has its metrics.
        quiet wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /d 'Liberation Sans' /f
        # With Tahoma present, GDI+ has a generic sans-serif family.
        cp /usr/share/wine/fonts/tahoma.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
        # Chinese text falls back to WenQuanYi Micro Hei from the Latin fonts;
        # the bold faces are linked by their own names.
        for face in 'Liberation Sans' 'Liberation Sans Bold' 'Tahoma' 'Tahoma Bold' 'Arial' 'Arial Bold'; do
            quiet wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
                /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f
        done
        touch "$WINEPREFIX/.launcher-prefix-v2"
    fi
    # Start Wine's background services here, detached from any pipe: started
    # later by a test, they would hold CTest's output pipe open and stall it.
    quiet wineboot
    ;;
stop)
    quiet wineserver -k || true
    ;;
*)
    echo "usage: $0 start|stop" >&2
    exit 2
    ;;
esac
