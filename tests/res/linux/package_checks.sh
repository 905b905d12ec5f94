#!/usr/bin/env bash
# Checks of what a desktop and Debian see of the program: its desktop entry and metainfo, and
# its Debian package.
#
#   package_checks.sh metadata SOURCE_DIR        the desktop's own validators on res/linux
#   package_checks.sh build BUILD_DIR DEB_DIR     cpack -G DEB from the build into DEB_DIR, holding
#                                                 what a desktop needs
#   package_checks.sh lintian DEB_DIR             Debian's package checker finds no error
#   package_checks.sh start DEB_DIR E2E_SCRIPT    the package's own copy, unpacked, starts and records
#
# Exits 77 (skipped) when a tool it needs is missing.
set -euo pipefail

mode=$1
shift

need() {
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
}

the_package() {
    local debs=("$1"/*.deb)
    [ -f "${debs[0]}" ] || { echo "FAIL: no package in $1" >&2; exit 1; }
    echo "${debs[0]}"
}

case $mode in
metadata)
    need desktop-file-validate appstreamcli
    desktop-file-validate "$1"/*.desktop
    appstreamcli validate --no-net "$1"/*.metainfo.xml
    ;;
build)
    need cpack dpkg-shlibdeps identify
    rm -rf "$2"
    cpack -G DEB --config "$1/CPackConfig.cmake" -B "$2"
    deb=$(the_package "$2")
    dpkg-deb --info "$deb"
    root=$(mktemp -d)
    trap 'rm -rf "$root"' EXIT
    dpkg-deb -x "$deb" "$root"
    (cd "$root" && find . ! -type d | sort)
    for file in usr/bin/KinoreeV2 usr/share/man/man1/KinoreeV2.1.gz usr/share/doc/kinoree/copyright \
        usr/share/applications/*.desktop usr/share/metainfo/*.metainfo.xml usr/share/icons/hicolor/scalable/apps/*.svg; do
        compgen -G "$root/$file" >/dev/null || { echo "FAIL: the package has no $file" >&2; exit 1; }
    done
    # Every size desktops ask for, each drawn at its own size.
    for size in 16 24 32 48 64 128 256; do
        png=$(echo "$root/usr/share/icons/hicolor/${size}x$size/apps/"*.png)
        [ "$(identify -format %wx%h "$png" 2>/dev/null)" = "${size}x$size" ] ||
            { echo "FAIL: no ${size}x$size icon" >&2; exit 1; }
    done
    ;;
lintian)
    need lintian
    lintian --fail-on error --info "$(the_package "$1")"
    ;;
start)
    root=$(mktemp -d)
    trap 'rm -rf "$root"' EXIT
    dpkg-deb -x "$(the_package "$1")" "$root"
    KINOREE_DESKTOP_ENTRY=$(echo "$root"/usr/share/applications/*.desktop) \
        bash "$2" "$root/usr/bin/KinoreeV2" installed_copy
    ;;
*)
    echo "unknown check: $mode" >&2
    exit 2
    ;;
esac
