#!/bin/sh
# Runs a Windows program under Wine with the settings the tests rely on:
#   wine-run.sh PREFIX PROGRAM [ARGUMENT...]
# PREFIX is the Wine prefix (created on first use). No display is used and
# Wine's offers to install Mono or Gecko are switched off, so nothing can wait
# for a dialog. C.UTF-8 is always present and makes Wine's ANSI code page 1252.
set -eu
[ $# -ge 2 ] || { echo "usage: $0 PREFIX PROGRAM [ARGUMENT...]" >&2; exit 2; }
mkdir -p "$1"
WINEPREFIX=$(cd "$1" && pwd)  # Wine wants it absolute
shift
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=C.UTF-8
export LANG=C.UTF-8
unset DISPLAY WAYLAND_DISPLAY
exec "${WINE:-/usr/lib/wine/wine64}" "$@"
