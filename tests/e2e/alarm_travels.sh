#!/usr/bin/env bash
# A soft trigger at station 12 puts up the alarm window at station 7, with real processes.
set -euo pipefail
if [[ -z ${DISPLAY:-} ]]; then
    echo "SKIP: no display (run inside tests/support/with-desktop)"
    exit 77
fi
source "$(dirname "$0")/site.sh"

e2e_station 7 'Alarm bei Station 7'
e2e_station 12 'Überfall in Büro 12'
e2e_start 7
pid7=$e2e_pid
e2e_start 12
pid12=$e2e_pid
sleep 2 # both clients are up and have written their alarm texts
[[ -e $e2e_exchange/MDAT12.KVT ]] || e2e_fail "station 12 wrote no MDAT12.KVT"
[[ $(iconv -f WINDOWS-1252 -t UTF-8 "$e2e_exchange/MDAT12.KVT" | tr '\r' '|') == 'Überfall in Büro 12|Station 12||' ]] ||
    e2e_fail "MDAT12.KVT holds $(xxd "$e2e_exchange/MDAT12.KVT")"
[[ -z $(e2e_windows "$pid7") ]] || e2e_fail "station 7 shows a window before any alarm"

e2e_trigger 12
e2e_wait 3 e2e_file_exists "$e2e_exchange/MESSAGE.KVT" >/dev/null || e2e_fail "station 12 never wrote the slot"
[[ $(xxd -p "$e2e_exchange/MESSAGE.KVT") == 3132 ]] || e2e_fail "MESSAGE.KVT holds $(xxd "$e2e_exchange/MESSAGE.KVT")"
[[ ! -e $e2e_exchange/START.12 ]] || e2e_fail "START.12 is still there after the send"

window=$(e2e_wait 8 e2e_alarm_window "$pid7") || e2e_fail "no alarm window at station 7"
xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || e2e_fail "the alarm window is not topmost"
# The alarm window stays on top of a window that is activated after it.
xdotool search --onlyvisible --name '^ORSKA KVT GmbH$' >/dev/null
stacking=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //; s/, /\n/g' | tail -1)
[[ $((stacking)) == "$window" ]] || e2e_fail "the alarm window is not the top window ($stacking, $window)"
[[ -z $(e2e_alarm_window "$pid12") ]] || e2e_fail "station 12 shows its own alarm"
if command -v tesseract >/dev/null; then
    e2e_window_text "$window" | grep -q 'Überfall in Büro 12' || e2e_fail "the alarm window does not show station 12's text"
fi
[[ -z ${E2E_SCREENSHOT:-} ]] || import -window root "$E2E_SCREENSHOT"

e2e_wait 20 e2e_file_gone "$e2e_exchange/MESSAGE.KVT" >/dev/null || e2e_fail "the slot outlived the hold time"
sleep 6 # station 12 polls again: it must still not show its own alarm
[[ -z $(e2e_alarm_window "$pid12") ]] || e2e_fail "station 12 shows its own alarm after the hold"
grep -q 'Message - gel' <(iconv -f WINDOWS-1252 -t UTF-8 "$e2e_root/station12/telvor.log") ||
    e2e_fail "station 12 did not log the end of its hold"
kill -0 "$pid7" "$pid12" || e2e_fail "a client ended"
echo "PASS: alarm of station 12 shown at station 7"
