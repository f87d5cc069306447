# Cases of the desktops matrix: a notification area that comes up after the client, as at a login.
# Sourced after tests/e2e/site.sh; each case_NAME starts what it needs on the desktop it is given,
# which must have no notification area of its own (WITH_DESKTOP_TRAY=none).
# shellcheck shell=bash
# e2e_root, e2e_pid and e2e_pids come from site.sh.
# shellcheck disable=SC2154

# tray_docking_area: prints "yes" while a notification area that docks icons is on the screen (it
# owns the tray selection with a window that carries the tray's orientation).
tray_docking_area()
{
    local id
    for id in $(xwininfo -root -children | awk '$1 ~ /^0x/ { print $1 }'); do
        if xprop -id "$id" _NET_SYSTEM_TRAY_ORIENTATION 2>/dev/null | grep -q '= '; then
            echo yes
            return 0
        fi
    done
    return 0
}

# tray_session_bus: a message bus of the case's own for everything it starts from now on.
tray_session_bus()
{
    local out
    out=$(dbus-daemon --session --fork --print-address=1 --print-pid=1) || e2e_fail "dbus-daemon did not start"
    DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$out")
    export DBUS_SESSION_BUS_ADDRESS
    e2e_pids+=("$(sed -n 2p <<<"$out")")
}

# tray_start LOG CMD...: starts a program of the desktop in the background; sets tray_pid.
tray_start()
{
    local log=$1
    shift
    "$@" >"$e2e_root/$log" 2>&1 &
    tray_pid=$!
    e2e_pids+=("$tray_pid")
}

# tray_popup PID: the id of the visible popup menu of that process (a window above the window
# manager's reach, larger than an icon), if any.
tray_popup()
{
    local id
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        xwininfo -id "$id" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } /Override Redirect State: yes/ { o = 1 }
            END { exit !(o && w > 64 && h > 40) }' && echo "$id" && return 0
    done
    return 0
}

# tray_bar PID: the visible window of the bus notification area with that pid, wider than high.
tray_bar()
{
    local id
    for id in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        xwininfo -id "$id" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { exit !(w > 2 * h) }' && echo "$id" &&
            return 0
    done
    return 0
}

# tray_icon_place WINDOW [COLOUR]: "WxH+X+Y" of the part of the window in that colour (default: the
# normal icon's orange-red; the cut-off icon's warning sign is rgb(255,204,0)), once it shows.
tray_icon_place()
{
    local shot=$e2e_root/bar.png colour=${2:-rgb(255,69,0)} place
    import -window "$1" "$shot" 2>/dev/null || return 0
    # Everything but that colour goes black; what is left is the icon.
    place=$(convert "$shot" -fuzz 12% -fill black +opaque "$colour" -fill white -opaque "$colour" \
        -format '%@' info: 2>/dev/null)
    [[ $place =~ ^([0-9]+)x([0-9]+) ]] && ((BASH_REMATCH[1] >= 8 && BASH_REMATCH[2] >= 8)) && echo "$place"
    return 0
}

# tray_icon_gone WINDOW [COLOUR]: prints "gone" once the window shows nothing in that colour.
tray_icon_gone()
{
    [[ -z $(tray_icon_place "$@") ]] && echo gone
    return 0
}

# tray_info_window PID: the info window (362x177) of the client, once it shows.
tray_info_window()
{
    local id
    for id in $(e2e_windows "$1"); do
        [[ $(xwininfo -id "$id" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }') == 362x177 ]] &&
            echo "$id"
    done
    return 0
}

# tray_menu_text WINDOW: what OCR reads in a menu (enlarged, grey); empty when tesseract is missing.
tray_menu_text()
{
    command -v tesseract >/dev/null || return 0
    local shot=$e2e_root/menu.png
    import -window "$1" "$shot" 2>/dev/null || return 0
    convert "$shot" -resize 300% -colorspace Gray -normalize "$shot"
    tesseract "$shot" - -l deu 2>/dev/null || true
}

# tray_shot NAME: the whole screen into TELVOR_SCREENSHOT_DIR/NAME.png, where that asks for it.
tray_shot()
{
    [[ -n ${TELVOR_SCREENSHOT_DIR:-} ]] && import -window root "$TELVOR_SCREENSHOT_DIR/$1.png" 2>/dev/null
    return 0
}

# tray_check_info PID SHOT: the client's info window is open and shows "Quorvel".
tray_check_info()
{
    local pid=$1 info text
    info=$(e2e_wait 10 tray_info_window "$pid") || e2e_fail "\"Info\" did not open the info window"
    text=$(e2e_window_text "$info")
    tray_shot "$2-info"
    grep -q 'Quorvel' <<<"$text" || e2e_fail "the info window does not show \"Quorvel\": $text"
}

# tray_check_menu_labels WINDOW: the menu shows the three entries.
tray_check_menu_labels()
{
    local text label
    text=$(tray_menu_text "$1")
    for label in Info Einstellung 'Programm beenden'; do
        grep -q "$label" <<<"$text" || e2e_fail "the menu does not show \"$label\": $text"
    done
}

# tray_require_tools PROGRAM...: they are installed, and the desktop has no notification area yet.
tray_require_tools()
{
    local tool
    for tool in "$@" tesseract; do
        command -v "$tool" >/dev/null || e2e_fail "$tool is missing"
    done
    [[ -z $(tray_docking_area) ]] || e2e_fail "the desktop has a notification area already (WITH_DESKTOP_TRAY=none)"
}

# No notification area at the start; after 5 s a docking one (trayer) comes: the icon is docked,
# its menu opens on the right button, and "Info" opens the info window.
case_tray_late_xembed()
{
    local pid icon menu started
    tray_require_tools trayer dbus-daemon
    tray_session_bus
    e2e_station 41 'Alarm bei Station 41'
    e2e_start 41
    pid=$e2e_pid
    sleep 5
    [[ -z $(e2e_tray_icon "$pid") ]] || e2e_fail "an icon showed without a notification area"

    tray_start trayer.log trayer --edge top --align right --widthtype request --height 24 --SetDockType true
    started=$(e2e_now_ms)
    icon=$(e2e_wait 10 e2e_tray_icon "$pid") || e2e_fail "no icon in trayer's notification area"
    echo "figures: the icon was docked $(($(e2e_now_ms) - started)) ms after trayer started"
    [[ $(e2e_wait 5 e2e_icon_look "$icon") == normal ]] || e2e_fail "the docked icon is not the normal one"

    xdotool mousemove --window "$icon" 8 8 click 3
    menu=$(e2e_wait 5 tray_popup "$pid") || e2e_fail "the right button opened no menu"
    tray_shot tray-late-xembed-menu
    tray_check_menu_labels "$menu"
    xdotool key Down Return
    tray_check_info "$pid" tray-late-xembed
    echo "PASS: a docking notification area that came late shows the icon, its menu and \"Info\""
}

# No notification area at the start; after 5 s a watcher and a notification area on the message
# bus come (status-notifier-watcher, gtk-sni-tray-standalone): the icon shows in that area, its
# menu (the area's own, read from the bus) opens on the right button, "Info" opens the info
# window, a docking area that comes later gets no second icon, the area follows the cut-off icon,
# and the client never says that it found no notification area.
case_tray_late_sni()
{
    local pid started came area bar place x y w h menu
    tray_require_tools status-notifier-watcher gtk-sni-tray-standalone trayer dbus-daemon
    tray_session_bus
    e2e_station 42 'Alarm bei Station 42'
    e2e_start 42
    pid=$e2e_pid
    started=$(e2e_now_ms)
    sleep 5

    tray_start watcher.log status-notifier-watcher
    came=$(e2e_now_ms)
    # Without accessibility and settings services, which the bus would otherwise start for GTK.
    tray_start sni-tray.log env NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory gtk-sni-tray-standalone --bottom
    area=$tray_pid
    bar=$(e2e_wait 10 tray_bar "$area") || e2e_fail "gtk-sni-tray-standalone showed no bar"
    place=$(e2e_wait 10 tray_icon_place "$bar") || e2e_fail "no icon in the bus notification area"
    echo "figures: the icon showed $(($(e2e_now_ms) - came)) ms after the watcher started"
    [[ $place =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || e2e_fail "odd icon place $place"
    w=${BASH_REMATCH[1]} h=${BASH_REMATCH[2]} x=${BASH_REMATCH[3]} y=${BASH_REMATCH[4]}

    xdotool mousemove --window "$bar" $((x + w / 2)) $((y + h / 2)) click 3
    menu=$(e2e_wait 5 tray_popup "$area") || e2e_fail "the right button opened no menu in the bus notification area"
    tray_shot tray-late-sni-menu
    tray_check_menu_labels "$menu"
    xdotool key Down Return
    tray_check_info "$pid" tray-late-sni

    # A docking notification area that comes now must not get a second icon.
    tray_start trayer.log trayer --edge top --align right --widthtype request --height 24 --SetDockType true
    sleep 5
    tray_shot tray-late-sni-trayer
    [[ -z $(e2e_tray_icon "$pid") ]] || e2e_fail "a second icon docked into trayer"
    [[ -n $(tray_icon_place "$bar") ]] || e2e_fail "the icon left the bus notification area"

    # Cut off from the exchange directory: the area shows the grey icon with its warning sign.
    mv "$e2e_exchange" "$e2e_exchange.away"
    e2e_wait 30 tray_icon_place "$bar" 'rgb(255,204,0)' >/dev/null || e2e_fail "the area did not show the cut-off icon"
    [[ -z $(tray_icon_place "$bar") ]] || e2e_fail "the area shows the normal icon beside the cut-off one"
    tray_shot tray-late-sni-cut-off
    mv "$e2e_exchange.away" "$e2e_exchange"
    e2e_wait 15 tray_icon_gone "$bar" 'rgb(255,204,0)' >/dev/null || e2e_fail "the cut-off icon stayed"
    e2e_wait 5 tray_icon_place "$bar" >/dev/null || e2e_fail "the normal icon did not come back"

    # The report of a missing notification area would come a minute after the start.
    while (($(e2e_now_ms) - started < 62000)); do
        sleep 1
    done
    ! grep -q 'Kein Infobereich gefunden' "$e2e_root/station42/client.log" ||
        e2e_fail "the client said that it found no notification area"
    echo "PASS: a notification area on the message bus that came late shows the icon, its menu and \"Info\""
}
