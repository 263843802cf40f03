#!/usr/bin/env bash
# The vellumark-cli package on its own: named as Debian names it, depending on Qt Core and
# nothing graphical, installable, and its program capturing, searching and reading its manual
# page once unpacked.
# Usage: cli_package_check.sh PACKAGE.deb
set -euo pipefail
deb=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
fail() { echo "vellumark-cli package FAILED: $*" >&2; exit 1; }

[ "${deb##*/}" = "vellumark-cli_$(dpkg-deb -f "$deb" Version)_$(dpkg --print-architecture).deb" ] ||
    fail "named ${deb##*/}"
depends=$(dpkg-deb -f "$deb" Depends)
echo "$depends" | grep -q libqt6core6 || fail "Depends lacks Qt Core: $depends"
if echo "$depends" | grep -Eiq 'gui|widgets|printsupport|libx|xcb|libgl|wayland|fontconfig|freetype'; then
    fail "Depends names a graphical library: $depends"
fi
[ -z "$(dpkg-deb -f "$deb" Recommends)" ] || fail "Recommends $(dpkg-deb -f "$deb" Recommends)"
apt-get install -s -qq "$deb" >/dev/null || fail "apt cannot install its dependencies"
dpkg -x "$deb" "$root"
cli=$root/usr/bin/vellumark-cli
if readelf -d "$cli" | grep NEEDED | grep -Eq 'Qt6(Gui|Widgets)|libX|libxcb|libGL'; then
    fail "the program links a graphical library"
fi
man -l "$root/usr/share/man/man1/vellumark-cli.1.gz" 2>/dev/null | grep -q "SEARCH TERMS" ||
    fail "the manual page does not read"
bash -n "$root/usr/share/bash-completion/completions/vellumark-cli" || fail "the completion script"

# No display at all: a capture and a search with every kind of term.
mkdir -p "$root/tree/photos"
printf 'abc' > "$root/tree/photos/Beach.JPG"
printf '0123456789' > "$root/tree/notes.txt"
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM= "$cli" capture --index 4 "$root/tree" "$root/c.txt" ||
    fail "capture"
printf '4\t%s\t10\r\n4\t%s\t3\r\n' "$root/tree/notes.txt" "$root/tree/photos/Beach.JPG" |
    cmp -s - "$root/c.txt" || fail "the catalog written: $(cat -A "$root/c.txt")"
found=$(env -u DISPLAY "$cli" search "$root/c.txt" beach ext:jpg 'size:>2' 'size:1..1k' disk:3-4 \
        "path:$root/TREE" -notes --count) || fail "search"
[ "$found" = 1 ] || fail "search found $found"
