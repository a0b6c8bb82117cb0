#!/bin/sh
# make install and make uninstall: Glifora for one user, under a prefix.
#   install.sh install PREFIX BUILD_DIR
#   install.sh uninstall PREFIX
# install first checks that the user can write everywhere it will write, above
# all in the tool directory, where the recogniser leaves resvec.txt; then it
# builds in BUILD_DIR a copy whose drive root is PREFIX/lib/glifora/drive_c,
# and installs it with a record of the files it put there and the directories
# it made. uninstall reads that record, so it needs no build.
set -eu

usage() {
    echo "usage: $0 install PREFIX BUILD_DIR | uninstall PREFIX" >&2
    exit 2
}
[ $# -ge 2 ] || usage
action=$1
prefix=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)

drive_c=lib/glifora/drive_c
vanto=$drive_c/VANTO
record=lib/glifora/installed-files

fail() {
    printf 'make %s: %s\n' "$action" "$*" >&2
    exit 1
}

case $prefix in
    '') fail "PREFIX is empty." ;;
    /*) ;;
    *) prefix=$(pwd)/$prefix ;;
esac
while :; do
    case $prefix in
        ?*/) prefix=${prefix%/} ;;
        *) break ;;
    esac
done

# Whether this user can write in directory $1, making it if need be: it is a
# directory they may write in and enter, or it is missing and so is every
# directory up to the nearest existing one, which they may. $blocker is the
# path that decides.
can_write_dir() {
    blocker=$1
    while [ ! -e "$blocker" ] && [ ! -L "$blocker" ]; do
        blocker=$(dirname "$blocker")
    done
    [ -d "$blocker" ] && [ -w "$blocker" ] && [ -x "$blocker" ]
}

check_tool_dir() {
    can_write_dir "$prefix/$vanto" && return
    cat >&2 <<EOF
make install: cannot install Glifora in $prefix.
Its tool directory, $prefix/$vanto, must be writable by whoever runs Glifora,
here $(id -un): the recogniser VECPLAN.EXE writes its result resvec.txt there.
But $blocker is not a directory you can write to.
Install where you can, as the default does (make install PREFIX=\$HOME/.local),
or make that place yours first. Nothing was installed.
EOF
    exit 1
}

check_dir() {
    can_write_dir "$1" ||
        fail "cannot install Glifora in $prefix: $1 must be a directory you can" \
            "write to, and $blocker is not. Nothing was installed."
}

install_copy() {
    [ $# -eq 1 ] || usage
    build=$1
    case $prefix in
        *'
'* | *'"'* | *'\'* | *';'* | *'$'*)
            fail "the prefix \"$prefix\" holds a character that cannot be part of" \
                "Glifora's tool directory (a line break, \", \\, ; or \$). Nothing was installed." ;;
    esac
    # Before anything is built: the places every user install writes to.
    check_tool_dir
    check_dir "$prefix/bin"
    check_dir "$prefix/share"

    sh "$source_dir/deps/install.sh"
    cmake -S "$source_dir" -B "$build" \
        -DCMAKE_BUILD_TYPE=Release \
        -DGLIFORA_FOR_INSTALL=ON \
        -DGLIFORA_BUILD_TESTS=OFF \
        -DGLIFORA_BUILD_BENCH=OFF \
        "-DCMAKE_INSTALL_PREFIX=$prefix" \
        "-DGLIFORA_DRIVE_C=$prefix/$drive_c"
    cmake --build "$build" --target installable -j "${JOBS:-$(nproc)}"

    # A trial install into the build tree lists every file and directory;
    # the real one starts only once each of those directories is known
    # writable, so that no install stops half done.
    stage=$build/stage
    rm -rf "$stage"
    DESTDIR=$stage cmake --install "$build" --strip >/dev/null
    staged=$stage$prefix
    # Paths relative to the prefix; "." is the prefix itself.
    (cd "$staged" && find . -type d) | sed 's|^\./||' | LC_ALL=C sort >"$build/staged-dirs"
    (cd "$staged" && find . ! -type d) | sed 's|^\./||' | LC_ALL=C sort >"$build/staged-files"
    while IFS= read -r dir; do
        check_dir "$prefix/$dir"
    done <"$build/staged-dirs"
    while IFS= read -r file; do
        if [ -d "$prefix/$file" ] && [ ! -L "$prefix/$file" ]; then
            fail "cannot install $prefix/$file: a directory is in its place. Nothing was installed."
        elif [ -e "$prefix/$file" ] && [ ! -w "$prefix/$file" ]; then
            fail "cannot replace $prefix/$file: you may not write to it. Nothing was installed."
        fi
    done <"$build/staged-files"

    # The record: what this install puts there and the directories it makes,
    # added to what an earlier install into the same prefix recorded. It is
    # written before the files, so that an install that fails midway can
    # still be undone.
    {
        [ ! -f "$prefix/$record" ] || cat "$prefix/$record"
        sed 's/^/file /' "$build/staged-files"
        echo "file $record"
        while IFS= read -r dir; do
            [ -d "$prefix/$dir" ] || echo "dir $dir"
        done <"$build/staged-dirs"
    } | LC_ALL=C sort -u >"$build/record"
    mkdir -p "$prefix/lib/glifora"
    cp "$build/record" "$prefix/$record"

    cmake --install "$build" --strip
    cat <<EOF

Glifora is installed in $prefix:
  the program         $prefix/bin/glifora
  its tool directory  $prefix/$vanto
Start it from the applications menu or with the command glifora.
Remove it with: make uninstall PREFIX=$prefix
EOF
    case :$PATH: in
        *:"$prefix/bin":*) ;;
        *) echo "Note: $prefix/bin is not in your PATH; the menu entry and the command need it there." ;;
    esac
}

# The record's entries that stay inside the prefix.
recorded() {
    while read -r kind path; do
        case /$path/ in
            */../*) echo "Skipped \"$path\" in $prefix/$record: it leaves the prefix." >&2 ;;
            *) [ "$kind" != "$1" ] || printf '%s\n' "$path" ;;
        esac
    done <"$prefix/$record"
}

check_removable() {
    parent=$(dirname "$1")
    [ -w "$parent" ] && [ -x "$parent" ] ||
        fail "cannot remove $1: $parent is not a directory you can write to. Nothing was removed."
}

uninstall_copy() {
    [ $# -eq 0 ] || usage
    if [ ! -f "$prefix/$record" ]; then
        echo "make uninstall: Glifora is not installed in $prefix (there is no $prefix/$record); nothing was removed."
        return
    fi
    files=$(recorded file)
    dirs=$(recorded dir | LC_ALL=C sort -r)
    result=$prefix/$vanto/resvec.txt
    refset=$prefix/$vanto/refset.db
    # What a recogniser or a teaching killed midway leaves: their temporary
    # files, named by the process and a random suffix.
    leftovers=$(find "$prefix/$vanto" -maxdepth 1 -type f 2>/dev/null |
        grep -E '/\.(resvec\.txt|refset\.db)\.[0-9]+\.[0-9a-f]{8}$' || true)

    # The references the user taught are theirs: refset.db stays when it
    # holds any.
    taught=
    if [ -f "$refset" ] && grep -q '^REFERENCIAS-ENSEÑADAS ' "$refset"; then
        taught=$(sed -n 's/^REFERENCIAS-ENSEÑADAS \([0-9]*\).*/\1/p' "$refset" | head -n 1)
        taught=${taught:-?}
    fi

    # Check first that each file can go, so that none goes if one cannot.
    while IFS= read -r file; do
        [ -z "$file" ] || [ ! -e "$prefix/$file" ] || check_removable "$prefix/$file"
    done <<EOF
$files
EOF
    while IFS= read -r file; do
        [ -z "$file" ] || check_removable "$file"
    done <<EOF
$leftovers
EOF
    [ ! -e "$result" ] || check_removable "$result"

    # The files, the recogniser's last result and the record; then the
    # directories the installs made, deepest first, those left empty.
    while IFS= read -r file; do
        if [ -z "$file" ]; then
            continue
        elif [ -n "$taught" ] && [ "$prefix/$file" = "$refset" ]; then
            echo "Kept $refset: it holds references you taught the recogniser ($taught);" \
                "make install into $prefix uses them again (delete the file to forget them)."
        elif [ -f "$prefix/$file" ] || [ -L "$prefix/$file" ]; then
            rm -f "$prefix/$file"
        elif [ -e "$prefix/$file" ]; then
            echo "Kept $prefix/$file: it is no longer the file that Glifora installed."
        fi
    done <<EOF
$files
EOF
    if [ -f "$result" ]; then
        rm -f "$result"
    fi
    while IFS= read -r file; do
        [ -z "$file" ] || rm -f "$file"
    done <<EOF
$leftovers
EOF
    rm -f "$prefix/$record"
    # A kept refset.db explains its folders; so does a damaged one that an
    # update set aside (it may hold taught references too).
    kept='|'
    [ -z "$taught" ] || kept="$kept$refset|"
    for aside in "$refset".apartada-*; do
        [ -f "$aside" ] || continue
        echo "Kept $aside: a damaged refset.db that an update set aside; it may hold references you taught."
        kept="$kept$aside|"
    done
    while IFS= read -r dir; do
        case $dir in
            '') continue ;;
            .) path=$prefix ;;
            *) path=$prefix/$dir ;;
        esac
        [ -d "$path" ] && ! rmdir "$path" 2>/dev/null || continue
        # Said once, for the deepest directory kept.
        case $kept in
            *"|$path/"*) ;;
            *) echo "Kept $path: it holds files that Glifora did not install." ;;
        esac
        kept="$kept$path|"
    done <<EOF
$dirs
EOF
    if [ -n "$taught" ]; then
        # What stays of Glifora's is recorded, the folders that hold it with
        # it, so that the next install and uninstall know them as its own.
        {
            echo "file $vanto/refset.db"
            echo "file $record"
            while IFS= read -r dir; do
                case $dir in
                    '') ;;
                    .) [ ! -d "$prefix" ] || echo "dir ." ;;
                    *) [ ! -d "$prefix/$dir" ] || echo "dir $dir" ;;
                esac
            done <<EOF
$dirs
EOF
        } | LC_ALL=C sort -u >"$prefix/$record"
        echo "Glifora is removed from $prefix, but for the references you taught it."
    else
        echo "Glifora is removed from $prefix."
    fi
}

case $action in
    install) shift 2 && install_copy "$@" ;;
    uninstall) shift 2 && uninstall_copy "$@" ;;
    *) usage ;;
esac
