#!/usr/bin/env bash
# The end of station 12's hold while another station holds the slot open: on SMB the delete fails
# (EBUSY) and the file stays. Station 12 must try again until the slot is gone, and log the
# deletion exactly once, when it really happened.
set -euo pipefail
source "$(dirname "$0")/stations.sh"

text12='Überfall in Büro 12'
smb_station 12 "$text12" "$SMB_SITE_A"
smb_start 12
pid12=$e2e_pid
smb_wait_alarm_text 12 "$text12"

smb_trigger 12
e2e_wait 10 e2e_file_exists "$SMB_SITE_SHARE/MESSAGE.KVT" >/dev/null || e2e_fail "station 12 never wrote the slot"
written_ms=$(e2e_now_ms)
# A reader at the other station opens the slot and keeps it open across the end of the hold.
# The open may meet the file while station 12 still closes it: try a few times.
for ((i = 0; i < 20; i++)); do
    if exec 3<"$SMB_SITE_B/MESSAGE.KVT"; then
        break
    fi 2>/dev/null
    sleep 0.1
done
[[ -e /proc/self/fd/3 ]] || e2e_fail "the slot could not be opened through mount B"
[[ $(xxd -p <&3) == 3132 ]] || e2e_fail "the slot read through mount B does not hold \"12\""

# The hold ends 15 s after the write; by 22 s station 12 has tried to delete the slot at least
# once. The file must still be there: the test's premise, that SMB refuses the delete.
hold_end_ms=$((written_ms + 22000))
while (($(e2e_now_ms) < hold_end_ms)); do
    sleep 0.2
done
[[ -e $SMB_SITE_SHARE/MESSAGE.KVT ]] ||
    e2e_fail "the slot was deleted while mount B held it open: this server does not refuse the delete, the test proves nothing"
[[ $(xxd -p "$SMB_SITE_SHARE/MESSAGE.KVT") == 3132 ]] || e2e_fail "the held slot no longer holds \"12\""
early=$(smb_event_log 12 | grep -c 'Message - gelöscht' || true)
((early == 0)) || e2e_fail "station 12 logged the deletion of a slot that is still there"
smb_alive "$pid12"

# Released: the next try of station 12 removes it.
released_ms=$(e2e_now_ms)
exec 3<&-
e2e_wait 15 e2e_file_gone "$SMB_SITE_SHARE/MESSAGE.KVT" >/dev/null ||
    e2e_fail "the slot is still there 15 s after the reader let it go"
gone_ms=$(e2e_now_ms)
sleep 6 # one more poll: a second delete, or a second log line, would show now
deleted=$(smb_event_log 12 | grep -c 'Message - gelöscht' || true)
((deleted == 1)) || e2e_fail "station 12 logged \"Message - gelöscht\" $deleted times: $(smb_event_log 12)"
[[ ! -e $SMB_SITE_SHARE/MESSAGE.KVT ]] || e2e_fail "a slot came back"
[[ -z $(e2e_alarm_window "$pid12") ]] || e2e_fail "station 12 shows its own alarm"
smb_alive "$pid12"
echo "station 12's standard error:"
smb_stderr 12 | sed 's/^/    /'
echo "figures: slot deleted $((gone_ms - released_ms)) ms after the reader let it go"
echo "PASS: a hold end against a slot held open retries until the slot is gone and logs it once"
