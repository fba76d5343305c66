#!/bin/sh
# The installed program: what `make install` puts into a DESTDIR under a
# PREFIX, and what `make package` puts into the Debian package.
#   check_install.sh install BUILD APP_ID
#   check_install.sh package BUILD APP_ID VERSION
# Both compare the whole file list with the one below, so a file missing, a
# file installed beside the prefix or a stray file (a test program, a static
# library) fails.
set -eu
mode="$1" build="$2" id="$3"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

expected_files() {
    printf '%s\n' bin/tallyhouse bin/tallyhouse-mkdb \
        "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml" \
        "share/icons/hicolor/scalable/apps/$id.svg"
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
    DESTDIR="$tmp/root" cmake --install "$build" --prefix "$prefix" >/dev/null
    expected_files | sed "s|^|$prefix/|" >"$tmp/expected"
    (cd "$tmp/root" && find . -type f -o -type l) | sed 's|^\.||' >"$tmp/found"
    same_list "the installed files" "$tmp/expected" "$tmp/found"

    root="$tmp/root$prefix"
    for p in tallyhouse tallyhouse-mkdb; do
        [ -x "$root/bin/$p" ] || fail "bin/$p is not executable"
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
    appstreamcli validate --no-net --strict "$metainfo" >"$tmp/appstream" 2>&1 ||
        { cat "$tmp/appstream" >&2; fail "appstreamcli validate"; }

    # The desktop entry starts the installed program and shows the installed
    # icon; the metainfo names that desktop entry.
    grep -qx 'Exec=tallyhouse' "$desktop" || fail "the desktop entry does not start tallyhouse"
    grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
    grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
        fail "the metainfo does not launch $id.desktop"
    ;;
package)
    version="$4"
    cpack --config "$build/CPackConfig.cmake" -B "$tmp" >"$tmp/cpack.log" 2>&1 ||
        { cat "$tmp/cpack.log" >&2; fail "cpack"; }
    deb="$tmp/tallyhouse_${version}_$(dpkg --print-architecture).deb"
    [ -f "$deb" ] || { ls "$tmp" >&2; fail "no package $(basename "$deb")"; }

    expected_files | sed 's|^|./usr/|' >"$tmp/expected"
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' >"$tmp/found"
    same_list "the package's files" "$tmp/expected" "$tmp/found"

    # Debian's own Qt 6 and SQLite libraries, found by dpkg-shlibdeps, and the
    # Qt SQL drivers and the font, which it cannot find; libpq for PostgreSQL.
    depends=$(dpkg-deb -f "$deb" Depends)
    for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6sql6 libqt6sql6-sqlite libqt6sql6-psql libpq5 libsqlite3-0 fonts-liberation; do
        echo ", $depends," | grep -Eq "[ ,]$p( \([^)]*\))?," || fail "Depends lacks $p: $depends"
    done
    [ "$(dpkg-deb -f "$deb" Package)" = tallyhouse ] || fail "the package is not called tallyhouse"
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "PASS: $mode"
