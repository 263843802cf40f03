#!/usr/bin/env bash
# Drives the real program in an X server as a user would: keys and window titles only.
# Usage: e2e.sh PATH_TO_VELLUMARK   (starts its own Xvfb through xvfb-run)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")

if [ -z "${VELLUMARK_E2E_INSIDE:-}" ]; then
    export VELLUMARK_E2E_INSIDE=1
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$program"
fi

work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
catalog=$work/out/catalog.txt
mkdir -p "$work/out"
python3 "$here/make_tree.py" "$work/tree"

step() { echo "e2e: $*"; }
fail() {
    echo "e2e FAILED: $*" >&2
    xdotool search --name '.' getwindowname %@ 2>/dev/null | sed 's/^/  window: /' >&2 || true
    exit 1
}

# Waits (at most $2 seconds) for a visible window whose title matches the regex $1; prints its id.
wait_window() {
    local deadline=$((SECONDS + ${2:-20})) id
    while [ $SECONDS -lt $deadline ]; do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.2
    done
    fail "no window titled /$1/ within ${2:-20} s"
}

wait_gone() {
    local deadline=$((SECONDS + ${2:-20}))
    while [ $SECONDS -lt $deadline ]; do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.2
    done
    fail "window /$1/ still there after ${2:-20} s"
}

wait_exit() {
    local pid=$1 deadline=$((SECONDS + ${2:-20}))
    while [ $SECONDS -lt $deadline ]; do
        kill -0 "$pid" 2>/dev/null || { wait "$pid" || true; return 0; }
        sleep 0.2
    done
    fail "program did not end within ${2:-20} s"
}

keys() {
    local id=$1
    shift
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    xdotool key --delay 60 "$@"
}

# 1. The splash gives way to the database window.
cd "$work/tree"
"$program" &
pid=$!
step "started $pid"

db=$(wait_window '^Vellumark - Database$' 15)
step "database window $db"

# 2. Create Database opens the capture window on the current folder; Run asks for the catalog.
keys "$db" alt+c
cap=$(wait_window '^Vellumark - Directory Capture$' 10)
step "capture window $cap"
keys "$cap" alt+n
dialog=$(wait_window '^Open$' 10)
step "file chooser $dialog"
xdotool windowfocus --sync "$dialog" 2>/dev/null || true
xdotool type --delay 20 "$catalog"
xdotool key Return

# 3. The walk writes the catalog; answer "View Data in Database?" with Yes.
saved=$(wait_window '^Saved Data$' 30)
step "saved-data question $saved"
keys "$saved" Return
wait_window "^Vellumark - Database: $catalog\$" 15 >/dev/null
wait_gone '^Vellumark - Directory Capture$' 10
step "catalog shown in the database window"

expected=$(python3 "$here/predict_catalog.py" "$work/tree" 1 | sha256sum)
actual=$(sha256sum < "$catalog")
if [ "$expected" != "$actual" ]; then
    python3 "$here/predict_catalog.py" "$work/tree" 1 | diff <(od -c "$catalog") <(od -c -) | head -20 >&2 || true
    fail "catalog bytes differ from the prediction"
fi
step "catalog bytes match the prediction ($(wc -l < "$catalog") lines)"

# 4. Quit stores the catalog; a restart reopens it.
db=$(wait_window "^Vellumark - Database: $catalog\$" 5)
keys "$db" alt+q
wait_exit "$pid" 15
grep -Eq "^recent(%20| )files=$catalog$" "$XDG_CONFIG_HOME/vellumark/vellumark.conf" ||
    fail "the setting does not name the catalog"
step "Quit stored the setting"

"$program" &
pid=$!
db=$(wait_window "^Vellumark - Database: $catalog\$" 15)
step "restart reopened the catalog"

# 5. Help > Instructions shows help.txt from the program's own folder (no "Unable to open" box).
# "Help" has no access key: open File with its key, then walk right along the menu bar.
keys "$db" alt+f
popup=$(timeout 5 bash -c "until xdotool search --onlyvisible --class vellumark | grep -vx $db; do sleep 0.2; done" | head -n 1 || true)
[ -n "$popup" ] || fail "the File menu did not open"
xdotool key --delay 150 Right Right Right Return # past Create Database and Disks, Help opens with Instructions active
help=$(wait_window '^Vellumark Instructions$' 10)
if xdotool search --onlyvisible --name '^Vellumark$' >/dev/null 2>&1; then
    fail "a message box appeared instead of the help text"
fi
step "instructions window $help"
keys "$help" alt+F4 2>/dev/null || true
xdotool windowclose "$help" 2>/dev/null || xdotool windowkill "$help" 2>/dev/null || true
# The File menu's popup is a window of the program's class without a title of its own.
keys "$db" alt+f
popup=$(timeout 5 bash -c "until xdotool search --onlyvisible --class vellumark | grep -vx $db; do sleep 0.2; done" | head -n 1 || true)
[ -n "$popup" ] || fail "the File menu did not open"
xdotool key e
wait_exit "$pid" 15
step "all steps passed"
