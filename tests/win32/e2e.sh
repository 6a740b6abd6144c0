#!/usr/bin/env bash
# The Windows program end to end under wine and Xvfb: veloran.exe against the
# Linux emulated radio on a pseudo-terminal that wine sees as COM5, driven by
# real key presses; then the installer installs, starts and uninstalls it.
#   tests/win32/e2e.sh LINUX_BUILD WINDOWS_BUILD
# Every wait is for an event (a line in a file, a window, a process ending),
# each with a generous limit.
set -euo pipefail
linux=$(realpath "$1") win=$(realpath "$2")
version=$(sed -n 's/^project(veloran VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
tmp=$(mktemp -d /tmp/veloran-wine-XXXXXX)
pids=()
finish() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  [ -z "${blind:-}" ] || wine reg add "$blind" /v On /t REG_SZ /d 0 /f >/dev/null 2>&1 || true
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
  rm -rf "$tmp"
}
trap finish EXIT
fail() { echo "FAIL: $*" >&2; for f in "$tmp"/*.txt; do echo "--- $f" >&2; tail -20 "$f" >&2; done; exit 1; }
# wait_for SECONDS DESCRIPTION COMMAND...: polls COMMAND until it succeeds.
# said FILE WORD: the program printed WORD (Windows ends its lines in CR LF).
said() { tr -d '\r' < "$1" | grep -qx "$2"; }
wait_for() {
  local limit=$(($(date +%s) + $1)) what=$2; shift 2
  until "$@"; do [ "$(date +%s)" -lt "$limit" ] || fail "no $what within the limit"; sleep 0.2; done
}

# The build's wine prefix and home (the prefix's Documents lead there, never
# to the real home), with nothing of it running on another display.
export HOME="$win/wine-home" WINEPREFIX="$win/wineprefix" WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d"
wineserver -k 2>/dev/null || true
"$(dirname "$0")/wine-home.sh" "$HOME"
Xvfb -displayfd 3 -screen 0 1280x800x24 3>"$tmp/display" >/dev/null 2>&1 &
pids+=($!)
wait_for 30 "X display" test -s "$tmp/display"
export DISPLAY=":$(head -1 "$tmp/display")"
[ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
wineserver -p >/dev/null 2>&1 </dev/null || true
rm -f "$WINEPREFIX/dosdevices/com5"

"$linux/veloran-emulator" --link "$WINEPREFIX/dosdevices/com5" --record "$tmp/record.txt" --quiet &
pids+=($!)
wait_for 30 "emulated radio on COM5" test -L "$WINEPREFIX/dosdevices/com5"

# The radio search over COM ports mapped to pseudo-terminals: a silent device
# on COM6 and another model on COM7 beside the radio on COM5. Wine lists in
# SERIALCOMM only the ports it found itself; the test's ports are entered there
# as a driver enters its own. The set-up without questions then writes a file
# naming COM5.
rm -f "$WINEPREFIX/dosdevices/com6" "$WINEPREFIX/dosdevices/com7"
"$linux/veloran-emulator" --link "$WINEPREFIX/dosdevices/com6" --fault silent --quiet &
pids+=($!)
"$linux/veloran-emulator" --link "$WINEPREFIX/dosdevices/com7" --id 0650 --quiet &
pids+=($!)
wait_for 30 "devices on COM6 and COM7" test -L "$WINEPREFIX/dosdevices/com6" -a -L "$WINEPREFIX/dosdevices/com7"
wine "$win/veloran.exe" --find-radio --ports COM6,COM7,COM5 >"$tmp/search.txt" 2>&1 || fail "the search found no radio"
for line in "COM5: radio 0840 at 38400 baud" "COM6: no answer" "COM7: another model (0650)"; do
  tr -d '\r' <"$tmp/search.txt" | grep -qF "$line" || fail "the search did not say \"$line\""
done
for n in 5 6 7; do wine reg add 'HKLM\HARDWARE\DEVICEMAP\SERIALCOMM' /v "Test$n" /t REG_SZ /d "COM$n" /f >/dev/null 2>&1; done
mkdir -p "$tmp/setup"
(cd "$tmp/setup" && wine "$win/veloran.exe" --setup --accept >"$tmp/setup.txt" 2>&1) || fail "set-up without questions"
[ "$(head -2 "$tmp/setup/veloran.cfg" | tr -d '\r' | tr '\n' /)" = "COM  5/Speed 38400/" ] || fail "set-up file: $(cat "$tmp/setup/veloran.cfg")"
echo "search under wine: $(tr -d '\r' <"$tmp/search.txt" | tr '\n' ';')"

mkdir -p "$tmp/work"
net_port=$((20000 + $$ % 20000))
sed "s/^COM .*/COM  5/; s/^Net .*/Net $net_port/" "$(dirname "$0")/../../veloran.cfg.sample" > "$tmp/work/veloran.cfg"
ln -s "$win/wave" "$tmp/work/wave"
(cd "$tmp/work" && exec wine "$win/veloran.exe" --transcript >"$tmp/transcript.txt" 2>"$tmp/stderr.txt") &
program=$!
pids+=($program)
wait_for 180 '"connected"' said "$tmp/transcript.txt" connected
wait_for 30 "window" sh -c "xdotool search --name 'Yaesu VLR' > '$tmp/window'"
window=$(head -1 "$tmp/window")
xdotool windowfocus --sync "$window"
xdotool key --delay 150 e 1 4 period 2 5 Return
wait_for 60 "FA014250000; on the radio" grep -qx 'FA014250000;' "$tmp/record.txt"
wait_for 30 "panel showing 14.250" sh -c \
  "import -window root '$tmp/shot.png' 2>/dev/null && [ \$(convert '$tmp/shot.png' -format '%[fx:mean<0.99]' info:) = 1 ]"
cp "$tmp/shot.png" "$win/e2e-panel.png"
# A logging program's view through the network port (Winsock), as rigctl asks.
rigctl -m 2 -r "127.0.0.1:$net_port" f > "$tmp/rigctl.txt" 2>&1 || true
said "$tmp/rigctl.txt" 14250000 || fail "rigctl through the network port did not read 14250000"
xdotool key q
wait_for 60 "program end" sh -c "! kill -0 $program 2>/dev/null"
test -s "$tmp/work/savmem.dat" || fail "no savmem.dat written"
echo "end to end under wine: connected, FA014250000; sent, rigctl read it on the network port, savmem.dat written, panel in $win/e2e-panel.png"

# Through a screen reader (the system says one runs): the program beside the stand-in
# uiautomationcore.dll, which writes each notification to notes.txt ("1 text": "most recent").
blind='HKCU\Control Panel\Accessibility\Blind Access'
wine reg add "$blind" /v On /t REG_SZ /d 1 /f >/dev/null 2>&1
mkdir -p "$tmp/reader" && cp "$win/veloran.exe" "$win/uia/uiautomationcore.dll" "$tmp/reader/"
(cd "$tmp/work" && VELORAN_UIA_RECORD="Z:$tmp/notes.txt" WINEDLLOVERRIDES="$WINEDLLOVERRIDES;uiautomationcore=n" \
  exec wine "$tmp/reader/veloran.exe" --speech=screenreader --transcript >"$tmp/reader.txt" 2>/dev/null) &
program=$!
pids+=($program)
notes() { { tr -d '\r' < "$tmp/notes.txt"; } 2>/dev/null | grep -c "$1" || true; }
more_notes() { [ "$(notes "$1")" -gt "$2" ]; }
reading='^0 [a-z ]* megahertz [A-Z ]*'
wait_for 180 '"connected" in a notification' more_notes "$reading.* connected$" 0
said "$tmp/reader.txt" connected || fail "the transcript lacks connected"
wait_for 30 "window" sh -c "xdotool search --name 'Yaesu VLR' > '$tmp/window'"
before=$(notes "$reading$")
xdotool windowfocus --sync "$(head -1 "$tmp/window")" key f
wait_for 30 "the frequency and mode as one notification" more_notes "$reading$" "$before"
xdotool key Escape
wait_for 30 "Escape's replacement" said "$tmp/notes.txt" "1 "
xdotool key q
wait_for 60 "program end" sh -c "! kill -0 $program 2>/dev/null"
wine reg add "$blind" /v On /t REG_SZ /d 0 /f >/dev/null 2>&1
head -2 "$tmp/notes.txt" | tr -d '\r' | tr '\n' / | grep -qx '0 Veloran three point five/0 [a-z ]* metres/' ||
  fail "the greeting and the start-up reading were not one notification each"
said "$tmp/notes.txt" "1 quit" || fail "the reading after Escape did not replace the queue"
echo "screen reader under wine: each reading one notification, Escape's replacement sent, connected"

# The installer, silently: files, the per-user folder, the Start-menu entry;
# the installed program starts and reaches the radio; the uninstaller removes it.
wine "$win/veloran-$version-setup.exe" /S
users=$WINEPREFIX/drive_c/users
installed=$(find -L "$users" -path '*Programs/Veloran/veloran.exe' | head -1)
[ -n "$installed" ] || fail "veloran.exe not installed"
folder=$(find -L "$users" -path '*Veloran/veloran.cfg' | head -1)
[ -n "$folder" ] || fail "no per-user veloran.cfg"
link=$(find -L "$users" -name 'Veloran.lnk' | head -1)
[ -n "$link" ] || fail "no Start-menu entry"
# The shortcut's key (the link's bytes 64 and 65): Y with Ctrl and Alt.
[ "$(od -An -tx1 -j64 -N2 "$link" | tr -d ' ')" = 5906 ] || fail "the Start-menu entry has no Ctrl+Alt+Y"
[ "$(ls "$(dirname "$installed")/wave" | wc -l)" -gt 50 ] || fail "voice not installed"
(cd "$(dirname "$folder")" && exec wine "$installed" --transcript >"$tmp/installed.txt" 2>/dev/null) &
program=$!
pids+=($program)
wait_for 180 '"connected" from the installed program' said "$tmp/installed.txt" connected
wait_for 30 "installed window" sh -c "xdotool search --name 'Yaesu VLR' > '$tmp/window'"
xdotool windowfocus --sync "$(head -1 "$tmp/window")" key q
wait_for 60 "installed program end" sh -c "! kill -0 $program 2>/dev/null"
wine "$(dirname "$installed")/uninstall.exe" /S
wait_for 60 "uninstall" sh -c "[ ! -e '$installed' ] && [ -z \"\$(find -L '$users' -name 'Veloran.lnk')\" ]"
[ -e "$folder" ] || fail "the uninstaller removed the operator's veloran.cfg"
echo "installer under wine: installed, started, connected, uninstalled (veloran.cfg kept)"
