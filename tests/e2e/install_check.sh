#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks what a desktop needs to find the program,
# and drives the installed program end to end (its help text must be found beside it).
# Usage: install_check.sh BUILD_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$1" --prefix "$prefix/usr" >/dev/null

fail() { echo "install FAILED: $*" >&2; exit 1; }
program=$prefix/usr/bin/vellumark
[ -x "$program" ] || fail "no bin/vellumark"
[ -f "$(dirname "$(readlink -f "$program")")/help.txt" ] || fail "help.txt is not beside the program"
desktop=$prefix/usr/share/applications/vellumark.desktop
[ -f "$desktop" ] || fail "no desktop entry"
grep -qx "Exec=$prefix/usr/bin/vellumark" "$desktop" || fail "the desktop entry does not start the installed program"
grep -qx "Icon=vellumark" "$desktop" || fail "the desktop entry names no icon"
for size in 16 32; do
    [ -f "$prefix/usr/share/icons/hicolor/${size}x${size}/apps/vellumark.png" ] || fail "no ${size}px icon"
done
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop"
fi
echo "install: layout under $prefix/usr is complete"
"$here/e2e.sh" "$program"
