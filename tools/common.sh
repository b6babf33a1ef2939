# Shared by the run and test commands: packages and an X display.
# shellcheck shell=bash

# Installs the Debian packages that are missing, with apt.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    # The i386 index may be out of step with amd64; the update still serves amd64.
    "${sudo[@]}" apt-get update -q || true
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
}

BUILD_PACKAGES=(cmake make python3 clang libclang-rt-14-dev g++ googletest zlib1g-dev
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 libz-mingw-w64-dev)
WINE_PACKAGES=(wine wine64 fonts-wine xvfb xauth fonts-liberation fonts-wqy-microhei xdotool imagemagick)
# The update test signs its fixtures with a certificate of its own.
WINE_PACKAGES+=(osslsigncode openssl)

# Starts Xvfb when there is no display; it is stopped when the shell exits.
ensure_display() {
    [ -n "${DISPLAY:-}" ] && return 0
    local n=91
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
    local i
    for i in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && break
        sleep 0.1
    done
    export DISPLAY=":$n"
}
