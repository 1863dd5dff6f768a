#!/usr/bin/env bash
# Sets Corvane up on a Debian 12 machine and then starts it or tests it:
#   ./build.sh run    install what is missing, build, start Corvane in ./demo
#   ./build.sh test   install what is missing, build, run the whole test suite;
#                     then the suite again built with AddressSanitizer and
#                     UndefinedBehaviorSanitizer, and the fuzz targets with clang
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build="$here/build"
build_asan="$here/build-asan"
build_fuzz="$here/build-fuzz"

packages=(
    build-essential cmake pkg-config ccache
    qt6-base-dev libgl-dev libsqlite3-dev sqlite3 libpq-dev
    libgmime-3.0-dev libcurl4-openssl-dev ca-certificates libcanberra-dev libx11-dev
    libuchardet-dev libsecret-1-dev libidn2-dev libcmark-dev
    fonts-liberation fonts-dejavu-core
)
test_packages=(
    python3-aiosmtpd openssl xvfb xauth xclip xdotool x11-utils poppler-utils locales
    desktop-file-utils appstream lintian file dpkg-dev python3-vobject
    clang-14 libfuzzer-14-dev libclang-rt-14-dev gnome-keyring dbus-daemon dbus-bin
    python3-markdown postgresql
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
    local sample
    for sample in Offer.txt Offer.md logo.png; do
        [ -e "$demo/$sample" ] || cp "$here/res/demo/$sample" "$demo/$sample"
    done
    cd "$demo"
    exec "$build/corvane"
}

run_tests() {
    ctest --test-dir "$build" --output-on-failure -j2
}

# Prints how long a stage of the test command took.
timed() {
    local name=$1 start=$SECONDS
    shift
    "$@"
    echo "== $name took $((SECONDS - start)) s"
}

# Any sanitizer report ends the program that made it, with an error, so the
# test fails. Leaks are reported too; the only ones suppressed are those of
# libraries outside Corvane that keep their memory until exit on purpose
# (tests/sanitizers/lsan.supp). strict_string_checks stays off: it takes
# libxkbcommon's strndup of an unterminated buffer for an overflow. Stacks
# are unwound the slow way, through libraries built without frame pointers,
# so that a report names its origin and a suppression can name a function.
sanitizer_environment() {
    export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:detect_stack_use_after_return=1:check_initialization_order=1:fast_unwind_on_malloc=0
    export LSAN_OPTIONS="suppressions=$here/tests/sanitizers/lsan.supp:print_suppressions=0"
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
}

build_sanitized() {
    cmake -S "$here" -B "$build_asan" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCORVANE_SANITIZE=ON -DCORVANE_BENCH=OFF -DCORVANE_PACKAGING=OFF
    cmake --build "$build_asan" -j"$(nproc)"
}

run_sanitized_tests() {
    (sanitizer_environment && ctest --test-dir "$build_asan" --output-on-failure -j2)
}

# The fuzz targets need clang with libFuzzer; without it they are left out.
have_fuzz_compiler() {
    command -v clang++-14 >/dev/null &&
        compgen -G "$(clang++-14 -print-resource-dir)/lib/linux/libclang_rt.fuzzer-*.a" >/dev/null
}

build_fuzzers() {
    CC=clang-14 CXX=clang++-14 cmake -S "$here" -B "$build_fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCORVANE_FUZZ=ON -DCORVANE_BENCH=OFF -DCORVANE_PACKAGING=OFF
    cmake --build "$build_fuzz" -j"$(nproc)" --target corvane_fuzzers
}

# One target at a time: each fuzzes for a fixed time and wants a core.
run_fuzzers() {
    (sanitizer_environment && ctest --test-dir "$build_fuzz" --output-on-failure)
}

test_corvane() {
    timed "build" build_corvane
    timed "tests" run_tests
    timed "sanitizer build" build_sanitized
    timed "sanitizer tests" run_sanitized_tests
    if have_fuzz_compiler; then
        timed "fuzz build" build_fuzzers
        timed "fuzz runs" run_fuzzers
    else
        echo "== clang-14 with libFuzzer is missing: the fuzz targets are left out"
    fi
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
    test_corvane
    ;;
*) usage ;;
esac
