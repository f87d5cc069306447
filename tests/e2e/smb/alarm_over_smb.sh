#!/usr/bin/env bash
# A soft trigger at station 12 (on mount A) puts up the alarm window at station 7 (on mount B):
# the alarm travels through a real SMB server, and the slot holds "12" there until the hold ends.
set -euo pipefail
source "$(dirname "$0")/stations.sh"

text12='Überfall in Büro 12'
# Both clients write their alarm texts at start, each through its own mount.
smb_two_stations 'Alarm bei Station 7' "$text12"
[[ -z $(e2e_windows "$pid7") ]] || e2e_fail "station 7 shows a window before any alarm"

# The trigger file goes through station 12's own mount, as telvorstart creates it there.
start_ms=$(e2e_now_ms)
smb_trigger 12
e2e_wait 10 e2e_file_exists "$SMB_SITE_SHARE/MESSAGE.KVT" >/dev/null || e2e_fail "station 12 never wrote the slot"
written_ms=$(e2e_now_ms)
[[ $(xxd -p "$SMB_SITE_SHARE/MESSAGE.KVT") == 3132 ]] ||
    e2e_fail "MESSAGE.KVT holds $(xxd "$SMB_SITE_SHARE/MESSAGE.KVT") on the server, not \"12\""
e2e_wait 5 e2e_file_gone "$SMB_SITE_SHARE/START.12" >/dev/null || e2e_fail "START.12 is still there after the send"

# Station 7 polls every 5 s: allow two polls and the SMB round trips.
window=$(e2e_wait 15 e2e_alarm_window "$pid7") || e2e_fail "no alarm window at station 7"
shown_ms=$(e2e_now_ms)
[[ $(xprop -id "$window" WM_NAME) == *'"ORSKA KVT GmbH"'* ]] || e2e_fail "the alarm window's title is $(xprop -id "$window" WM_NAME)"
xprop -id "$window" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || e2e_fail "the alarm window is not topmost"
[[ -z $(e2e_alarm_window "$pid12") ]] || e2e_fail "station 12 shows its own alarm"
ocr=skipped
if command -v tesseract >/dev/null; then
    e2e_window_text "$window" | grep -q "$text12" || e2e_fail "the alarm window does not show station 12's text"
    ocr='read back'
fi

# The slot stays while the hold lasts (15 s from the write) and is gone after it.
e2e_wait 25 e2e_file_gone "$SMB_SITE_SHARE/MESSAGE.KVT" >/dev/null || e2e_fail "the slot outlived the hold"
gone_ms=$(e2e_now_ms)
hold_s=$(((gone_ms - written_ms + 500) / 1000))
((hold_s >= 12)) || e2e_fail "the slot went after ${hold_s} s, before the hold of 15 s ended"
[[ -n $(e2e_alarm_window "$pid7") ]] || e2e_fail "station 7's alarm window went with the slot; it stays until closed"
sleep 6 # station 12 polls again: it must still not show its own alarm
[[ -z $(e2e_alarm_window "$pid12") ]] || e2e_fail "station 12 shows its own alarm after the hold"
deleted=$(smb_event_log 12 | grep -c 'Message - gelöscht' || true)
((deleted == 1)) || e2e_fail "station 12 logged the end of its hold $deleted times: $(smb_event_log 12)"
[[ $(smb_server_files) == $'MDAT12.KVT\nMDAT7.KVT' ]] || e2e_fail "the share holds more than the alarm texts: $(smb_server_files | tr '\n' ' ')"
smb_alive "$pid7" "$pid12"
echo "figures: trigger to slot on the server $((written_ms - start_ms)) ms, to the window at station 7 $((shown_ms - start_ms)) ms, slot held ${hold_s} s, OCR $ocr"
echo "PASS: alarm of station 12 travels over SMB to station 7"
