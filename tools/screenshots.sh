#!/usr/bin/env bash
# Takes the screenshots of the documentation: Corvane started on a private
# X server (Xvfb) in a prepared demo folder, driven with xdotool like a user
# with mouse and keyboard, and photographed with ImageMagick's import.
#
#   tools/screenshots.sh [build folder]     (default: build)
#
# Writes docs/table-window.png (a table window with every row selected) and
# docs/mail-preview.png (the mail preview of those rows beside the table).
# Needs Xvfb, xdotool, sqlite3 and ImageMagick.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
docs="$here/docs"
work=$(mktemp -d)
demo="$work/demo"
xvfb_pid=
corvane_pid=

cleanup() {
    [ -n "$corvane_pid" ] && kill "$corvane_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

for tool in Xvfb xdotool sqlite3 import; do
    command -v "$tool" >/dev/null || { echo "$0: $tool is missing" >&2; exit 1; }
done

# The main window comes up 900 x 640 at the top left; the screen fits it.
exec 3<> "$work/display"
Xvfb -displayfd 3 -screen 0 900x640x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"
export XDG_CONFIG_HOME="$work/config"
export LC_ALL=C.UTF-8

# The demo folder: the sample template and an address file that Corvane
# creates itself, filled with a few addresses.
mkdir -p "$demo"
cp "$here/res/demo/Offer.txt" "$demo/"
(cd "$demo" && CORVANE_EXIT_WHEN_IDLE=1 "$build/corvane" >/dev/null 2>&1)
sqlite3 "$demo/Addresses.mdb" <<'SQL'
INSERT INTO ADDRESSES (Date, EMail, Prefix, Name, Template, MY_1, MY_2, MY_3, MY_4, MY_5) VALUES
('2026-11-30 09:12:00', 'jane.smith@example.com', 'Dr.', 'Jane Smith', 'Offer.txt',
 'Smith & Partners', '12 High Street', 'Bristol', '+44 117 496 0123', ' '),
('2026-12-01 14:40:00', 'm.mueller@example.de', 'Herr', 'Jürgen Müller', 'Offer.txt',
 'Müller GmbH', 'Hauptstraße 5', 'Köln', '+49 221 555 0199', 'met at the fair'),
('2026-12-02 11:05:00', 'ann.lee@example.org', 'Ms.', 'Ann Lee', 'Offer.txt',
 'Lee Design', ' ', 'Portland', ' ', ' '),
('2026-12-03 16:20:00', 'carl.berg@example.se', 'Mr.', 'Carl Berg', 'Offer.txt',
 'Berg AB', 'Storgatan 1', 'Uppsala', '+46 18 555 01', ' '),
('2026-12-04 08:55:00', 'sales@example.com', 'Sirs', ' ', 'Offer.txt',
 'Example Inc.', ' ', ' ', ' ', 'general inbox');
SQL

(cd "$demo" && exec "$build/corvane" >/dev/null 2>&1) &
corvane_pid=$!
xdotool search --sync --onlyvisible --name '^Corvane' >/dev/null
sleep 1

click() {
    xdotool mousemove "$1" "$2" click 1
    sleep "${3:-0.5}"
}

shoot() {
    sleep 0.5
    import -window root -colors 256 "PNG8:$docs/$1"
}

# Toolbar: Show Table is the first button, Preview Mail the tenth item.
click 25 34 1          # Show Table
click 150 100          # the first row
xdotool key ctrl+a     # every row
shoot table-window.png

click 213 34 1         # Preview Mail
click 111 8            # Window menu
click 122 73 1         # Tile
shoot mail-preview.png
echo "Wrote $docs/table-window.png and $docs/mail-preview.png"
