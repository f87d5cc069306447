#!/usr/bin/env bash
# The client in the notification area: its icon, the menu on the right button with "Info",
# "Einstellung" and "Programm beenden", the icon of a station cut off from its exchange
# directory and the two event-log entries of the outage.
set -euo pipefail
if [[ -z ${DISPLAY:-} ]]; then
    echo "SKIP: no display (run inside tests/support/with-desktop)"
    exit 77
fi
source "$(dirname "$0")/site.sh"

window_of_size()
{
    local id
    for id in $(e2e_windows "$1"); do
        [[ $(xwininfo -id "$id" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }') == "$2" ]] &&
            echo "$id"
    done
    return 0
}

e2e_station 7 'Alarm bei Station 7'
e2e_start 7
pid=$e2e_pid
icon=$(e2e_wait 10 e2e_tray_icon "$pid") || e2e_fail "no icon in the notification area"
[[ $(e2e_wait 5 e2e_icon_look "$icon") == normal ]] || e2e_fail "the icon is not the normal one"

e2e_tray_choose "$icon" Down Return
info=$(e2e_wait 5 window_of_size "$pid" 362x177) || e2e_fail "\"Info\" did not open the info window"
if command -v tesseract >/dev/null; then
    text=$(e2e_window_text "$info")
    grep -q 'Quorvel' <<<"$text" || e2e_fail "the info window does not show \"Quorvel\": $text"
fi
e2e_tray_choose "$icon" Down Down Return
e2e_wait 5 window_of_size "$pid" 545x568 >/dev/null || e2e_fail "\"Einstellung\" did not open the setup window"

# Cut off: the directory goes away; after 15 s the icon says so, and again when it is back.
mv "$e2e_exchange" "$e2e_exchange.away"
moved_ms=$(e2e_now_ms)
cut_off() { [[ $(e2e_icon_look "$icon") == cut-off ]] && echo yes; return 0; }
e2e_wait 30 cut_off >/dev/null || e2e_fail "the icon did not change while the exchange directory was gone"
echo "figures: the icon changed $(($(e2e_now_ms) - moved_ms)) ms after the exchange directory went"
mv "$e2e_exchange.away" "$e2e_exchange"
back() { [[ $(e2e_icon_look "$icon") == normal ]] && echo yes; return 0; }
e2e_wait 10 back >/dev/null || e2e_fail "the icon did not return when the exchange directory came back"
log=$(iconv -f WINDOWS-1252 -t UTF-8 "$e2e_root/station7/telvor.log" | sed 's/^.*  //')
[[ $log == $'Austauschverzeichnis nicht erreichbar\r\nAustauschverzeichnis wieder erreichbar\r' ]] ||
    e2e_fail "the event log has: $log"

# "Programm beenden": the icon goes, the client ends at once, and the next one starts at once.
e2e_tray_choose "$icon" Up Return
gone() { kill -0 "$pid" 2>/dev/null || echo gone; return 0; }
e2e_wait 3 gone >/dev/null || e2e_fail "\"Programm beenden\" did not end the client"
[[ -z $(xwininfo -id "$icon" 2>/dev/null | grep IsViewable) ]] || e2e_fail "the icon stayed"
e2e_start 7
e2e_wait 10 e2e_tray_icon "$e2e_pid" >/dev/null || e2e_fail "no new client started after \"Programm beenden\""
echo "PASS: the tray icon, its menu and the cut-off icon"
