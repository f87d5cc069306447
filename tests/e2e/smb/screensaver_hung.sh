#!/usr/bin/env bash
# A screen saver guarded by a password whose file server stops answering while it shows an alarm:
# its clock keeps running, a key opens the prompt at once, the right password ends it at once
# (no thread stuck on the share holds the process), and the hang is reported on standard error.
set -euo pipefail
source "$(dirname "$0")/stations.sh"

readonly clock_crop=113x25+24+88 # lbl_time

dir=$e2e_root/station-saver
mkdir -p "$dir/config/PendraSaver"
mkdir -m 0700 "$dir/runtime"
printf '12' >"$SMB_SITE_SHARE/MESSAGE.KVT"
printf 'Alarm Kasse' >"$SMB_SITE_SHARE/MDAT12.KVT"
chmod 0666 "$SMB_SITE_SHARE"/*.KVT
printf '[Config]\nInterval=500\nPfad=%s/\nPassword=Geheim\n' "$SMB_SITE_A" >"$dir/config/PendraSaver/PendraSaver.ini"
XDG_CONFIG_HOME=$dir/config XDG_RUNTIME_DIR=$dir/runtime "$TELVOR_BIN_DIR/PendraSaver" /S 2>"$dir/client.log" &
pid=$!
e2e_pids+=("$pid")

window_titled()
{
    xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null | head -n 1 || true
}

alarm_colour()
{
    local pixel
    pixel=$(import -window root -crop 1x1+1000+700 +repage -depth 8 txt:- 2>/dev/null |
        grep -o '#[0-9A-Fa-f]\{6\}' | head -n 1) || return 0
    [[ -n $pixel && $pixel != '#000000' ]] && echo "$pixel"
    return 0
}

# clock_changes N: how often the clock's picture changed in N samples a quarter of a second apart.
clock_changes()
{
    local last= now changes=0 i
    for ((i = 0; i < $1; i++)); do
        now=$(import -window root -crop "$clock_crop" +repage png:- 2>/dev/null | md5sum)
        [[ $now != "$last" ]] && changes=$((changes + 1))
        last=$now
        sleep 0.25
    done
    echo "$changes"
}

gone()
{
    kill -0 "$pid" 2>/dev/null || echo gone
    return 0
}

e2e_wait 10 window_titled PENDRASaver >/dev/null || e2e_fail "no screen-saver window"
e2e_wait 10 alarm_colour >/dev/null || e2e_fail "the screen saver shows no alarm"
# The instrument first: with the share answering, the clock changes every second.
before=$(clock_changes 8)
((before >= 2)) || e2e_fail "the clock does not change while the share answers ($before changes in 2 s)"

kill -STOP "$SMB_SITE_PID_A"
during=$(clock_changes 16)
((during >= 3)) || e2e_fail "the clock stood still while the share hung ($during changes in 4 s)"
xdotool key a
prompt=$(e2e_wait 2 window_titled Password) || e2e_fail "no password prompt within 2 s of a key while the share hung"
xdotool windowactivate --sync "$prompt"
xdotool type Geheim
xdotool key Return
e2e_wait 5 gone >/dev/null || e2e_fail "the screen saver did not end within 5 s of its password while the share hung"
grep -qF 'Austauschverzeichnis antwortet nicht' "$dir/client.log" || e2e_fail "the hang was not reported"
kill -CONT "$SMB_SITE_PID_A"
echo "PASS: clock changes $before before and $during during the hang; prompt and end while hung"
