#!/usr/bin/env bash
# Installs the build as a user would and checks what a desktop needs to find the program.
# Usage: install_check.sh BUILD_DIR prefix    cmake --install into a temporary prefix, or
#        install_check.sh BUILD_DIR deb OUT   the package, built into OUT, unpacked and run
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "install FAILED: $*" >&2; exit 1; }

if [ "$2" = prefix ]; then
    cmake --install "$1" --prefix "$root/usr" >/dev/null
    exec_path=$root/usr/bin/vellumark
else
    for tool in dpkg-shlibdeps appstreamcli desktop-file-validate; do
        command -v $tool >/dev/null || { echo "SKIPPED: no $tool (build.sh installs it)"; exit 77; }
    done
    rm -rf "$3"
    cpack -G DEB --config "$1/CPackConfig.cmake" -B "$3" >/dev/null || fail "cpack failed"
    [ "$(ls "$3"/*.deb | wc -l)" = 2 ] || fail "the build did not write exactly two packages"
    deb=$(ls "$3"/vellumark_*.deb)
    [ "${deb##*/}" = "vellumark_$(dpkg-deb -f "$deb" Version)_$(dpkg --print-architecture).deb" ] ||
        fail "package named ${deb##*/}"
    "$here/cli_package_check.sh" "$(ls "$3"/vellumark-cli_*.deb)" || fail "the vellumark-cli package"
    dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "Depends lacks the linked libraries"
    apt-get install -s -qq "$deb" >/dev/null || fail "apt cannot install the package's dependencies"
    dpkg -x "$deb" "$root"
    exec_path=/usr/bin/vellumark
    # Pedantic, and any remark at all fails: a software centre may drop a listing for less.
    report=$(appstreamcli validate --pedantic --no-net "$root"/usr/share/metainfo/*.metainfo.xml 2>&1) ||
        fail "AppStream metadata refused: $report"
    ! grep -q '^[EWIP]: ' <<<"$report" || fail "AppStream metadata has remarks: $report"
    report=$(desktop-file-validate "$root/usr/share/applications/vellumark.desktop" 2>&1) ||
        fail "desktop entry refused: $report"
    [ -z "$report" ] || fail "desktop entry has remarks: $report"
fi

program=$root/usr/bin/vellumark
[ -x "$program" ] || fail "no bin/vellumark"
[ -f "$(dirname "$(readlink -f "$program")")/help.txt" ] || fail "help.txt is not beside the program"
desktop=$root/usr/share/applications/vellumark.desktop
grep -qx "Exec=$exec_path" "$desktop" || fail "the desktop entry does not start the installed program"
grep -qx "Icon=vellumark" "$desktop" || fail "the desktop entry names no icon"
# The icon in every size a menu, a software centre or a 2x screen asks for, each really that
# size (the theme trusts the folder name), and scalable.
icons=$root/usr/share/icons/hicolor
for size in 16 32 48 64 128 256; do
    file -b "$icons/${size}x${size}/apps/vellumark.png" 2>/dev/null |
        grep -q "^PNG image data, $size x $size," || fail "no ${size}x${size} PNG icon"
done
file -b "$icons/scalable/apps/vellumark.svg" | grep -q '^SVG' || fail "no scalable icon"
if [ "$2" = prefix ]; then # the package's own check looks at these in the second package
    [ -x "$root/usr/bin/vellumark-cli" ] || fail "no bin/vellumark-cli"
    [ -f "$root/usr/share/bash-completion/completions/vellumark-cli" ] || fail "no bash completion"
    [ -f "$root/usr/share/man/man1/vellumark-cli.1.gz" ] || fail "no vellumark-cli.1"
else
    [ ! -e "$root/usr/bin/vellumark-cli" ] || fail "the window program's package holds vellumark-cli"
fi
[ "$2" = prefix ] || "$here/e2e.sh" "$program"
