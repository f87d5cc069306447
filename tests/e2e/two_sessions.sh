#!/usr/bin/env bash
# Two sessions of one machine (two users, fast user switching) run the client of the same station:
# the first is the station, the second says so once and leaves it the soft trigger; when the first
# ends, the second takes over. Real processes, the machine's own lock directory.
set -euo pipefail
if [[ -z ${DISPLAY:-} ]]; then
    echo "SKIP: no display (run inside tests/support/with-desktop)"
    exit 77
fi
source "$(dirname "$0")/site.sh"

# An ID no real station of this machine has: the lock directory is the machine's.
id=31007
lock_dir=/run/lock
[[ -d $lock_dir ]] || lock_dir=/tmp
trap 'e2e_cleanup; rm -f "$lock_dir/telvor-station-$id.lock"' EXIT
second_says="Station $id läuft auf diesem Rechner bereits in einer anderen Sitzung"
take_over_says="Station $id läuft jetzt in dieser Sitzung: die andere Sitzung ist beendet"

# session NAME: a user directory with its own runtime directory and the station's TELVOR.DAT;
# standard error goes to client.log.
session()
{
    local dir=$e2e_root/station$1
    mkdir -p "$dir/runtime"
    chmod 0700 "$dir/runtime"
    printf '[%s/][1][%s][kein][][Kasse][0][1][ 120][1]\r\n 1 \r\n\r\n\r\n\r\n 0 \r\n' "$e2e_exchange" "$id" \
        >"$dir/TELVOR.DAT"
    APPDATA=$dir XDG_RUNTIME_DIR=$dir/runtime "$TELVOR_BIN_DIR/telvor" >"$dir/stdout.log" 2>"$dir/client.log" &
    e2e_pid=$!
    e2e_pids+=("$e2e_pid")
}
said() # NAME TEXT: how many lines of the session's standard error hold TEXT
{
    grep -c -F "$2" "$e2e_root/station$1/client.log" || true
}
logged() # NAME TEXT: how many entries of the session's event log hold TEXT
{
    iconv -f WINDOWS-1252 -t UTF-8 "$e2e_root/station$1/telvor.log" 2>/dev/null | grep -c -F "$2" || true
}
trigger()
{
    APPDATA=$e2e_root/stationA "$TELVOR_BIN_DIR/telvorstart" || e2e_fail "telvorstart exited with $?"
}
slot_is_ours()
{
    [[ $(cat "$e2e_exchange/MESSAGE.KVT" 2>/dev/null) == "$id" ]] && echo yes
    return 0
}
second_took_over()
{
    (($(said B "$take_over_says") > 0)) && echo yes
    return 0
}

session A
first=$e2e_pid
e2e_wait 10 e2e_file_exists "$e2e_exchange/MDAT$id.KVT" >/dev/null || e2e_fail "the first session wrote no alarm text"
rm "$e2e_exchange/MDAT$id.KVT"
session B
second=$e2e_pid
sleep 3
(($(said B "$second_says") == 1)) || e2e_fail "the second session said $(said B "$second_says") times that it is second"
(($(said A "$second_says") == 0)) || e2e_fail "the first session says it is second"
(($(logged B "$second_says") == 1)) || e2e_fail "the second session's event log does not say it is second"
[[ ! -e $e2e_exchange/MDAT$id.KVT ]] || e2e_fail "the second session wrote the station's alarm text"

# The soft trigger goes to the first session alone: one message, one hold, one end of it, and it
# stays silent in the second session.
trigger
e2e_wait 3 slot_is_ours >/dev/null || e2e_fail "no message of station $id after the soft trigger"
[[ ! -e $e2e_exchange/START.$id ]] || e2e_fail "START.$id is still there after the send"
e2e_wait 20 e2e_file_gone "$e2e_exchange/MESSAGE.KVT" >/dev/null || e2e_fail "the slot outlived the hold"
# The alarm was raised at this machine's desk: no session of it may show it there.
[[ -z $(e2e_alarm_window "$second") ]] || e2e_fail "the second session showed the alarm of its own desk"
sleep 2
[[ ! -e $e2e_exchange/MESSAGE.KVT ]] || e2e_fail "the slot was written again after the hold"
(($(logged A 'Message - gel') == 1)) || e2e_fail "the first session did not end exactly one hold"
(($(logged B 'MESSAGE.KVT') + $(logged B 'start.') + $(logged B 'Message - gel') == 0)) ||
    e2e_fail "the second session sent or held: $(iconv -f WINDOWS-1252 -t UTF-8 "$e2e_root/stationB/telvor.log")"

# The first session's process ends: the second is the station from its next look.
kill -9 "$first"
wait "$first" 2>/dev/null || true
e2e_wait 3 second_took_over >/dev/null || e2e_fail "the second session did not take over"
trigger
e2e_wait 3 slot_is_ours >/dev/null || e2e_fail "the second session did not send after the take-over"
[[ ! -e $e2e_exchange/START.$id ]] || e2e_fail "START.$id is still there after the second session's send"
[[ -e $e2e_exchange/MDAT$id.KVT ]] || e2e_fail "the second session did not announce the alarm text"
(($(said B "$take_over_says") == 1 && $(said B "$second_says") == 1)) || e2e_fail "the second session's reports differ"
echo "PASS: one station in two sessions, taken over when the first ended"
