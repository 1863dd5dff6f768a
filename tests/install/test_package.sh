#!/bin/bash
# Builds the Debian package from a built tree, as `cpack -G DEB` does in the
# build folder, and checks it: lintian reports no errors, the dependencies
# were read from the binaries, and the files are in their places under /usr
# with their modes.
# usage: test_package.sh BUILD_FOLDER
set -euo pipefail

build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work"
debs=("$work"/corvane_*.deb)
[ ${#debs[@]} -eq 1 ] || fail "cpack made several packages"
deb=${debs[0]}
[ -f "$deb" ] || fail "cpack made no package"
dpkg-deb --info "$deb"

echo "== lintian"
lintian --fail-on error --display-info "$deb"

echo "== dependencies"
depends=$(dpkg-deb --field "$deb" Depends)
# Libraries of the program and of the mail library, and the Qt platform plugins.
for package in libqt6widgets6 libsqlite3-0 libcanberra0 libgmime-3.0-0 libcurl4 qt6-qpa-plugins; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "$package is not in Depends: $depends"
done

echo "== contents"
dpkg-deb --contents "$deb" | awk '{print $1, $6}' >"$work/contents"
for entry in \
    "-rwxr-xr-x ./usr/bin/corvane" \
    "-rwxr-xr-x ./usr/bin/corvane-desktop" \
    "./usr/lib/corvane/libmapi32.so" \
    "-rw-r--r-- ./usr/share/applications/org.ostwick.Corvane.desktop" \
    "-rw-r--r-- ./usr/share/metainfo/org.ostwick.Corvane.metainfo.xml" \
    "-rw-r--r-- ./usr/share/icons/hicolor/48x48/apps/corvane.png" \
    "-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/corvane.svg" \
    "-rw-r--r-- ./usr/share/corvane/Offer.txt" \
    "-rw-r--r-- ./usr/share/corvane/Offer.md" \
    "-rw-r--r-- ./usr/share/corvane/logo.png" \
    "-rw-r--r-- ./usr/share/man/man1/corvane.1.gz" \
    "-rw-r--r-- ./usr/share/doc/corvane/copyright" \
    "-rw-r--r-- ./usr/share/doc/corvane/changelog.Debian.gz" \
    "-rw-r--r-- ./usr/share/doc/corvane/help/index.html"; do
    grep -q -- "$entry\$" "$work/contents" || fail "not in the package: $entry"
done
grep -q '^Exec=/usr/bin/corvane-desktop$' <(dpkg-deb --fsys-tarfile "$deb" |
    tar -xOf - ./usr/share/applications/org.ostwick.Corvane.desktop) ||
    fail "the menu entry does not start /usr/bin/corvane-desktop"

echo "PASS"
