#!/bin/bash
# Installs a built Corvane into a temporary folder and uses it as a desktop
# user would:
#   - every installed file is in place; the menu entry and the AppStream data
#     pass their validators;
#   - the menu entry's launcher makes ~/Corvane with the sample template on
#     first start and leaves an existing folder alone; corvane started from a
#     terminal stays in its folder;
#   - under Xvfb the window comes up with the class the menu entry names, F1
#     opens the help, and Send Mail on a stored address delivers the mail to
#     an SMTP server on 127.0.0.1 through the installed mail library.
# usage: test_install_desktop.sh BUILD_FOLDER SOURCE_FOLDER
set -euo pipefail

build=$1
source=$2
app_id=org.ostwick.Corvane
prefix=/usr
work=$(mktemp -d)
root=$work/root
installed=$root$prefix
home=$work/home
config=$work/config
pids=()

cleanup() {
    local pid
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# The user's environment: an own home, settings and runtime folder, and
# nothing that would point the program at the build's mail library.
mkdir -p "$home" "$config"
mkdir -m 700 "$work/runtime"
as_user=(env -u CORVANE_MAPI_LIBRARY -u LD_LIBRARY_PATH HOME="$home" XDG_CONFIG_HOME="$config"
    XDG_RUNTIME_DIR="$work/runtime")

# Starts the program on Qt's offscreen platform; it ends once it is up.
start_and_exit() {
    "${as_user[@]}" QT_QPA_PLATFORM=offscreen CORVANE_EXIT_WHEN_IDLE=1 "$@"
}

# Prints the id of the first visible window whose title matches the pattern,
# waiting for it while the program runs.
window_id() {
    local ids i
    for ((i = 0; i < 240; i++)); do
        if ids=$(xdotool search --onlyvisible --name "$1" 2>/dev/null); then
            echo "${ids%%$'\n'*}"
            return
        fi
        kill -0 "$program" 2>/dev/null || fail "the program ended before \"$1\" showed"
        sleep 0.5
    done
    xwininfo -root -tree >&2
    fail "no window \"$1\""
}

# Sends keys to the program's main window, one at a time, as a user types them.
type_keys() {
    xdotool windowfocus --sync "$main_window" key --delay 300 "$@"
    sleep 1
}

echo "== install into $root"
DESTDIR=$root cmake --install "$build" --prefix "$prefix"

for file in bin/corvane bin/corvane-desktop lib/corvane/libmapi32.so \
    share/corvane/Offer.txt share/corvane/Offer.md share/corvane/logo.png \
    share/applications/$app_id.desktop \
    share/metainfo/$app_id.metainfo.xml share/icons/hicolor/scalable/apps/corvane.svg \
    share/man/man1/corvane.1.gz share/man/man1/corvane-desktop.1.gz \
    share/doc/corvane/copyright; do
    [ -f "$installed/$file" ] || fail "not installed: $file"
done
for name in corvane corvane-desktop; do
    [ -x "$installed/bin/$name" ] || fail "$name is not executable"
done
[ ! -e "$installed/bin/libmapi32.so" ] || fail "a mail library beside the executable"
for sample in Offer.txt Offer.md logo.png; do
    cmp "$source/res/demo/$sample" "$installed/share/corvane/$sample"
done
diff -r "$source/help" "$installed/share/doc/corvane/help"
for size in 16 22 24 32 48 64 128 256; do
    png=$installed/share/icons/hicolor/${size}x${size}/apps/corvane.png
    [ -f "$png" ] || fail "no icon of $size pixels"
    # A PNG's width and height are the big-endian words at bytes 16 and 20.
    read -r width height < <(od -An -j16 -N8 --endian=big -tu4 "$png")
    [ "$width $height" = "$size $size" ] || fail "$png is $width x $height"
done

echo "== validate the menu entry and the AppStream data"
desktop=$installed/share/applications/$app_id.desktop
desktop-file-validate "$desktop" 2>&1 | tee "$work/desktop-file-validate.txt"
! grep -Eq 'error|warning' "$work/desktop-file-validate.txt" || fail "desktop-file-validate"
appstreamcli validate --no-net "$installed/share/metainfo/$app_id.metainfo.xml"
exec_line=$(sed -n 's/^Exec=//p' "$desktop")
[ "$exec_line" = "$prefix/bin/corvane-desktop" ] || fail "the menu starts $exec_line"
launcher=$root$exec_line
wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")

echo "== the launcher leaves an existing folder alone"
mkdir "$home/Corvane"
start_and_exit "$launcher"
[ -f "$home/Corvane/Addresses.mdb" ] || fail "the launcher did not start in ~/Corvane"
[ ! -e "$home/Corvane/Offer.txt" ] || fail "the launcher added the sample to an existing folder"
rm -r "$home/Corvane"

echo "== corvane started from a terminal stays in its folder"
mkdir "$work/terminal"
(cd "$work/terminal" && start_and_exit "$installed/bin/corvane")
[ -f "$work/terminal/Addresses.mdb" ] || fail "corvane did not start in its folder"
[ ! -e "$home/Corvane" ] || fail "corvane made ~/Corvane"

echo "== an SMTP server on 127.0.0.1 and the mail settings"
mkdir "$work/mail"
coproc SMTP { exec /usr/bin/python3 "$source/tests/mapi32/smtp_server.py" "$work/mail"; }
pids+=("$SMTP_PID")
read -r -t 60 port <&"${SMTP[0]}" || fail "the SMTP server did not start"
mkdir "$config/Ostwick"
cat >"$config/Ostwick/Corvane.conf" <<EOF
[MAIL]
MAPI=1

[MailSystem]
Transport=smtp
Server=smtp://127.0.0.1:$port
Sender=Corvane Test <sender@example.com>
EOF
chmod 600 "$config/Ostwick/Corvane.conf"

echo "== Xvfb"
Xvfb -displayfd 3 -screen 0 1280x1024x24 3>"$work/display" 2>"$work/xvfb.log" &
pids+=("$!")
for ((i = 0; i < 120; i++)); do
    [ -s "$work/display" ] && break
    sleep 0.5
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
DISPLAY=:$(cat "$work/display")
export DISPLAY

echo "== first start from the menu"
# $! is the program itself once the launcher has replaced itself with it.
"${as_user[@]}" QT_QPA_PLATFORM=xcb "$launcher" &
program=$!
pids+=("$program")
main_window=$(window_id '^Corvane$')
for sample in Offer.txt Offer.md logo.png; do
    cmp "$source/res/demo/$sample" "$home/Corvane/$sample" ||
        fail "the new Corvane folder did not get the sample $sample"
done
[ -f "$home/Corvane/Addresses.mdb" ] || fail "the program did not start in ~/Corvane"
xprop -id "$main_window" WM_CLASS | grep -q "\"$wm_class\"\$" ||
    fail "the window's class is not $wm_class: $(xprop -id "$main_window" WM_CLASS)"

echo "== F1 opens the help"
type_keys F1
window_id '^Corvane Help$' >/dev/null

echo "== Send Mail delivers through the installed mail library"
# The address is stored by another program while Corvane runs: the file is shared.
sqlite3 "$home/Corvane/Addresses.mdb" "INSERT INTO ADDRESSES
    (Date, EMail, Prefix, Name, Template, MY_1, MY_2, MY_3, MY_4, MY_5) VALUES
    ('2026-11-30 10:00:00', 'jane@example.com', 'Ms', 'Doe', 'Offer.txt',
     'Ostwick Ltd', '1 Harbour Road', 'Kingsbridge', '555 0100', 'Met at the fair')"
# Database menu (the third): Show Table; select all rows; Database: Send Mail (the last item).
type_keys alt Right Right Down Return
type_keys ctrl+a
type_keys alt Right Right Down Up Return
# Send Mail checks the row first and asks; Send is the dialog's default button.
check_window=$(window_id '^Send Mail$')
xdotool windowfocus --sync "$check_window" key Return
for ((i = 0; i < 120; i++)); do
    [ -f "$work/mail/1.eml" ] && break
    sleep 0.5
done
[ -f "$work/mail/1.eml" ] || {
    xwininfo -root -tree >&2
    fail "no mail arrived"
}
/usr/bin/python3 "$source/tests/mapi32/mime_summary.py" "$work/mail/1.eml" >"$work/summary.json"
/usr/bin/python3 - "$work/mail/1.json" "$work/summary.json" <<'CHECK'
import json, sys
envelope = json.load(open(sys.argv[1]))
mail = json.load(open(sys.argv[2]))
assert envelope["rcpt_tos"] == ["jane@example.com"], envelope
assert "Our offer for Ms Doe" in mail["subject"], mail["subject"]
assert "Company:\tOstwick Ltd" in mail["body"], mail["body"]
assert [part["name"] for part in mail["attachments"]] == ["Offer.txt"], mail["attachments"]
CHECK
grep -qF "$installed/lib/corvane/libmapi32.so" "/proc/$program/maps" ||
    fail "the program did not load the installed mail library"

echo "== a second start from the menu keeps ~/Corvane as it is"
kill "$program"
wait "$program" || true
echo "my own changes" >>"$home/Corvane/Offer.txt"
cp "$home/Corvane/Offer.txt" "$work/Offer.changed"
start_and_exit "$launcher"
cmp "$work/Offer.changed" "$home/Corvane/Offer.txt" || fail "the launcher changed a template"
[ "$(sqlite3 "$home/Corvane/Addresses.mdb" 'SELECT count(*) FROM ADDRESSES')" = 1 ] ||
    fail "the address book changed"

echo "PASS"
