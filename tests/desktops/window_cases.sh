# shellcheck shell=bash disable=SC2154 # e2e_root and the e2e_ functions come from tests/e2e/site.sh
# The alarm window among other programs' windows, as a person at the receiving station sees it:
# screenshots of the whole screen, never the window manager's stacking list (some misreport it).
# Station 8 raises the alarm; station 7 shows it. A probe program plays the other windows.

probe=${TELVOR_PROBE:-$(dirname "$TELVOR_BIN_DIR")/tests/desktop_probe}
alarm_window=
work_keys=$e2e_root/typed

# window_named TITLE: the visible window with exactly that title, once it is there.
window_named()
{
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1
    return 0
}

# Starts both stations and a window of ordinary work that has the keyboard, then raises the alarm.
setup_window()
{
    e2e_station 7 'Alarm bei Station 7'
    e2e_station 8 'Überfall Station 8 Kasse'
    e2e_start 7
    receiver=$e2e_pid
    e2e_start 8
    "$probe" --title Arbeit --colour '#208020' --keys "$work_keys" &
    e2e_pids+=($!)
    work_window=$(e2e_wait 10 window_named Arbeit) ||
        e2e_fail "the window of ordinary work did not open"
    # The clients need a moment to load before the trigger is seen.
    sleep 2
    xdotool windowactivate "$work_window" 2>/dev/null
    e2e_trigger 8
    alarm_window=$(e2e_wait 15 e2e_alarm_window "$receiver") || e2e_fail "no alarm window at station 7"
}

# alarm_cover: the percentage of the alarm window's inside that shows red or white on the screen.
alarm_cover()
{
    local x=0 y=0 w=0 h=0 shot=$e2e_root/screen.png
    eval "$(xwininfo -id "$alarm_window" | awk '/Absolute upper-left X/ { print "x=" $4 } /Absolute upper-left Y/ { print "y=" $4 }
        /Width:/ { print "w=" $2 } /Height:/ { print "h=" $2 }')"
    import -window root "$shot" 2>/dev/null || { echo 0; return; }
    convert "$shot" -crop "${w}x${h}+${x}+${y}" +repage -fuzz 20% -fill white -opaque red \
        -fill black +opaque white -format '%[fx:int(100*mean)]' info:
}

# expect_seen WHAT: fails unless at least half of the alarm window shows red or white.
expect_seen()
{
    local cover
    cover=$(alarm_cover)
    ((cover >= 50)) || {
        cp "$e2e_root/screen.png" "${TELVOR_DESKTOPS_SHOTS:-$e2e_root}/hidden-$WITH_DESKTOP_WM.png" 2>/dev/null
        e2e_fail "$1: only $cover % of the alarm window is seen"
    }
}

case_window_over_normal()
{
    sleep 1
    expect_seen "over an ordinary window"
    [[ $(xdotool getactivewindow) == "$alarm_window" ]] || e2e_fail "the alarm did not take the keyboard on arrival"
    echo "PASS: the alarm came over an ordinary window and took the keyboard"
}

case_window_typing()
{
    local text=Sehr-geehrte-Damen-und-Herren-12345
    xdotool mousemove --window "$work_window" 20 20 click 1
    sleep 0.3
    : >"$work_keys"
    # Over four seconds, through eight switches of colour.
    xdotool type --delay 110 "$text"
    sleep 0.3
    [[ $(cat "$work_keys") == "$text" ]] ||
        e2e_fail "typed \"$text\" into another window while the alarm flashed; it received \"$(cat "$work_keys")\""
    expect_seen "while typing elsewhere"
    echo "PASS: ${#text} of ${#text} characters typed elsewhere while the alarm flashed arrived"
}

case_window_minimised()
{
    xdotool windowminimize "$alarm_window"
    sleep 1.5
    expect_seen "after it was minimised"
    echo "PASS: the minimised alarm came back"
}

case_window_over_fullscreen()
{
    local click presentation
    "$probe" --fullscreen --title Präsentation --colour '#2040c0' &
    presentation=$!
    e2e_pids+=("$presentation")
    e2e_wait 10 window_named Präsentation >/dev/null ||
        e2e_fail "the full-screen program did not open"
    sleep 1
    expect_seen "when a full-screen program opened"
    for click in 1 2 3 4 5; do
        # Back into the presentation, beside the alarm window.
        xdotool mousemove 40 "$((200 + click * 40))" click 1
        sleep 1
        expect_seen "1 s after click $click into the full-screen program"
    done
    kill "$presentation"
    echo "PASS: the alarm was seen 1 s after each of 5 clicks into a full-screen program"
}

# With two screens the alarm window lies whole on one of them, frame included.
case_window_two_screens()
{
    local x y w h left right top bottom
    read -r left right top bottom < <(xprop -id "$alarm_window" _NET_FRAME_EXTENTS | tr -d ',' | awk '{ print $3, $4, $5, $6 }')
    eval "$(xwininfo -id "$alarm_window" | awk '/Absolute upper-left X/ { print "x=" $4 } /Absolute upper-left Y/ { print "y=" $4 }
        /Width:/ { print "w=" $2 } /Height:/ { print "h=" $2 }')"
    local frame_left=$((x - ${left:-0})) frame_right=$((x + w + ${right:-0})) frame_top=$((y - ${top:-0}))
    local frame_bottom=$((y + h + ${bottom:-0})) screen_width=${xinerama_width:-1280}
    ((frame_top >= 0 && frame_bottom <= 800)) || e2e_fail "the alarm window reaches out of the screens vertically"
    if ((frame_left >= 0 && frame_right <= screen_width)) ||
        ((frame_left >= screen_width && frame_right <= 2 * screen_width)); then
        expect_seen "on two screens"
        echo "PASS: the alarm window lies whole on one screen (${frame_left}..${frame_right})"
    else
        e2e_fail "the alarm window lies across both screens (${frame_left}..${frame_right})"
    fi
}
