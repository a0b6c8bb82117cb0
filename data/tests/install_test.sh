#!/bin/sh
# Checks of the desktop files and of make install / make uninstall:
#   install_test.sh desktop-entry FILE
#   install_test.sh metainfo FILE
#   install_test.sh manual-page FILE
#   install_test.sh refusal SOURCE_DIR
#   install_test.sh round-trip SOURCE_DIR BUILT_VANTO_DIR INSTALL_BUILD_DIR
# Exit status 77 means skipped.
set -eu
# CTest may run inside make, whose job server is not ours to use.
unset MAKEFLAGS MFLAGS MAKELEVEL

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

# Every file and directory under $1 with its type and mode, one a line.
listing() {
    (cd "$1" && find . -printf '%y %m %p\n' | LC_ALL=C sort)
}

# Fails when the command fails or says anything at all.
silent() {
    if ! out=$("$@" 2>&1) || [ -n "$out" ]; then
        printf '%s\n' "$out" >&2
        fail "$1 reported the above"
    fi
}

expect_refusal() {
    place=$1
    prefix=$2
    before=$(listing "$place")
    if $as_user make -C "$source" install "PREFIX=$prefix" "INSTALL_BUILD=$tmp/build" \
        >"$tmp/out" 2>&1; then
        cat "$tmp/out"
        fail "make install into $prefix succeeded"
    fi
    cat "$tmp/out"
    grep -qF "Its tool directory, $prefix/lib/glifora/drive_c/VANTO, must be writable" \
        "$tmp/out" || fail "the message does not name the tool directory"
    grep -qF "Nothing was installed." "$tmp/out" || fail "the message does not say that nothing was installed"
    [ "$(listing "$place")" = "$before" ] || fail "make install changed $place"
    [ ! -e "$tmp/build" ] || fail "make install began to build before refusing"
}

# make install stops before building when the tool directory would not be
# writable by the user: under a directory they may not write to, and in a
# prefix of theirs whose tool directory is read-only.
refusal() {
    source=$1
    tmp=$(mktemp -d)
    trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
    chmod 755 "$tmp"
    as_user=
    if [ "$(id -u)" -eq 0 ]; then
        # Root may write anywhere, so the refusal is checked for a user
        # who may not.
        if ! command -v setpriv >/dev/null || ! id nobody >/dev/null 2>&1; then
            echo "Skipped: running as root, and there is no setpriv or no user nobody to refuse."
            exit 77
        fi
        as_user="setpriv --reuid=nobody --regid=$(id -g nobody) --clear-groups"
        if ! $as_user test -r "$source/Makefile"; then
            echo "Skipped: running as root, and nobody cannot read $source."
            exit 77
        fi
    fi

    mkdir -m 555 "$tmp/locked"
    expect_refusal "$tmp/locked" "$tmp/locked/glifora"

    mkdir -p "$tmp/own/bin" "$tmp/own/lib/glifora/drive_c/VANTO"
    chmod 555 "$tmp/own/lib/glifora/drive_c/VANTO"
    [ -z "$as_user" ] || chown -R nobody "$tmp/own"
    expect_refusal "$tmp/own" "$tmp/own"
}

run_make() {
    if ! make -C "$source" "$@" "INSTALL_BUILD=$build" >"$tmp/make.log" 2>&1; then
        cat "$tmp/make.log"
        fail "make $*"
    fi
}

# The same standard output and exit status from the build tree's tool $1
# and the installed tool $2 on image $3.
same_report() {
    status=0
    "$1" "$3" >"$tmp/built.txt" || status=$?
    installed_status=0
    "$2" "$3" >"$tmp/installed.txt" || installed_status=$?
    [ "$status" -eq "$installed_status" ] ||
        fail "$2 ended with $installed_status and $1 with $status on $3"
    diff "$tmp/built.txt" "$tmp/installed.txt" >&2 || fail "$2 and $1 differ on $3"
}

# Starts the installed glifora by name, as the desktop entry does, on an X
# server of its own, opens image $1 through the file dialog by keyboard and
# waits for the recogniser's result $2.
open_in_glifora() {
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
    xvfb=$!
    i=0
    until [ -s "$tmp/display" ]; do
        i=$((i + 1))
        [ $i -le 300 ] || fail "Xvfb did not start: $(cat "$tmp/xvfb.log")"
        sleep 0.1
    done
    DISPLAY=":$(cat "$tmp/display")"
    export DISPLAY
    unset QT_QPA_PLATFORM

    PATH="$prefix/bin:$PATH" glifora >"$tmp/glifora.log" 2>&1 &
    app=$!
    window=$(timeout 60 xdotool search --sync --name '^Glifora$' | head -n 1)
    [ -n "$window" ] || fail "Glifora's window did not appear: $(cat "$tmp/glifora.log")"
    timeout 30 xdotool windowfocus --sync "$window" || fail "Glifora's window took no focus"
    # Ctrl+A again now and then, in case the first came before the window
    # was ready for it; in the dialog it only selects the typed name.
    i=0
    while [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$window" ]; do
        [ $((i % 50)) -ne 0 ] || xdotool key ctrl+a
        i=$((i + 1))
        [ $i -le 300 ] || fail "Ctrl+A opened no file dialog"
        sleep 0.1
    done
    xdotool type --delay 20 "$1"
    xdotool key Return
    i=0
    until [ -f "$2" ]; do
        ! grep -qsxF "Imagen: $1" "$built/resvec.txt" ||
            fail "the installed glifora ran the build tree's tools, in $built"
        i=$((i + 1))
        [ $i -le 600 ] || fail "the installed glifora left no $2: $(cat "$tmp/glifora.log")"
        sleep 0.2
    done
    stop_x
}

stop_x() {
    [ -z "${app-}" ] || kill "$app" 2>/dev/null || true
    [ -z "${xvfb-}" ] || kill "$xvfb" 2>/dev/null || true
    wait
    app=
    xvfb=
}

# Fails unless refset.db $1 is the committed built-in part followed by a
# taught part of exactly the one line $2.
expect_taught() {
    committed=$source/vanto/refset/refset.db
    size=$(wc -c <"$committed")
    head -c "$size" "$1" | cmp -s - "$committed" || fail "$1 does not start with the built-in part"
    [ "$(grep -c '^REFERENCIAS-ENSEÑADAS 1$' "$1")" -eq 1 ] || fail "$1 has no taught part of one"
    [ "$(grep -c '^"' "$1")" -eq 1 ] && grep -qxF "$2" "$1" || fail "$1 lost the taught reference"
}

# A reference taught to the tool directory $1; prints its line of refset.db.
teach_one() {
    "$1/VECPLAN.EXE" --aprende 8 "$source/samples/8.pbm" >"$tmp/taught.txt" ||
        fail "VECPLAN.EXE --aprende failed: $(cat "$tmp/taught.txt")"
    grep '^"8" ' "$1/refset.db" || fail "no taught reference in $1/refset.db"
}

# Rebuilding, reinstalling and installing over an older version keep the
# references taught; make uninstall keeps them too, and removes what a
# killed recogniser or teaching left; installing again brings them back.
taught_references_are_kept() {
    # The build's own tool directory: its refset.db step keeps them, and
    # sets a damaged file aside whole, saying where.
    built_vanto=$build/drive_c/VANTO
    cmake --build "$build" --target refset_db >"$tmp/out" 2>&1 || fail "$(cat "$tmp/out")"
    line=$(teach_one "$built_vanto") || exit 1
    cmake --build "$build" --target refset_db >"$tmp/out" 2>&1 || fail "$(cat "$tmp/out")"
    expect_taught "$built_vanto/refset.db" "$line"
    sed -i 's/^REFERENCIAS-ENSEÑADAS 1$/REFERENCIAS-ENSEÑADAS 2/' "$built_vanto/refset.db"
    cp "$built_vanto/refset.db" "$tmp/damaged.db"
    cmake --build "$build" --target refset_db >"$tmp/out" 2>&1 || fail "$(cat "$tmp/out")"
    set -- "$built_vanto"/refset.db.apartada-*
    [ $# -eq 1 ] && [ -f "$1" ] || fail "the damaged refset.db was not set aside: $(cat "$tmp/out")"
    grep -qF "$1" "$tmp/out" || fail "the build did not name $1: $(cat "$tmp/out")"
    cmp -s "$1" "$tmp/damaged.db" || fail "$1 is not the damaged file whole"
    cmp -s "$built_vanto/refset.db" "$source/vanto/refset/refset.db" ||
        fail "the damaged refset.db was not replaced by the built-in part"
    rm "$1"

    # Reinstalling keeps them, and so does an install over an older
    # version, whose built-in part lacks a reference.
    line=$(teach_one "$installed") || exit 1
    run_make install "PREFIX=$prefix"
    expect_taught "$installed/refset.db" "$line"
    sed -i '0,/^A /{//d}' "$installed/refset.db"
    ! cmp -s "$installed/refset.db" "$source/vanto/refset/refset.db" || fail "no older version"
    run_make install "PREFIX=$prefix"
    expect_taught "$installed/refset.db" "$line"

    # make uninstall keeps refset.db and says so; it removes what killed
    # runs leave. The prefix is as it was but for refset.db, its folders and
    # the record of them.
    : >"$installed/.resvec.txt.4242.0badcafe"
    : >"$installed/.refset.db.4242.deadbeef"
    run_make uninstall "PREFIX=$prefix"
    grep -qF "Kept $installed/refset.db: it holds references you taught" "$tmp/make.log" ||
        fail "make uninstall did not say it kept refset.db: $(cat "$tmp/make.log")"
    ! grep -q "holds files that Glifora did not install" "$tmp/make.log" ||
        fail "make uninstall blamed other files: $(cat "$tmp/make.log")"
    (cd "$prefix" && find . | LC_ALL=C sort) >"$tmp/left"
    printf '%s\n' . ./bin ./bin/propio ./lib ./lib/glifora ./lib/glifora/drive_c \
        ./lib/glifora/drive_c/VANTO ./lib/glifora/drive_c/VANTO/refset.db \
        ./lib/glifora/installed-files ./share ./share/applications \
        ./share/applications/propio.desktop >"$tmp/expected-left"
    diff "$tmp/expected-left" "$tmp/left" >&2 || fail "make uninstall left other files than refset.db"
    expect_taught "$installed/refset.db" "$line"

    # Installed again, the copy knows them; forgotten, nothing is kept.
    run_make install "PREFIX=$prefix"
    expect_taught "$installed/refset.db" "$line"
    "$installed/VECPLAN.EXE" --olvida-todo >"$tmp/out" || fail "--olvida-todo: $(cat "$tmp/out")"
    cmp -s "$installed/refset.db" "$source/vanto/refset/refset.db" ||
        fail "forgetting everything did not leave the built-in part"
}

# make install into a prefix that holds files of the user's: the files land
# where they belong, the installed tools report what the build tree's do,
# the installed glifora runs the installed tools; make uninstall then leaves
# the prefix as it was.
round_trip() {
    source=$1
    built=$2
    build=$3
    app=
    xvfb=
    tmp=$(mktemp -d)
    # The same prefix every time, so that the copy is built for it once.
    prefix="$build/mi prefijo"
    trap 'stop_x; rm -rf "$tmp" "$prefix"' EXIT
    rm -rf "$prefix"
    mkdir -p "$prefix/bin" "$prefix/share/applications"
    echo propio >"$prefix/bin/propio"
    echo propio >"$prefix/share/applications/propio.desktop"
    before=$(listing "$prefix")

    run_make install "PREFIX=$prefix"
    installed=$prefix/lib/glifora/drive_c/VANTO
    (cd "$prefix" && find . -type f | LC_ALL=C sort) >"$tmp/files"
    cat >"$tmp/expected" <<'EOF'
./bin/glifora
./bin/propio
./lib/glifora/drive_c/VANTO/CONVEXD.EXE
./lib/glifora/drive_c/VANTO/TRAZOC.EXE
./lib/glifora/drive_c/VANTO/VECPLAN.EXE
./lib/glifora/drive_c/VANTO/VIEWPBM.EXE
./lib/glifora/drive_c/VANTO/refset.db
./lib/glifora/installed-files
./share/applications/glifora.desktop
./share/applications/propio.desktop
./share/icons/hicolor/128x128/apps/glifora.png
./share/icons/hicolor/16x16/apps/glifora.png
./share/icons/hicolor/24x24/apps/glifora.png
./share/icons/hicolor/256x256/apps/glifora.png
./share/icons/hicolor/32x32/apps/glifora.png
./share/icons/hicolor/48x48/apps/glifora.png
./share/icons/hicolor/64x64/apps/glifora.png
./share/icons/hicolor/scalable/apps/glifora.svg
./share/man/man1/glifora.1
./share/metainfo/io.github.glifora.glifora.metainfo.xml
EOF
    diff "$tmp/expected" "$tmp/files" >&2 || fail "the installed files are not the expected ones"

    # The menu entry starts the installed program and finds its icon.
    entry=$prefix/share/applications/glifora.desktop
    [ -x "$prefix/bin/$(sed -n 's/^Exec=//p' "$entry")" ] || fail "Exec= names no installed program"
    [ -f "$prefix/share/icons/hicolor/scalable/apps/$(sed -n 's/^Icon=//p' "$entry").svg" ] ||
        fail "Icon= names no installed icon"

    # The build tree's recogniser runs from a copy, so that its resvec.txt
    # lands beside the copy and not in the build tree.
    mkdir "$tmp/recogniser"
    cp "$built/VECPLAN.EXE" "$built/refset.db" "$tmp/recogniser/"
    for image in "$source"/samples/*.pbm "$source"/samples/*/*.pbm; do
        same_report "$built/TRAZOC.EXE" "$installed/TRAZOC.EXE" "$image"
        same_report "$built/CONVEXD.EXE" "$installed/CONVEXD.EXE" "$image"
        same_report "$tmp/recogniser/VECPLAN.EXE" "$installed/VECPLAN.EXE" "$image"
        diff "$tmp/recogniser/resvec.txt" "$installed/resvec.txt" >&2 ||
            fail "the installed VECPLAN.EXE wrote another resvec.txt for $image"
    done

    # The image has a name of its own, so that only this run's recogniser
    # can have named it.
    rm "$installed/resvec.txt"
    image="$tmp/imagen de prueba.pbm"
    cp "$source/samples/A.pbm" "$image"
    open_in_glifora "$image" "$installed/resvec.txt"
    grep -qxF "Imagen: $image" "$installed/resvec.txt" ||
        fail "the installed resvec.txt does not name $image"

    taught_references_are_kept

    # Installing again over the first install, then uninstalling, removes
    # what both made, and the result glifora left.
    run_make install "PREFIX=$prefix"
    run_make uninstall "PREFIX=$prefix"
    cat "$tmp/make.log"
    after=$(listing "$prefix")
    [ "$after" = "$before" ] || {
        printf '%s\n' "$before" >"$tmp/before"
        printf '%s\n' "$after" >"$tmp/after"
        diff "$tmp/before" "$tmp/after" >&2
        fail "make uninstall did not leave the prefix as it was"
    }
}

[ $# -ge 2 ] || fail "usage: $0 CASE ARGUMENT..."
case $1 in
    desktop-entry) silent desktop-file-validate --no-hints "$2" ;;
    metainfo) appstreamcli validate --no-net --explain "$2" ;;
    manual-page)
        out=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
            man --warnings -E UTF-8 -l -Tutf8 -Z "$2" 2>&1 >/dev/null) || fail "man failed: $out"
        [ -z "$out" ] || fail "man warns: $out" ;;
    refusal) refusal "$2" ;;
    round-trip)
        [ $# -eq 4 ] || fail "usage: $0 round-trip SOURCE_DIR BUILT_VANTO_DIR INSTALL_BUILD_DIR"
        round_trip "$2" "$3" "$4" ;;
    *) fail "unknown case $1" ;;
esac
