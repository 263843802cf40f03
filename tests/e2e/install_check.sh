#!/usr/bin/env bash
# Installs the build as a user would and checks what a desktop needs to find the program.
# Usage: install_check.sh BUILD_DIR prefix    cmake --install into a temporary prefix
#        install_check.sh BUILD_DIR deb OUT   the Debian package, built into OUT, unpacked into a
#                                             temporary root; its program is driven end to end
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "install FAILED: $*" >&2; exit 1; }
skip() { echo "install SKIPPED: $1 is not installed (apt-get install $2)"; exit 77; }

if [ "$2" = prefix ]; then
    cmake --install "$1" --prefix "$root/usr" >/dev/null
    exec_path=$root/usr/bin/vellumark
else
    for tool in dpkg-shlibdeps:dpkg-dev appstreamcli:appstream desktop-file-validate:desktop-file-utils; do
        command -v "${tool%%:*}" >/dev/null || skip "${tool%%:*}" "${tool#*:}"
    done
    rm -f "$3"/vellumark_*.deb
    cpack -G DEB --config "$1/CPackConfig.cmake" -B "$3" >/dev/null || fail "cpack could not build the package"
    deb=$(ls "$3"/vellumark_*.deb)
    version=$(dpkg-deb -f "$deb" Version)
    [ "$(basename "$deb")" = "vellumark_${version}_$(dpkg --print-architecture).deb" ] || fail "package named $deb"
    dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "Depends lacks the libraries the program links"
    apt-get install -s -qq "$deb" >/dev/null || fail "apt cannot install the package's dependencies"
    dpkg -x "$deb" "$root"
    exec_path=/usr/bin/vellumark
    appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
fi

program=$root/usr/bin/vellumark
[ -x "$program" ] || fail "no bin/vellumark"
[ -f "$(dirname "$(readlink -f "$program")")/help.txt" ] || fail "help.txt is not beside the program"
desktop=$root/usr/share/applications/vellumark.desktop
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx "Exec=$exec_path" "$desktop" || fail "the desktop entry does not start the installed program"
grep -qx "Icon=vellumark" "$desktop" || fail "the desktop entry names no icon"
for size in 16 32; do
    [ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/vellumark.png" ] || fail "no ${size}px icon"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop"
fi
echo "install: layout under $root/usr is complete"
if [ "$2" = deb ]; then
    "$here/e2e.sh" "$program"
fi
