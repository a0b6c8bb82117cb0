#!/bin/sh
# Runs a command (normally CTest) with a Wine server kept up for a prefix,
# and stops that prefix's server afterwards, whatever the command's outcome:
#   wine-session.sh PREFIX COMMAND [ARGUMENT...]
# Without a persistent server each Wine program would leave one behind for a
# few seconds, holding CTest's output pipe open.
set -eu
[ $# -ge 2 ] || { echo "usage: $0 PREFIX COMMAND [ARGUMENT...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
shift
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}

stop() { WINEPREFIX=$prefix "$wineserver" -k 2>/dev/null || true; }
trap stop EXIT
trap 'exit 130' INT TERM

# Fails when a server for the prefix is up already, which is as good.
WINEPREFIX=$prefix "$wineserver" -p || true
# Create the prefix, or start its services, now rather than inside the first
# test. A new 64-bit-only prefix makes Wine complain about the missing 32-bit
# side; the log is shown only if this fails.
if ! "$here/wine-run.sh" "$prefix" wineboot.exe 2>"$prefix/wineboot.log"; then
    cat "$prefix/wineboot.log" >&2
    exit 1
fi
"$@"
