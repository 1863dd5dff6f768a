#!/usr/bin/env bash
# Sets Corvane up on a Debian 12 machine and then starts it or tests it:
#   ./build.sh run    install what is missing, build, start Corvane in ./demo
#   ./build.sh test   install what is missing, build, run the whole test suite
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build="$here/build"

packages=(
    build-essential cmake pkg-config ccache
    qt6-base-dev libgl-dev libsqlite3-dev sqlite3
    libgmime-3.0-dev libcurl4-openssl-dev ca-certificates libcanberra-dev libx11-dev
    libuchardet-dev
    fonts-liberation fonts-dejavu-core
)
test_packages=(
    python3-aiosmtpd openssl xvfb xauth xclip xdotool x11-utils poppler-utils locales
    desktop-file-utils appstream lintian file dpkg-dev python3-vobject
)

usage() {
    echo "usage: $0 run|test" >&2
    exit 2
}

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=() pkg
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "Installing: ${missing[*]}"
    as_root apt-get update
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
}

# The date tests also run under a German locale.
ensure_test_locale() {
    locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return
    as_root sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen ||
        echo 'de_DE.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen
}

build_corvane() {
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$build" -j"$(nproc)"
}

run_corvane() {
    local demo="$here/demo"
    mkdir -p "$demo"
    [ -e "$demo/Offer.txt" ] || cp "$here/res/demo/Offer.txt" "$demo/Offer.txt"
    cd "$demo"
    exec "$build/corvane"
}

run_tests() {
    cd "$build"
    ctest --output-on-failure -j2
}

[ $# -eq 1 ] || usage
case "$1" in
run)
    install_missing "${packages[@]}"
    build_corvane
    run_corvane
    ;;
test)
    install_missing "${packages[@]}" "${test_packages[@]}"
    ensure_test_locale
    build_corvane
    run_tests
    ;;
*) usage ;;
esac
