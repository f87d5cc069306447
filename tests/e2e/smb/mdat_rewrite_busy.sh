#!/usr/bin/env bash
# Station 12 (re)writes its alarm text at its start while another station holds MDAT12.KVT open:
# on SMB the rename over the held file fails (EEXIST) and the old text stays. Station 12 must try
# again until its text is there, leave no temporary files, and its next alarm must show its text.
set -euo pipefail
source "$(dirname "$0")/stations.sh"

text12='Überfall in Büro 12'
old_text='Alter Text von gestern'
# Last run's text, written through mount B as a station writes it, and held open there.
hold_old_text()
{
    printf '%s\r' "$old_text" | iconv -f UTF-8 -t WINDOWS-1252 >"$SMB_SITE_B/MDAT12.KVT"
    exec 3<"$SMB_SITE_B/MDAT12.KVT"
    [[ $(smb_server_text MDAT12.KVT) == "$old_text|" ]] || e2e_fail "the old text is not on the server"
    start_ms=$(e2e_now_ms)
}
smb_two_stations 'Alarm bei Station 7' "$text12" hold_old_text
# Two polls of 5 s after the start: every try so far met the held file. The old text must still
# be there (the test's premise: SMB refuses the rename), and nothing but the alarm texts.
sleep 11
[[ $(smb_server_text MDAT12.KVT) == "$old_text|" ]] ||
    e2e_fail "MDAT12.KVT was replaced while mount B held it open: this server does not refuse the rename, the test proves nothing"
smb_alive "$pid12" "$pid7"
echo "station 12's windows while its text could not be written: $(e2e_windows "$pid12" | while read -r w; do xprop -id "$w" WM_NAME | sed 's/.*= //'; done | tr '\n' ' ')"

released_ms=$(e2e_now_ms)
exec 3<&-
e2e_wait 15 smb_text_is MDAT12.KVT "$(smb_alarm_text 12 "$text12")" >/dev/null ||
    e2e_fail "MDAT12.KVT is not station 12's text 15 s after the reader let it go: $(smb_server_text MDAT12.KVT)"
written_ms=$(e2e_now_ms)
# Temporary files of the failed tries must not pile up on the share.
sleep 6
[[ $(smb_server_files) == $'MDAT12.KVT\nMDAT7.KVT' ]] ||
    e2e_fail "the share holds more than the alarm texts: $(smb_server_files | tr '\n' ' ')"

# A message box about the failed write may be open at station 12; it does not stop the alarm.
smb_trigger 12
e2e_wait 10 e2e_file_exists "$SMB_SITE_SHARE/MESSAGE.KVT" >/dev/null || e2e_fail "station 12 never wrote the slot"
[[ $(xxd -p "$SMB_SITE_SHARE/MESSAGE.KVT") == 3132 ]] || e2e_fail "MESSAGE.KVT holds $(xxd "$SMB_SITE_SHARE/MESSAGE.KVT")"
window=$(e2e_wait 15 e2e_alarm_window "$pid7") || e2e_fail "no alarm window at station 7"
ocr=skipped
if command -v tesseract >/dev/null; then
    shown=$(e2e_window_text "$window")
    grep -q "$text12" <<<"$shown" || e2e_fail "the alarm window does not show station 12's new text: $shown"
    ! grep -q 'Alter Text' <<<"$shown" || e2e_fail "the alarm window shows station 12's old text"
    ocr='read back'
fi
smb_alive "$pid12" "$pid7"
echo "station 12's standard error:"
smb_stderr 12 | sed 's/^/    /'
echo "figures: text written $((written_ms - released_ms)) ms after the reader let it go ($((released_ms - start_ms)) ms after the start), OCR $ocr"
echo "PASS: an alarm text held open at the start is written once it is free, and the next alarm shows it"
