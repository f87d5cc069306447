# Helpers for tests that run real stations on the two mounts of an SMB site: source this file at
# the top of a test. A test started on its own (not yet inside tests/e2e/smb/smb-site) runs again
# inside it, so that every test can be started by hand and by CTest the same way.
# Needs TELVOR_BIN_DIR (the built programs) and a desktop (DISPLAY with a window manager).
# shellcheck shell=bash

smb_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Without a display no window can be looked at: a skip on a developer's machine, a failure in CI.
if [[ -z ${DISPLAY:-} ]]; then
    if [[ -n ${CI:-} ]]; then
        echo "FAIL: no display under CI (run inside tests/support/with-desktop)" >&2
        exit 1
    fi
    echo "SKIP: no display (run inside tests/support/with-desktop)"
    exit 77
fi
if [[ -z ${TELVOR_BIN_DIR:-} || ! -x $TELVOR_BIN_DIR/telvor || ! -x $TELVOR_BIN_DIR/telvorstart ]]; then
    echo "FAIL: TELVOR_BIN_DIR must name the directory of the built telvor and telvorstart" >&2
    exit 1
fi
for tool in xdotool xprop xwininfo import iconv xxd; do
    command -v "$tool" >/dev/null || {
        echo "FAIL: $tool is missing (run scripts/install-deps)" >&2
        exit 1
    }
done
if [[ -z ${SMB_SITE_SHARE:-} ]]; then
    exec bash "$smb_here/smb-site" bash "$0" "$@"
fi

# The generic station helpers (windows, waits, OCR); their exchange directory is not used here.
source "$smb_here/../site.sh"

smb_cleanup()
{
    # A test that fails during a hang leaves no station stopped behind it: the clients must be
    # able to end, and the mounts to be unmounted.
    kill -CONT "$SMB_SITE_PID_A" "$SMB_SITE_PID_B" 2>/dev/null || true
    e2e_cleanup
}
trap smb_cleanup EXIT

# smb_station ID TEXT EXCHANGE: station ID whose exchange directory is EXCHANGE, a path on one of
# the mounts (see e2e_station).
smb_station()
{
    e2e_station "$@"
}

# smb_two_stations TEXT7 TEXT12 [CMD...]: the site of most tests: station 7 on mount B and station 12
# on mount A, with these alarm texts, both started; sets pid7 and pid12. Without CMD it waits until
# both alarm texts are on the server. With CMD, station 7 is started and its text waited for, then
# CMD runs (to plant or hold a file on the share), then station 12 starts; its text is not waited
# for, since CMD may keep it from being written.
# shellcheck disable=SC2034 # pid7 and pid12 are for the test that sources this file
smb_two_stations()
{
    local text7=$1 text12=$2
    shift 2
    smb_station 7 "$text7" "$SMB_SITE_B"
    smb_station 12 "$text12" "$SMB_SITE_A"
    smb_start 7
    pid7=$e2e_pid
    if (($# > 0)); then
        smb_wait_alarm_text 7 "$text7"
        "$@"
        smb_start 12
        pid12=$e2e_pid
        return 0
    fi
    smb_start 12
    pid12=$e2e_pid
    smb_wait_alarm_text 12 "$text12"
    smb_wait_alarm_text 7 "$text7"
}

# smb_start ID: starts the client of station ID; sets e2e_pid. Its standard error goes to
# client.log (shown when a test fails), its standard output to client.out. Descriptors 3 to 9
# are the test's (files it holds open on a mount to play another station): a client that
# inherited one would hold that file open itself.
smb_start()
{
    local dir=$e2e_root/station$1
    APPDATA=$dir XDG_RUNTIME_DIR=$dir/runtime "$TELVOR_BIN_DIR/telvor" >"$dir/client.out" 2>"$dir/client.log" \
        3<&- 4<&- 5<&- 6<&- 7<&- 8<&- 9<&- &
    e2e_pid=$!
    e2e_pids+=("$e2e_pid")
}

# smb_trigger ID: runs the soft trigger of station ID (without the test's descriptors).
smb_trigger()
{
    local dir=$e2e_root/station$1 status=0
    APPDATA=$dir "$TELVOR_BIN_DIR/telvorstart" 3<&- 4<&- 5<&- 6<&- 7<&- 8<&- 9<&- || status=$?
    ((status == 0)) || e2e_fail "telvorstart of station $1 exited with $status"
}

# smb_stderr ID: what the client of station ID wrote to standard error so far.
smb_stderr()
{
    cat "$e2e_root/station$1/client.log" 2>/dev/null || true
}

# smb_event_log ID: station ID's event log, in UTF-8 with LF line ends.
smb_event_log()
{
    local log=$e2e_root/station$1/telvor.log
    [[ -e $log ]] || return 0
    iconv -f WINDOWS-1252 -t UTF-8 "$log" | tr -d '\r'
}

# smb_server_text FILE: a file of the share as the server holds it, in UTF-8 with CR shown as "|".
smb_server_text()
{
    iconv -f WINDOWS-1252 -t UTF-8 "$SMB_SITE_SHARE/$1" | tr '\r' '|'
}

# smb_alarm_text ID TEXT: what MDAT<ID>.KVT holds for a station set up by smb_station.
smb_alarm_text()
{
    echo "$2|Station $1||"
}

smb_text_is()
{
    [[ -f $SMB_SITE_SHARE/$1 && $(smb_server_text "$1") == "$2" ]] && echo yes
    return 0
}

# smb_wait_alarm_text ID TEXT: waits until station ID's alarm text, as smb_station set it up, is
# on the server; fails the test with the bytes that are there otherwise.
smb_wait_alarm_text()
{
    e2e_wait 15 smb_text_is "MDAT$1.KVT" "$(smb_alarm_text "$1" "$2")" >/dev/null ||
        e2e_fail "MDAT$1.KVT is not on the server as station $1 writes it: $(xxd "$SMB_SITE_SHARE/MDAT$1.KVT" 2>&1)"
}

# smb_server_files: the names in the share's backing directory, one a line, sorted.
smb_server_files()
{
    find "$SMB_SITE_SHARE" -mindepth 1 -maxdepth 1 -printf '%f\n' | LC_ALL=C sort
}

# smb_log_has ID TEXT: prints the time (ms) once the client's standard error contains TEXT.
smb_log_has()
{
    grep -qaF -- "$2" "$e2e_root/station$1/client.log" 2>/dev/null && e2e_now_ms
    return 0
}

smb_alive()
{
    local pid
    for pid; do
        kill -0 "$pid" 2>/dev/null || e2e_fail "a client ended (pid $pid)"
    done
}

# smb_close_window WINDOW: closes it the way a person does (the window manager's close, Alt+F4),
# which the client sees as a close event, not as a destroyed window.
smb_close_window()
{
    xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
    xdotool key --clearmodifiers alt+F4
}

# smb_no_alarm_window PID: prints "none" while the client with that pid shows no alarm window.
smb_no_alarm_window()
{
    [[ -z $(e2e_alarm_window "$1") ]] && echo none
    return 0
}

# smb_colour WINDOW X Y: "red", "white" or "other" for the pixel at X,Y of the window's contents;
# nothing when the window cannot be captured.
smb_colour()
{
    local pixel
    pixel=$(import -window "$1" -crop "1x1+$2+$3" +repage -depth 8 txt:- 2>/dev/null | grep -o '#[0-9A-Fa-f]\{6\}' | head -n 1) ||
        return 0
    case ${pixel^^} in
    '#FF0000') echo red ;;
    '#FFFFFF') echo white ;;
    '') ;;
    *) echo other ;;
    esac
}

# smb_window_size WINDOW: "WIDTH HEIGHT" of its contents.
smb_window_size()
{
    xwininfo -id "$1" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }'
}

# smb_sample_flashes WINDOW SECONDS OUT: samples one pixel of the alarm window's background as
# often as the screenshots allow, for SECONDS; writes "ms colour" lines to OUT. The pixel lies
# below the picture at the top left and left of the text, where only the background is.
smb_sample_flashes()
{
    local window=$1 seconds=$2 out=$3 end size height x y colour
    : >"$out"
    end=$(($(e2e_now_ms) + seconds * 1000))
    while (($(e2e_now_ms) < end)); do
        # The window may grow to fit its text at a switch to red: the point follows its height.
        size=$(smb_window_size "$window" 2>/dev/null) || size=
        read -r _ height <<<"$size"
        if [[ -n ${height:-} ]] && ((height > 20)); then
            x=20
            y=$((height - 6))
            colour=$(smb_colour "$window" "$x" "$y")
            echo "$(e2e_now_ms) ${colour:-none}" >>"$out"
        fi
        sleep 0.05
    done
}

# smb_flash_figures FILE: "SAMPLES CHANGES LONGEST_STEADY_MS" for samples written by
# smb_sample_flashes: the number of red<->white changes between consecutive red/white samples and
# the longest time between two changes (or from the first sample to the first change, or from the
# last change to the last sample).
smb_flash_figures()
{
    awk '
        $2 == "red" || $2 == "white" {
            n++
            if (n == 1) { first = $1; since = $1 }
            if (n > 1 && $2 != last) {
                changes++
                if ($1 - since > longest) longest = $1 - since
                since = $1
            }
            last = $2; lastms = $1
        }
        END {
            if (n > 0 && lastms - since > longest) longest = lastms - since
            printf "%d %d %d\n", n, changes, longest
        }' "$1"
}
