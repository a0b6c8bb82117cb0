# shellcheck shell=sh
# Sourced, not run: what every installer of Debian packages here shares
# (deps/install.sh for the build, and the evaluations' own in vanto/refset).
# Each caller words its own messages and decides what a failure means.

# Prints the packages named that are not installed, each after a space
# (nothing when all are), so that a message can end with them.
missing_packages() {
    missing=""
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q '^install ok installed$'; then
            missing="$missing $pkg"
        fi
    done
    printf '%s' "$missing"
}

# True when this shell may install packages: root, with apt-get at hand.
can_install() {
    [ "$(id -u)" -eq 0 ] && command -v apt-get >/dev/null
}

# Installs the packages named, without questions; its status is apt-get's.
install_packages() {
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q && apt-get install -y -q "$@"
}
