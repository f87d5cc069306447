#!/usr/bin/env bash
# "Abrechen" of the button test and "Programm beenden" of the tray menu end the client at once even
# while its file server does not answer (its smbnetfs is stopped): the windows go, the process is
# gone, and a new client of the same user starts at once, since no stuck process holds the lock.
set -euo pipefail
source "$(dirname "$0")/stations.sh"

smb_station 7 'Alarm bei Station 7' "$SMB_SITE_B"
dir=$e2e_root/station7
# With the button test: its window offers "Abrechen" once the ten-second start phase is over.
printf '%s' "$(iconv -f WINDOWS-1252 -t UTF-8 "$dir/TELVOR.DAT" | sed '2s/^ 1 /\ 0 /')" |
    iconv -f UTF-8 -t WINDOWS-1252 >"$dir/TELVOR.DAT.new"
mv "$dir/TELVOR.DAT.new" "$dir/TELVOR.DAT"
smb_start 7
pid7=$e2e_pid
smb_wait_alarm_text 7 'Alarm bei Station 7'

# The test window: 5325 x 3855 twips; its "Abrechen" lies at 3840, 2880 (1215 x 495).
test_window()
{
    local id
    for id in $(e2e_windows "$pid7"); do
        [[ $(smb_window_size "$id") == '355 257' ]] && echo "$id" && return 0
    done
    return 0
}
window=$(e2e_wait 10 test_window) || e2e_fail "no button test window at station 7"
sleep 11 # the start phase

kill -STOP "$SMB_SITE_PID_B"
e2e_wait 10 smb_log_has 7 'Austauschverzeichnis antwortet nicht' >/dev/null ||
    e2e_fail "station 7 did not notice the hang"
kill -0 "$pid7" || e2e_fail "station 7 ended during the hang"
clicked_ms=$(e2e_now_ms)
xdotool windowactivate --sync "$window" mousemove --window "$window" 296 208 click 1
gone()
{
    kill -0 "$pid7" 2>/dev/null || echo gone
    return 0
}
e2e_wait 5 gone >/dev/null || e2e_fail "station 7 did not end within 5 s of \"Abrechen\" while its share hung"
echo "figures: station 7 ended $(($(e2e_now_ms) - clicked_ms)) ms after \"Abrechen\" during the hang"

# The next client of the same user starts at once, with the share still stopped.
: >"$dir/client.log"
smb_start 7
pid7=$e2e_pid
sleep 3
kill -0 "$pid7" 2>/dev/null || e2e_fail "a new client did not start after the first one ended: $(cat "$dir/client.log")"
grep -qF 'läuft bereits' "$dir/client.log" && e2e_fail "the lock of the ended client is still held"

# This one, started during the hang, is ended from its tray menu, the share still stopped.
icon=$(e2e_wait 10 e2e_tray_icon "$pid7") || e2e_fail "no tray icon of the client started during the hang"
clicked_ms=$(e2e_now_ms)
e2e_tray_choose "$icon" Up Return
e2e_wait 5 gone >/dev/null || e2e_fail "station 7 did not end within 5 s of \"Programm beenden\" while its share hung"
echo "figures: station 7 ended $(($(e2e_now_ms) - clicked_ms)) ms after \"Programm beenden\" during the hang"
: >"$dir/client.log"
smb_start 7
pid7=$e2e_pid
sleep 3
kill -0 "$pid7" 2>/dev/null || e2e_fail "no client started after \"Programm beenden\": $(cat "$dir/client.log")"
kill -CONT "$SMB_SITE_PID_B"
smb_alive "$pid7"
echo "PASS: a client ends at once from its test window or its tray menu while its share hangs, and the next one starts"
