#!/bin/sh
# Installs the Debian packages listed in debian-packages.txt that are missing.
# As root it runs apt-get; otherwise it prints the exact command and fails.
set -eu
list="$(dirname "$0")/debian-packages.txt"
missing=""
for pkg in $(sed -e 's/#.*//' "$list"); do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q '^install ok installed$'; then
        missing="$missing $pkg"
    fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    echo "Installing:$missing"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    # shellcheck disable=SC2086
    apt-get install -y -q $missing
else
    echo "Missing Debian packages. Install them with:" >&2
    echo "  sudo apt-get install -y$missing" >&2
    exit 1
fi
