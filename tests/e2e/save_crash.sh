#!/usr/bin/env bash
# A setup save survives SIGKILL at any moment: the real client saves its setup window (filled by
# xdotool), and is killed a random few milliseconds after the click on "Setup beenden". After each
# kill TELVOR.DAT and MDAT<ID>.KVT must each hold the old or the new content whole, and the next
# start must clear the temporary files the killed writes left in the per-user and the exchange
# directory.
#
#   TELVOR_SAVE_KILLS=N        kills in this run (default 100; 1000 for the long run)
#   TELVOR_SAVE_KILL_SEED=S    the seed of the kill moments (default: from the clock; printed)
#   TELVOR_SAVE_KILL_SPREAD=US the kill comes 0 to US microseconds after the click (default 10000)
set -euo pipefail
if [[ -z ${DISPLAY:-} ]]; then
    echo "SKIP: no display (run inside tests/support/with-desktop)"
    exit 77
fi
source "$(dirname "$0")/site.sh"

kills=${TELVOR_SAVE_KILLS:-100}
seed=${TELVOR_SAVE_KILL_SEED:-$(($(date +%s%N) % 32768))}
spread=${TELVOR_SAVE_KILL_SPREAD:-10000}
RANDOM=$seed
echo "save_crash: $kills kills, seed $seed, kill 0-$spread µs after the click"
# A save takes a few milliseconds: the wait before the kill is bash's own, since starting sleep
# alone would take about as long.
exec {never}<> <(:)

# Controls as left, top, width and height in twips.
Text1=(2640 1440 4335 315)
speichern=(6480 6960 1215 495)

id=31
dir=$e2e_root/station$id

# What a save writes, byte for byte, for the first alarm line TEXT (the rest as e2e_station has it).
dat_hex()
{
    printf '[%s/][1][%s][kein][][%s][0][1][ 120][1]\r\n 1 \r\nStation %s\r\n\r\n\r\n 0 \r\n' \
        "$e2e_exchange" "$id" "$1" "$id" | xxd -p | tr -d '\n'
}
mdat_hex()
{
    printf '%s\rStation %s\r\r' "$1" "$id" | xxd -p | tr -d '\n'
}
hex_of()
{
    xxd -p "$1" | tr -d '\n'
}
# leftovers [DIRECTORY...]: the temporary files of writes there (default: the per-user and the exchange directory).
leftovers()
{
    (($#)) || set -- "$dir" "$e2e_exchange"
    find "$@" -maxdepth 1 -name '.telvor-tmp-*' -printf '%f\n'
}

no_leftovers()
{
    [[ -n $(leftovers) ]] || echo none
}
alarm_text_is()
{
    [[ $(hex_of "$e2e_exchange/MDAT$id.KVT") == "$(mdat_hex "$1")" ]] && echo yes
    return 0
}

# is_one_of FILE WHAT OLD_TEXT NEW_TEXT HEX_FUNCTION: prints "old" or "new", or fails.
is_one_of()
{
    local file=$1 what=$2 actual
    [[ -e $file ]] || e2e_fail "$what is gone after kill $kill"
    actual=$(hex_of "$file")
    if [[ $actual == "$($5 "$3")" ]]; then
        echo old
    elif [[ $actual == "$($5 "$4")" ]]; then
        echo new
    else
        e2e_fail "after kill $kill $what is neither the old nor the new file:"$'\n'"$(xxd "$file")"
    fi
}

lock_holder()
{
    [[ $(head -n 1 "$dir/runtime/telvor.lock" 2>/dev/null) == "$1" ]] && echo yes
    return 0
}

# open_setup PID: a second start asks the running client for its setup window; prints the window.
open_setup()
{
    local window try
    e2e_wait 10 lock_holder "$1" >/dev/null || e2e_fail "client $1 did not take its lock"
    for ((try = 0; try < 20; try++)); do
        APPDATA=$dir XDG_RUNTIME_DIR=$dir/runtime "$TELVOR_BIN_DIR/telvor" >/dev/null 2>&1 || true
        if window=$(e2e_wait 1 e2e_windows "$1"); then
            echo "$window"
            return 0
        fi
    done
    e2e_fail "the client shows no setup window"
}

e2e_station "$id" 'Kasse 0'
text='Kasse 0'
declare -A seen=([dat_old]=0 [dat_new]=0 [mdat_old]=0 [mdat_new]=0 [dat_left]=0 [mdat_left]=0)
started=$(e2e_now_ms)

for ((kill = 1; kill <= kills; kill++)); do
    e2e_start "$id"
    pid=$e2e_pid
    window=$(open_setup "$pid")
    # The start clears what the last kill left and writes the alarm text again; on a busy machine
    # the share may answer too late for the start, and the next poll does it.
    e2e_wait 8 no_leftovers >/dev/null || e2e_fail "the start before kill $kill left temporary files: $(leftovers)"
    e2e_wait 8 alarm_text_is "$text" >/dev/null ||
        e2e_fail "the start before kill $kill did not write the alarm text of its TELVOR.DAT"

    next="Kasse $kill"
    xdotool windowactivate --sync "$window"
    e2e_click "$window" "${Text1[@]}"
    xdotool key --clearmodifiers ctrl+a
    xdotool type --delay 1 "$next"
    delay=$(((RANDOM * 32768 + RANDOM) % (spread + 1)))
    # The click is sent in the background: the kill may come before, during or after the save.
    e2e_click "$window" "${speichern[@]}" &
    clicker=$!
    read -r -t "$(printf '0.%06d' "$delay")" -u "$never" || true
    kill -KILL "$pid"
    wait "$pid" "$clicker" 2>/dev/null || true

    dat=$(is_one_of "$dir/TELVOR.DAT" TELVOR.DAT "$text" "$next" dat_hex)
    mdat=$(is_one_of "$e2e_exchange/MDAT$id.KVT" "MDAT$id.KVT" "$text" "$next" mdat_hex)
    ((++seen[dat_$dat], ++seen[mdat_$mdat])) || true
    [[ -z $(leftovers "$dir") ]] || ((++seen[dat_left])) || true
    [[ -z $(leftovers "$e2e_exchange") ]] || ((++seen[mdat_left])) || true
    [[ $dat == new ]] && text=$next
done

# The last kill's leftovers are cleared by one more start.
e2e_start "$id"
open_setup "$e2e_pid" >/dev/null
e2e_wait 8 no_leftovers >/dev/null || e2e_fail "the last start left temporary files: $(leftovers)"

echo "save_crash: seed $seed, $kills saves killed in $((($(e2e_now_ms) - started) / 1000)) s;" \
    "TELVOR.DAT old ${seen[dat_old]}, new ${seen[dat_new]}; MDAT$id.KVT old ${seen[mdat_old]}," \
    "new ${seen[mdat_new]}; $((kills * 2)) files checked whole; a temporary file of TELVOR.DAT left by" \
    "${seen[dat_left]} kills, of MDAT$id.KVT by ${seen[mdat_left]}, each cleared by the next start; failures 0"
echo "PASS: $kills setup saves killed at random moments left whole files and no temporary ones"
