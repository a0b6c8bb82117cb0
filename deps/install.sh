#!/bin/sh
# Installs the Debian packages listed in debian-packages.txt that are missing.
# As root it runs apt-get; otherwise it prints the exact command and fails.
set -eu
here="$(dirname "$0")"
# shellcheck source=deps/packages.sh
. "$here/packages.sh"
# shellcheck disable=SC2046
missing="$(missing_packages $(sed -e 's/#.*//' "$here/debian-packages.txt"))"
[ -z "$missing" ] && exit 0

if can_install; then
    echo "Installing:$missing"
    # shellcheck disable=SC2086
    install_packages $missing
else
    echo "Missing Debian packages. Install them with:" >&2
    echo "  sudo apt-get install -y$missing" >&2
    exit 1
fi
