#!/bin/sh
# Runs a command in a private D-Bus session with a GNOME Keyring of its own,
# unlocked and running headless, as the desktop's Secret Service provider.
# Its keyring files live in a temporary folder removed afterwards; the
# keyring daemon is ended when the command has finished.
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY WAYLAND_DISPLAY
dbus-run-session -- sh -c '
    printf corvane-test | gnome-keyring-daemon --foreground --unlock --components=secrets \
        >/dev/null 2>&1 &
    keyring=$!
    tries=0
    until dbus-send --session --print-reply --dest=org.freedesktop.DBus / \
            org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null |
            grep -q "boolean true"; do
        tries=$((tries + 1))
        [ "$tries" -le 100 ] || { echo "gnome-keyring-daemon did not start" >&2; exit 1; }
        sleep 0.1
    done
    status=0
    "$@" || status=$?
    kill "$keyring" 2>/dev/null || true
    wait "$keyring" 2>/dev/null || true
    exit "$status"' sh "$@"
