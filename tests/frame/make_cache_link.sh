#!/bin/sh
# A folder link inside the browser cache for the cache-clearing test, made
# from the host side: Wine can neither make one nor move one without
# following it.
set -eu
: "${WINEPREFIX:?}"
drive="$WINEPREFIX/drive_c"
cache="$drive/users/${USER:-$(id -un)}/AppData/Local/Microsoft/Windows/INetCache"
rm -rf "$drive/cache-link-fixture" "$cache/fixture"
mkdir -p "$drive/cache-link-fixture/target" "$cache/fixture/links"
echo "outside the cache" >"$drive/cache-link-fixture/target/keep.txt"
ln -s "$drive/cache-link-fixture/target" "$cache/fixture/links/outside"
