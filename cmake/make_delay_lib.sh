#!/bin/sh
# Builds a delay-import library for one system DLL out of its import library,
# so that the DLL is loaded at the first call into it rather than at start.
#   make_delay_lib.sh <nm> <dlltool> <32|64> <import library> <DLL name> <output>
set -eu
nm=$1 dlltool=$2 bits=$3 lib=$4 dll=$5 out=$6
def="$out.def"
# i686 import symbols carry one more underscore and the stdcall decoration,
# which the DLL's own export names do not (--kill-at).
if [ "$bits" = 32 ]; then prefix=__imp__ kill=--kill-at; else prefix=__imp_ kill=; fi
{
    echo "LIBRARY $dll"
    echo "EXPORTS"
    "$nm" "$lib" | sed -n "s/^[0-9a-f]* I $prefix//p" | sort -u
} >"$def"
"$dlltool" --input-def "$def" --output-delaylib "$out" --dllname "$dll" $kill
