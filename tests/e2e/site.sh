# Helpers for tests that run real stations: source this file, then call the functions.
# Needs TELVOR_BIN_DIR (the built programs) and a desktop (DISPLAY with a window manager).

e2e_root=$(mktemp -d "${TMPDIR:-/tmp}/telvor-e2e.XXXXXX")
e2e_exchange=$e2e_root/exchange
mkdir -p "$e2e_exchange"
e2e_pids=()

e2e_cleanup()
{
    local pid
    for pid in "${e2e_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${e2e_pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$e2e_root"
}
trap e2e_cleanup EXIT

e2e_fail()
{
    echo "FAIL: $*" >&2
    local log
    for log in "$e2e_root"/station*/client.log; do
        [[ -s $log ]] && { echo "--- $log" >&2; sed 's/^/    /' "$log" >&2; }
    done
    exit 1
}

# e2e_user_dir ID: the per-user directory of station ID with the client's private runtime
# directory in it, and nothing else: the state of a user who never ran the client.
e2e_user_dir()
{
    local dir=$e2e_root/station$1
    mkdir -p "$dir/runtime"
    chmod 0700 "$dir/runtime"
}

# e2e_station ID TEXT [EXCHANGE]: a per-user directory with TELVOR.DAT (Windows-1252, CR LF) for
# station ID on EXCHANGE (default: the site's local exchange directory): beeps, reception on, port
# disabled, button test off, event log on, alarm shown in a window.
e2e_station()
{
    local id=$1 text=$2 exchange=${3:-$e2e_exchange} dir=$e2e_root/station$1
    e2e_user_dir "$id"
    printf '[%s/][1][%s][kein][][%s][0][1][ 120][1]\r\n 1 \r\nStation %s\r\n\r\n\r\n 0 \r\n' \
        "$exchange" "$id" "$text" "$id" | iconv -f UTF-8 -t WINDOWS-1252 >"$dir/TELVOR.DAT"
}

# e2e_start ID: starts the client of station ID; sets e2e_pid.
e2e_start()
{
    local dir=$e2e_root/station$1
    APPDATA=$dir XDG_RUNTIME_DIR=$dir/runtime "$TELVOR_BIN_DIR/telvor" >"$dir/client.log" 2>&1 &
    e2e_pid=$!
    e2e_pids+=("$e2e_pid")
}

# e2e_trigger ID: runs the soft trigger of station ID.
e2e_trigger()
{
    local dir=$e2e_root/station$1
    APPDATA=$dir "$TELVOR_BIN_DIR/telvorstart" || e2e_fail "telvorstart of station $1 exited with $?"
}

# e2e_windows PID: the visible windows of the client with that pid titled with the company caption.
e2e_windows()
{
    local id
    for id in $(xdotool search --onlyvisible --name '^ORSKA KVT GmbH$' 2>/dev/null); do
        [[ $(xdotool getwindowpid "$id" 2>/dev/null) == "$1" ]] && echo "$id"
    done
    return 0
}

# e2e_alarm_window PID: the id of its alarm window (the one that is not minimised), if any.
e2e_alarm_window()
{
    local id
    for id in $(e2e_windows "$1"); do
        xprop -id "$id" _NET_WM_STATE 2>/dev/null | grep -q _NET_WM_STATE_HIDDEN && continue
        echo "$id"
        return 0
    done
    return 0
}

# e2e_tray_icon PID: the window of the client's icon in the notification area, once it is there.
e2e_tray_icon()
{
    # The one small window of the client that is not one of its captioned windows.
    local id size
    for id in $(xdotool search --all --onlyvisible --pid "$1" --classname '^telvor$' 2>/dev/null); do
        [[ $(xdotool getwindowname "$id" 2>/dev/null) == 'ORSKA KVT GmbH' ]] && continue
        size=$(xwininfo -id "$id" 2>/dev/null | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print (w <= 64 && h <= 64) }')
        [[ $size == 1 ]] && echo "$id" && return 0
    done
    return 0
}

# e2e_tray_choose ICON KEY...: opens the icon's menu with the right button and chooses with the
# keys (Down Return: the first entry, "Info"; Up Return: the last, "Programm beenden").
e2e_tray_choose()
{
    local icon=$1
    shift
    xdotool mousemove --window "$icon" 8 8 click 3
    sleep 0.5
    xdotool key "$@"
}

# e2e_icon_look ICON: "normal" for the orange-red icon, "cut-off" for the grey one, by its mean colour.
e2e_icon_look()
{
    local r g
    read -r r g < <(import -window "$1" png:- 2>/dev/null |
        convert png:- -scale '1x1!' -format '%[fx:int(255*r)] %[fx:int(255*g)]\n' info:)
    if ((r - g > 100)); then
        echo normal
    elif ((r - g < 60 && g - r < 60)); then
        echo cut-off
    fi
    return 0
}

# e2e_wait SECONDS CMD...: polls CMD every 50 ms until it prints something; prints that.
e2e_wait()
{
    local limit=$1 out i
    shift
    for ((i = 0; i < limit * 20; i++)); do
        out=$("$@")
        if [[ -n $out ]]; then
            echo "$out"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

e2e_file_exists()
{
    [[ -e $1 ]] && echo yes
    return 0
}

e2e_file_gone()
{
    [[ -e $1 ]] || echo gone
    return 0
}

e2e_now_ms()
{
    date +%s%3N
}

# e2e_window_text WINDOW: the text that OCR reads in the window (several captures, since it
# flashes); empty when tesseract is missing.
e2e_window_text()
{
    command -v tesseract >/dev/null || return 0
    local i shot=$e2e_root/window.png
    for ((i = 0; i < 3; i++)); do
        import -window "$1" "$shot" 2>/dev/null || continue
        # Read twice: in grey, and by the brightest channel, which turns black letters on the alarm's
        # red as black on white as on its white (but would lose dark red letters on white).
        convert "$shot" -resize 300% -colorspace Gray -normalize "$shot.grey.png"
        convert "$shot" -fx 'max(r,max(g,b))' -resize 300% -colorspace Gray -normalize "$shot.bright.png"
        tesseract "$shot.grey.png" - -l deu 2>/dev/null || true
        tesseract "$shot.bright.png" - -l deu 2>/dev/null || true
        sleep 0.3
    done
}

# Controls are placed in twips from the top left of a window's client area, 15 twips to a pixel.
# e2e_click WINDOW LEFT TOP WIDTH HEIGHT: a click into the middle of that rectangle, as a person's
# mouse gives it (a check box takes clicks on its box and caption only: pass the box's square).
e2e_click()
{
    xdotool mousemove --window "$1" $((($2 + $4 / 2) / 15)) $((($3 + $5 / 2) / 15)) click 1
}

# e2e_control_image WINDOW LEFT TOP WIDTH HEIGHT FILE: a screenshot of that rectangle into FILE.
e2e_control_image()
{
    import -window "$1" -crop "$(($4 / 15))x$(($5 / 15))+$(($2 / 15))+$(($3 / 15))" +repage "$6" 2>/dev/null
}

# e2e_control_drawn WINDOW LEFT TOP WIDTH HEIGHT: prints "drawn" once the rectangle holds more
# than the plain colour of the window behind it (a control was shown there).
e2e_control_drawn()
{
    local shot=$e2e_root/control.png
    e2e_control_image "$@" "$shot" || return 0
    (($(convert "$shot" -format %k info:) > 1)) && echo drawn
    return 0
}

# e2e_control_text WINDOW LEFT TOP WIDTH HEIGHT: the line of text that OCR reads in that
# rectangle; empty when tesseract is missing.
e2e_control_text()
{
    command -v tesseract >/dev/null || return 0
    local shot=$e2e_root/control.png
    e2e_control_image "$@" "$shot" || return 0
    convert "$shot" -resize 400% -colorspace Gray -normalize "$shot"
    tesseract "$shot" - -l deu --psm 7 2>/dev/null || true
}

# e2e_window_hidden WINDOW: prints "hidden" once the window is no longer on the screen.
e2e_window_hidden()
{
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable' || echo hidden
    return 0
}
