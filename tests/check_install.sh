#!/bin/sh
# The installed program: what `make install` puts into a DESTDIR under a
# PREFIX, and what `make package` puts into the Debian package.
#   check_install.sh install BUILD APP_ID VERSION
#   check_install.sh package BUILD APP_ID VERSION
# Both compare the whole file list with the one below, so a file missing, a
# file installed beside the prefix or a stray file (a test program, a static
# library) fails. The installed programs answer their command lines without
# a display, in English and in the user's language; the package passes
# lintian without an error or a warning.
set -eu
mode="$1" build="$2" id="$3" version="$4"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

expected_files() {
    printf '%s\n' bin/tallyhouse bin/tallyhouse-mkdb libexec/tallyhouse/tallyhouse-access-reader \
        "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
        "share/icons/hicolor/scalable/apps/$id.svg" \
        share/doc/tallyhouse/copyright share/doc/tallyhouse/changelog.gz \
        share/man/man1/tallyhouse.1.gz share/man/man1/tallyhouse-mkdb.1.gz
    for size in 16 22 24 32 48 64 128 256; do
        echo "share/icons/hicolor/${size}x$size/apps/$id.png"
    done
}

same_list() {  # what, expected file, actual file
    sort -o "$2" "$2"; sort -o "$3" "$3"
    diff -u "$2" "$3" >&2 || fail "$1 differs from the expected list (- expected, + found)"
}

case "$mode" in
install)
    prefix=/opt/tallyhouse-test
    DESTDIR="$tmp/root" cmake --install "$build" --prefix "$prefix" --strip >/dev/null
    expected_files | sed "s|^|$prefix/|" >"$tmp/expected"
    (cd "$tmp/root" && find . -type f -o -type l) | sed 's|^\.||' >"$tmp/found"
    same_list "the installed files" "$tmp/expected" "$tmp/found"

    root="$tmp/root$prefix"
    for p in bin/tallyhouse bin/tallyhouse-mkdb libexec/tallyhouse/tallyhouse-access-reader; do
        [ -x "$root/$p" ] || fail "$p is not executable"
    done
    for png in "$root"/share/icons/hicolor/*x*/apps/"$id.png"; do
        dir=$(basename "$(dirname "$(dirname "$png")")")
        size=$(identify -format '%wx%h' "$png")
        [ "$size" = "$dir" ] || fail "$png is $size pixels"
    done

    desktop="$root/share/applications/$id.desktop"
    metainfo="$root/share/metainfo/$id.metainfo.xml"
    report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $report"
    [ -z "$report" ] || fail "desktop-file-validate: $report"
    appstreamcli validate --pedantic --no-net "$metainfo" >"$tmp/appstream" 2>&1 ||
        { cat "$tmp/appstream" >&2; fail "appstreamcli validate"; }
    ! grep -Eq '^[EWIP]: ' "$tmp/appstream" || { cat "$tmp/appstream" >&2; fail "appstreamcli validate --pedantic has remarks"; }
    grep -q "<project_license>GPL-3.0-or-later</project_license>" "$metainfo" || fail "the metainfo's licence is not GPL-3.0-or-later"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"

    # The desktop entry starts the installed program and shows the installed
    # icon; the metainfo names that desktop entry.
    grep -qx 'Exec=tallyhouse' "$desktop" || fail "the desktop entry does not start tallyhouse"
    grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
    grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "the metainfo does not launch $id.desktop"

    # The manual pages render without a complaint and list the window's keys.
    for page in tallyhouse tallyhouse-mkdb; do
        LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$root/share/man/man1/$page.1.gz" >"$tmp/$page.txt" 2>"$tmp/man.err" ||
            fail "man -l $page.1.gz"
        # As lintian does, a line too long to justify (the example URL) is no fault.
        ! grep -v -e 'cannot adjust line' -e "can't break line" "$tmp/man.err" >&2 || fail "man -l $page.1.gz complains"
        grep -q "$version" "$tmp/$page.txt" || fail "the page $page(1) is not of version $version"
    done
    grep -q 'Ctrl+F' "$tmp/tallyhouse.txt" && grep -q 'Escape' "$tmp/tallyhouse.txt" && grep -q 'Ctrl+P' "$tmp/tallyhouse.txt" ||
        fail "tallyhouse(1) does not list Ctrl+F, Escape and Ctrl+P"

    # The command lines, on a machine without a display: the help and the
    # version end with 0, a wrong option with 2; in Spanish and German from
    # the installed catalogues, Qt's own message too.
    run() {  # expected status, LANG, program, arguments...
        want=$1 lang=$2 program=$3; shift 3
        set +e
        env -u DISPLAY -u WAYLAND_DISPLAY -u LANGUAGE -u LC_ALL -u LC_MESSAGES -u TALLYHOUSE_ACCESS_READER QT_QPA_PLATFORM=xcb LANG="$lang" \
            "$root/bin/$program" "$@" >"$tmp/out" 2>&1
        got=$?
        set -e
        [ "$got" = "$want" ] || { cat "$tmp/out" >&2; fail "$program $* ended with $got, not $want"; }
    }
    for p in tallyhouse tallyhouse-mkdb; do
        run 0 C.UTF-8 $p --help
        grep -q "^Usage: $p " "$tmp/out" || fail "$p --help: $(cat "$tmp/out")"
        run 0 C.UTF-8 $p --version
        head -1 "$tmp/out" | grep -q " $version\$" || fail "$p --version: $(cat "$tmp/out")"
        grep -q 'GPLv3+' "$tmp/out" || fail "$p --version names no licence"
        run 2 C.UTF-8 $p --bogus
        run 0 es_ES.UTF-8 $p --help
        grep -q "^Uso: $p " "$tmp/out" || fail "$p --help in Spanish: $(cat "$tmp/out")"
    done
    # tallyhouse-mkdb finds the installed reader of Access files.
    "$build/jet4-damage" 1 "$tmp/access" >/dev/null
    run 0 C.UTF-8 tallyhouse-mkdb "$tmp/copy.db" --copy-from "$tmp/access/undamaged.mdb"
    grep -q "^Copied 40 customers from " "$tmp/out" || fail "tallyhouse-mkdb --copy-from an Access file: $(cat "$tmp/out")"
    # It prints without a display, through the installed Qt's own.
    run 0 C.UTF-8 tallyhouse-mkdb --print-pdf "$tmp/list.pdf" "$tmp/copy.db"
    grep -q "^Printed 40 customers of " "$tmp/out" || fail "tallyhouse-mkdb --print-pdf: $(cat "$tmp/out")"
    run 2 C.UTF-8 tallyhouse --bogus
    grep -q "Unknown option 'bogus'" "$tmp/out" || fail "tallyhouse --bogus: $(cat "$tmp/out")"
    run 2 de_DE.UTF-8 tallyhouse --bogus
    grep -q "Unbekannte Option" "$tmp/out" || fail "tallyhouse --bogus in German: $(cat "$tmp/out")"
    ;;
package)
    cpack --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
        { cat "$tmp/cpack.log" >&2; fail "cpack"; }
    deb="$tmp/tallyhouse_${version}_$(dpkg --print-architecture).deb"
    [ -f "$deb" ] || { ls "$tmp" >&2; fail "no package $(basename "$deb")"; }

    expected_files | sed 's|^|./usr/|' >"$tmp/expected"
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' >"$tmp/found"
    same_list "the package's files" "$tmp/expected" "$tmp/found"

    # Debian's own Qt 6 and SQLite libraries, found by dpkg-shlibdeps, and the
    # Qt SQL drivers and the font, which it cannot find; libpq for PostgreSQL,
    # libmdb for the reader of Access files.
    depends=$(dpkg-deb -f "$deb" Depends)
    for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libqt6sql6 libqt6sql6-sqlite libqt6sql6-psql libpq5 libsqlite3-0 libmdb3 fonts-liberation; do
        echo ", $depends," | grep -Eq "[ ,]$p( \([^)]*\))?," || fail "Depends lacks $p: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Package)" = tallyhouse ] || fail "the package is not called tallyhouse"

    # Debian's own check: no error, no warning. Any informational or
    # pedantic tag it prints is listed, with why it stays, in docs/using.md
    # ("Installing").
    lintian --pedantic -I --fail-on error,warning "$deb" >"$tmp/lintian" 2>&1 ||
        { cat "$tmp/lintian" >&2; fail "lintian"; }
    cat "$tmp/lintian"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "PASS: $mode"
