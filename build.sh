#!/usr/bin/env bash
# One entry point for a fresh Debian 12 machine:
#   ./build.sh run      install what is missing, build the program alone, start Vellumark
#   ./build.sh test     install what is missing, build everything, run the whole test suite
#   ./build.sh package  install what is missing, build, write the two Debian packages (vellumark, vellumark-cli) into BUILD_DIR
# Environment: BUILD_DIR (default build), BUILD_TYPE (default RelWithDebInfo),
# SANITIZE=1 for an AddressSanitizer/UBSan build.
set -euo pipefail
cd "$(dirname "$0")"

packages=(g++ cmake ninja-build qt6-base-dev xvfb xauth xdotool imagemagick poppler-utils
          fonts-dejavu-core dpkg-dev file lintian appstream desktop-file-utils)

install_packages() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq \
        --no-install-recommends "${missing[@]}"
}

build() {
    local dir=${BUILD_DIR:-build}
    local extra=()
    [ "${SANITIZE:-0}" = 1 ] && extra+=(-DVELLUMARK_SANITIZE=ON)
    [ "${WERROR:-1}" = 1 ] && extra+=(-DVELLUMARK_WERROR=ON)
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" "${extra[@]}"
    cmake --build "$dir" -j2 "$@"
}

case "${1:-}" in
run)
    install_packages
    # The program and what it links, no test or benchmark: the window comes sooner.
    WERROR=0 build --target vellumark
    exec "${BUILD_DIR:-build}/vellumark"
    ;;
test)
    install_packages
    build
    export QT_QPA_PLATFORM=offscreen
    ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure -j2
    ;;
package)
    install_packages
    WERROR=0 build --target vellumark vellumark-cli # the two packages hold the two programs
    (cd "${BUILD_DIR:-build}" && cpack -G DEB)
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
