# shellcheck shell=bash
# Desktop cases of the alarm screen saver under the real screen-saver hosts of Debian 12: the
# xscreensaver and mate-screensaver daemons run PendraSaver as their only saver. A screenshot shows
# the clock on black; a station's alarm then shows its text on a colour that changes at every
# refresh. Sourced with tests/e2e/site.sh; each case_* function is one case.
# e2e_root, e2e_exchange and TELVOR_BIN_DIR come from site.sh and its caller.
# shellcheck disable=SC2154

# Station IDs are machine-wide (a second session of one only receives): one that no other test uses.
saver_station_id=63
saver_alarm_text="Überfall in Büro $saver_station_id"
saver_packaging=$(cd "$(dirname "${BASH_SOURCE[0]}")/../../packaging" && pwd)

saver_skip()
{
    echo "SKIP: $*"
    exit 77
}

# saver_home NAME: a private home whose PendraSaver settings look into the site's exchange
# directory twice a second; prints its path.
saver_home()
{
    local home=$e2e_root/$1
    mkdir -p "$home/.config/PendraSaver"
    printf '[Config]\nInterval=500\nPfad=%s/\n' "$e2e_exchange" >"$home/.config/PendraSaver/PendraSaver.ini"
    echo "$home"
}

# saver_colour IMAGE X Y: the colour of that pixel as #RRGGBB.
saver_colour()
{
    convert "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-F]\{6\}' | head -n 1 || true
}

# saver_clock_on_black: prints what OCR reads of the clock below the lamp once the screen is black
# and the clock shows the time of this minute (or of the one before).
saver_clock_on_black()
{
    local shot=$e2e_root/saver-clock.png before after text
    before=$(date +%H:%M)
    import -window root "$shot" 2>/dev/null || return 0
    after=$(date +%H:%M)
    [[ $(saver_colour "$shot" 1000 700) == '#000000' && $(saver_colour "$shot" 640 400) == '#000000' ]] || return 0
    text=$(convert "$shot" -crop 160x30+0+86 +repage -resize 400% -colorspace Gray -negate -normalize png:- |
        tesseract - - --psm 7 2>/dev/null) || return 0
    [[ $text == *"$before"* || $text == *"$after"* ]] && echo "$text"
    return 0
}

# saver_alarm_colour: the colour of the screen away from the texts, when it is not black.
saver_alarm_colour()
{
    local shot=$e2e_root/saver-colour.png colour
    import -window root "$shot" 2>/dev/null || return 0
    colour=$(saver_colour "$shot" 1000 700)
    [[ -n $colour && $colour != '#000000' ]] && echo "$colour"
    return 0
}

# saver_alarm_read: the alarm text line when OCR finds it below the clock.
saver_alarm_read()
{
    local shot=$e2e_root/saver-text.png
    import -window root -crop 1280x200+0+110 +repage "$shot" 2>/dev/null || return 0
    convert "$shot" -colorspace Gray -normalize "$shot"
    tesseract "$shot" - -l deu 2>/dev/null | grep -F "$saver_alarm_text" || true
}

# saver_station: the station runs and has written its alarm text.
saver_station()
{
    e2e_station "$saver_station_id" "$saver_alarm_text"
    e2e_start "$saver_station_id"
    e2e_wait 10 e2e_file_exists "$e2e_exchange/MDAT$saver_station_id.KVT" >/dev/null ||
        e2e_fail "station $saver_station_id wrote no alarm text"
}

# saver_clock HOST: waits for the clock on black; sets saver_clock_ms (from now).
saver_clock()
{
    local start_ms
    start_ms=$(e2e_now_ms)
    e2e_wait 15 saver_clock_on_black >/dev/null || {
        import -window root "$e2e_root/saver-failed.png" 2>/dev/null
        e2e_fail "$1: no clock on black (screen: $(saver_colour "$e2e_root/saver-failed.png" 1000 700))"
    }
    saver_clock_ms=$(($(e2e_now_ms) - start_ms))
}

# saver_alarm HOST: the station raises its alarm; the screen takes new colours and OCR reads the
# text. Sets saver_alarm_ms (trigger to the first colour) and saver_colours (distinct colours seen
# in 8 looks 300 ms apart).
saver_alarm()
{
    local start_ms colour seen=() i
    start_ms=$(e2e_now_ms)
    e2e_trigger "$saver_station_id"
    colour=$(e2e_wait 10 saver_alarm_colour) || e2e_fail "$1: the screen stays black during the alarm"
    saver_alarm_ms=$(($(e2e_now_ms) - start_ms))
    seen+=("$colour")
    for ((i = 0; i < 8; i++)); do
        sleep 0.3
        colour=$(saver_alarm_colour)
        [[ -n $colour ]] && seen+=("$colour")
    done
    saver_colours=$(printf '%s\n' "${seen[@]}" | sort -u | wc -l)
    ((saver_colours >= 2)) || e2e_fail "$1: the alarm's colour does not change (${seen[*]})"
    e2e_wait 8 saver_alarm_read >/dev/null || e2e_fail "$1: OCR does not find \"$saver_alarm_text\" on the screen"
}

# saver_answers CMD...: prints what CMD prints when it succeeds, and nothing of its errors.
saver_answers()
{
    "$@" 2>/dev/null || true
}

# saver_embedded HOST PID: the saver of that process draws inside the window its host handed it.
saver_embedded()
{
    local window
    window=$(tr '\0' '\n' <"/proc/$2/environ" | sed -n 's/^XSCREENSAVER_WINDOW=//p')
    [[ -n $window ]] || e2e_fail "$1 gave PendraSaver no window"
    xwininfo -id "$window" -children 2>/dev/null | grep -q '"PENDRASaver"' ||
        e2e_fail "PendraSaver does not draw inside the window $window of $1"
}

# saver_gone PID: prints "gone" once the process has ended.
saver_gone()
{
    kill -0 "$1" 2>/dev/null || echo gone
    return 0
}

case_saver_xscreensaver()
{
    command -v xscreensaver >/dev/null || saver_skip "xscreensaver is not installed"
    command -v tesseract >/dev/null || saver_skip "tesseract is not installed"
    # xscreensaver runs no hack for root: as root it runs in a user namespace of its own, where
    # it is not root and still reads the files of the case.
    local as_user=()
    if ((EUID == 0)); then
        as_user=(unshare --user)
        "${as_user[@]}" true 2>/dev/null || saver_skip "xscreensaver runs no saver as root, and no user namespace is allowed here"
    fi
    local home log pid forks screens hack
    home=$(saver_home xscreensaver)
    log=$e2e_root/xscreensaver.log
    # As xscreensaver 6 writes its hacks' lines: --root. The program is reached through a link,
    # as through the package's link in xscreensaver's folder.
    mkdir -p "$e2e_root/hacks"
    ln -s "$TELVOR_BIN_DIR/PendraSaver" "$e2e_root/hacks/PendraSaver"
    cat >"$home/.xscreensaver" <<EOF
mode: one
selected: 0
timeout: 1:00:00
cycle: 1:00:00
lock: False
splash: False
fade: False
unfade: False
dpmsEnabled: False
programs: $e2e_root/hacks/PendraSaver --root \\n\\

EOF
    saver_station
    HOME=$home LANG=C.UTF-8 "${as_user[@]}" env -u LC_ALL -u LC_TIME -u XDG_CONFIG_HOME \
        xscreensaver --no-splash --verbose >"$log" 2>&1 &
    pid=$!
    e2e_pids+=("$pid")
    e2e_wait 10 saver_answers env HOME="$home" "${as_user[@]}" xscreensaver-command -version >/dev/null ||
        e2e_fail "xscreensaver did not start: $(tail -n 5 "$log")"
    HOME=$home "${as_user[@]}" xscreensaver-command -activate >/dev/null || e2e_fail "xscreensaver-command -activate failed"
    saver_clock xscreensaver
    saver_alarm xscreensaver

    # One PendraSaver per screen, started once, still running: no crash, no restart.
    screens=$(sed -n 's/.*screens in use: \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    forks=$(grep -c 'forked ".*PendraSaver --root" in pid' "$log" || true)
    [[ $forks == "${screens:-1}" ]] || e2e_fail "xscreensaver started PendraSaver $forks times on ${screens:-1} screens: $(grep -E 'forked|child pid' "$log")"
    ! grep -E 'child pid .*PendraSaver' "$log" || e2e_fail "xscreensaver saw PendraSaver end"
    hack=$(sed -n 's/.*forked ".*PendraSaver --root" in pid \([0-9]*\).*/\1/p' "$log" | head -n 1)
    kill -0 "$hack" 2>/dev/null || e2e_fail "PendraSaver (pid $hack) has ended"
    saver_embedded xscreensaver "$hack"

    HOME=$home "${as_user[@]}" xscreensaver-command -deactivate >/dev/null || true
    e2e_wait 5 saver_gone "$hack" >/dev/null || e2e_fail "PendraSaver outlives the end of the screen saver"
    echo "figures: xscreensaver: -activate to the clock $saver_clock_ms ms, trigger to the alarm's colour $saver_alarm_ms ms, $saver_colours colours in 9 looks over 2.4 s"
    echo "PASS: xscreensaver runs PendraSaver --root: the clock on black, then the alarm's text on changing colours"
}

case_saver_mate()
{
    command -v mate-screensaver >/dev/null || saver_skip "mate-screensaver is not installed"
    command -v gsettings >/dev/null || saver_skip "gsettings is missing (libglib2.0-bin)"
    command -v tesseract >/dev/null || saver_skip "tesseract is not installed"
    # mate-screensaver runs only savers that lie in its own folder or in xscreensaver's: a private
    # mount namespace puts the build's program there without touching the machine. A user who is
    # not root mounts as root of a user namespace, and then becomes itself again, which the
    # session bus asks of its clients.
    local hack_dir=/usr/libexec/xscreensaver ns=(unshare --mount) as_self=()
    [[ -d $hack_dir ]] || saver_skip "$hack_dir is missing (xscreensaver is not installed)"
    if ((EUID != 0)); then
        ns=(unshare --map-root-user --mount)
        as_self=(unshare --map-user="$(id -u)" --map-group="$(id -g)")
    fi
    "${ns[@]}" "${as_self[@]}" true 2>/dev/null ||
        saver_skip "no private mount namespace allowed here to place the saver in $hack_dir"
    local home log bus address bus_pid dconf_pid pid hack
    home=$(saver_home mate)
    log=$e2e_root/mate-screensaver.log
    mkdir -p "$e2e_root/mate-hacks" "$home/.local/share/applications/screensavers"
    ln -s "$TELVOR_BIN_DIR/PendraSaver" "$e2e_root/mate-hacks/PendraSaver"
    cp "$saver_packaging/screensavers/org.example.PendraSaver.desktop" "$home/.local/share/applications/screensavers/"

    # A session bus of its own; dconf, started by it, keeps the settings in the private home.
    bus=$(env -u XDG_CONFIG_HOME HOME="$home" dbus-daemon --session --fork --print-address=1 --print-pid=1) ||
        e2e_fail "no session bus"
    { read -r address && read -r bus_pid; } <<<"$bus"
    e2e_pids+=("$bus_pid")
    local session=(env -u XDG_CONFIG_HOME -u LC_ALL -u LC_TIME HOME="$home" DBUS_SESSION_BUS_ADDRESS="$address"
        XDG_CURRENT_DESKTOP=MATE LANG=C.UTF-8 NO_AT_BRIDGE=1)
    # What choosing the saver in MATE's screen-saver settings stores.
    "${session[@]}" gsettings set org.mate.screensaver mode single
    "${session[@]}" gsettings set org.mate.screensaver themes "['screensavers-org.example.PendraSaver']"
    "${session[@]}" gsettings set org.mate.screensaver lock-enabled false
    [[ $("${session[@]}" gsettings get org.mate.screensaver mode) == "'single'" ]] ||
        e2e_fail "the settings do not last beyond one gsettings call (no dconf back end?)"
    dconf_pid=$("${session[@]}" dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetConnectionUnixProcessID string:ca.desrt.dconf 2>/dev/null | awk '/uint32/ { print $2 }')
    [[ -n $dconf_pid ]] && e2e_pids+=("$dconf_pid")

    saver_station
    # shellcheck disable=SC2016 # the inner shell expands them
    "${session[@]}" "${ns[@]}" sh -c 'mount --bind "$1" "$2" && shift 2 && exec "$@"' sh \
        "$e2e_root/mate-hacks" "$hack_dir" "${as_self[@]}" mate-screensaver --no-daemon --debug >"$log" 2>&1 &
    pid=$!
    e2e_pids+=("$pid")
    e2e_wait 10 saver_answers "${session[@]}" mate-screensaver-command --query >/dev/null ||
        e2e_fail "mate-screensaver did not start: $(grep -v '^\[' "$log" | tail -n 5)"
    "${session[@]}" mate-screensaver-command --activate || e2e_fail "mate-screensaver-command --activate failed"
    saver_clock mate-screensaver
    hack=$(pgrep -P "$pid" -x PendraSaver | head -n 1 || true)
    [[ -n $hack ]] || e2e_fail "mate-screensaver runs no PendraSaver: $(grep -E 'job|command' "$log" | tail -n 5)"
    [[ $(tr '\0' ' ' <"/proc/$hack/cmdline") == 'PendraSaver -root ' ]] ||
        e2e_fail "mate-screensaver started: $(tr '\0' ' ' <"/proc/$hack/cmdline")"
    [[ /proc/$hack/exe -ef $TELVOR_BIN_DIR/PendraSaver ]] ||
        e2e_fail "mate-screensaver started $(readlink "/proc/$hack/exe"), not the program of this build"
    saver_embedded mate-screensaver "$hack"
    saver_alarm mate-screensaver
    [[ $(pgrep -P "$pid" -x PendraSaver | head -n 1 || true) == "$hack" ]] || e2e_fail "mate-screensaver restarted PendraSaver"

    "${session[@]}" mate-screensaver-command --deactivate >/dev/null || true
    e2e_wait 5 saver_gone "$hack" >/dev/null || e2e_fail "PendraSaver outlives the end of the screen saver"
    echo "figures: mate-screensaver: --activate to the clock $saver_clock_ms ms, trigger to the alarm's colour $saver_alarm_ms ms, $saver_colours colours in 9 looks over 2.4 s"
    echo "PASS: mate-screensaver runs the PendraSaver theme: the clock on black, then the alarm's text on changing colours"
}
