#!/usr/bin/env bash
# Station 7's file server stops answering for 20 s while it shows an alarm: every call on its
# mount blocks (its smbnetfs is stopped). The alarm window must keep flashing red and white, the
# client must report the hang and its end on standard error, and afterwards receive again.
set -euo pipefail
source "$(dirname "$0")/stations.sh"

readonly hang_s=20
readonly min_changes=20          # about 40 are due in 20 s (one every 500 ms)
readonly max_steady_ms=4000      # eight flash periods without a change
readonly report_within_ms=10000  # the client reports a call outstanding for 3 s

text12='Überfall in Büro 12'
smb_two_stations 'Alarm bei Station 7' "$text12"

smb_trigger 12
window=$(e2e_wait 20 e2e_alarm_window "$pid7") || e2e_fail "no alarm window at station 7"
samples=$e2e_root/flashes

# The instrument first: with the share answering, the sampled pixel must flash.
smb_sample_flashes "$window" 3 "$samples.before"
read -r n_before changes_before _ < <(smb_flash_figures "$samples.before")
((changes_before >= 3)) ||
    e2e_fail "the alarm window does not flash while the share answers ($changes_before changes in $n_before samples): $(tr '\n' ' ' <"$samples.before")"

# The hang. Nothing in this test waits on mount B until it is continued.
grep -qaF 'Austauschverzeichnis antwortet nicht' "$e2e_root/station7/client.log" &&
    e2e_fail "station 7 reported a hang before the share hung"
stop_ms=$(e2e_now_ms)
kill -STOP "$SMB_SITE_PID_B"
smb_sample_flashes "$window" "$hang_s" "$samples.hang" &
sampler=$!
# The premise: a call on mount B blocks now. A stat there returns only after the continue; no
# signal ends it earlier (it may wait on a lock that the client's blocked call holds), so it is
# never waited for during the hang.
(
    begin=$(e2e_now_ms)
    stat "$SMB_SITE_B/MDAT7.KVT" >/dev/null 2>&1 || true
    echo $(($(e2e_now_ms) - begin)) >"$e2e_root/hang-probe"
) 3<&- &
probe=$!
reported_ms=$(e2e_wait $((hang_s - 2)) smb_log_has 7 'Austauschverzeichnis antwortet nicht') || reported_ms=
wait "$sampler" || true
kill -0 "$pid7" 2>/dev/null || { kill -CONT "$SMB_SITE_PID_B"; e2e_fail "station 7 ended during the hang"; }
cont_ms=$(e2e_now_ms)
kill -CONT "$SMB_SITE_PID_B"
read -r n_hang changes_hang steady_hang < <(smb_flash_figures "$samples.hang")
echo "figures: during the ${hang_s} s hang: $changes_hang red/white changes in $n_hang samples, longest without a change $steady_hang ms (before it: $changes_before changes in $n_before samples in 3 s)"
if [[ -n $reported_ms ]]; then
    echo "figures: SIGSTOP to \"Austauschverzeichnis antwortet nicht\" on standard error: $((reported_ms - stop_ms)) ms"
else
    echo "figures: no \"Austauschverzeichnis antwortet nicht\" during the hang"
fi

back_ms=$(e2e_wait 15 smb_log_has 7 'Austauschverzeichnis antwortet wieder') || back_ms=
probe_ms=$(e2e_wait 10 cat "$e2e_root/hang-probe" 2>/dev/null) || probe_ms=
[[ -n $probe_ms ]] && { wait "$probe" 2>/dev/null || true; }
[[ -n $probe_ms ]] && echo "figures: a stat on mount B during the hang returned after $probe_ms ms"
[[ -n $back_ms ]] && echo "figures: SIGCONT to \"Austauschverzeichnis antwortet wieder\": $((back_ms - cont_ms)) ms"

[[ -n $probe_ms ]] || e2e_fail "a stat on mount B did not return within 10 s of the continue"
((probe_ms >= hang_s * 1000 / 2)) ||
    e2e_fail "a stat on mount B returned after $probe_ms ms while its smbnetfs was stopped: the share did not hang, the test proves nothing"
((changes_hang >= min_changes)) ||
    e2e_fail "the alarm window stopped flashing during the hang: $changes_hang changes in $hang_s s (at least $min_changes due)"
((steady_hang <= max_steady_ms)) ||
    e2e_fail "the alarm window stood still for $steady_hang ms during the hang"
[[ -n $reported_ms ]] || e2e_fail "station 7 did not report the hang on standard error"
((reported_ms - stop_ms <= report_within_ms)) ||
    e2e_fail "station 7 reported the hang only $((reported_ms - stop_ms)) ms after it began"
[[ -n $back_ms ]] || e2e_fail "station 7 did not report the end of the hang within 15 s"
smb_alive "$pid7" "$pid12"

# Station 7 receives again. Station 12's hold ended during the hang; once the slot is gone and
# station 7 has polled it gone, the window is closed and a new alarm must open it again.
e2e_wait 20 e2e_file_gone "$SMB_SITE_SHARE/MESSAGE.KVT" >/dev/null || e2e_fail "the first alarm's slot is still there"
sleep 2 # station 7 polls every 500 ms while the slot it showed was there
smb_close_window "$window"
e2e_wait 5 smb_no_alarm_window "$pid7" >/dev/null || e2e_fail "the alarm window of station 7 did not close"
smb_trigger 12
window2=$(e2e_wait 20 e2e_alarm_window "$pid7") || e2e_fail "station 7 shows no new alarm after the hang"
if command -v tesseract >/dev/null; then
    e2e_window_text "$window2" | grep -q "$text12" || e2e_fail "the new alarm window does not show station 12's text"
fi
smb_alive "$pid7" "$pid12"
echo "station 7's standard error:"
smb_stderr 7 | sed 's/^/    /'
echo "PASS: the alarm window keeps flashing while the share hangs, and station 7 receives afterwards"
