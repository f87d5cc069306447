#!/usr/bin/env bash
# A new user's way, by mouse and keyboard on the real windows: station 21 starts without a
# configuration, its setup is filled in and saved, the button test is passed with the soft trigger,
# and the next soft trigger's alarm reaches station 7.
set -euo pipefail
if [[ -z ${DISPLAY:-} ]]; then
    echo "SKIP: no display (run inside tests/support/with-desktop)"
    exit 77
fi
source "$(dirname "$0")/site.sh"

# Controls as left, top, width and height in twips; a check box by the square of its box.
Text1=(2640 1440 4335 315)
Text6=(2640 1800 4335 315)
CheckCom=(360 1440 255 255) # inside "Comm Port", which starts at 120, 1200
Text3=(240 3840 3615 375)
logfile=(4080 4920 375 375)
Label2=(5400 6120 2175 615)
Text5=(720 6960 615 330)
speichern=(6480 6960 1215 495)
# The button test window's.
test_Label3=(240 3000 3015 375)
test_Command1=(3840 2880 1215 495)

first_line='Überfall Kasse 3'
second_line='Kasse 3, hinten links'
dir21=$e2e_root/station21

# type_into WINDOW LEFT TOP WIDTH HEIGHT TEXT: a click into the text box, then the keys.
type_into()
{
    e2e_click "${@:1:5}"
    xdotool type --delay 30 "$6"
}

# reads WINDOW LEFT TOP WIDTH HEIGHT TEXT: prints "yes" when OCR reads TEXT in that control; the
# blanks are not compared, since OCR does not see a narrow one ("OK !").
reads()
{
    local seen
    seen=$(e2e_control_text "${@:1:5}")
    [[ ${seen// /} == *"${6// /}"* ]] && echo yes
    return 0
}

# expect_reading WINDOW LEFT TOP WIDTH HEIGHT TEXT WHAT: fails unless OCR comes to read TEXT there;
# without tesseract there is nothing to read.
expect_reading()
{
    command -v tesseract >/dev/null || return 0
    e2e_wait 4 reads "${@:1:6}" >/dev/null || e2e_fail "$7 shows \"$(e2e_control_text "${@:1:5}")\", not \"$6\""
}

cp1252_hex()
{
    iconv -f UTF-8 -t WINDOWS-1252 | xxd -p | tr -d '\n'
}

expect_bytes()
{
    local path=$1 expected=$2
    [[ -e $path ]] || e2e_fail "${path##*/} was not written"
    [[ $(xxd -p "$path" | tr -d '\n') == "$expected" ]] ||
        e2e_fail "${path##*/} holds:"$'\n'"$(xxd "$path")"$'\n'"instead of:"$'\n'"$(xxd -r -p <<<"$expected" | xxd)"
}

no_slot()
{
    [[ ! -e $e2e_exchange/MESSAGE.KVT ]] || e2e_fail "$1: MESSAGE.KVT holds $(xxd -p "$e2e_exchange/MESSAGE.KVT")"
}

shot()
{
    [[ -z ${E2E_SCREENSHOT_DIR:-} ]] || import -window "$1" "$E2E_SCREENSHOT_DIR/$2.png"
}

# A German office keyboard, so that "Ü" is typed with Shift as the user does it: a letter that the
# layout has no key for is typed by xdotool in lower case. The next test on this desktop gets the
# layout back.
layout=$(setxkbmap -query | awk '$1 == "layout:" { print $2 }')
trap 'setxkbmap "${layout:-us}" || true; e2e_cleanup' EXIT
setxkbmap de

# The station that receives runs before the new one comes.
e2e_station 7 'Alarm bei Station 7'
e2e_start 7
pid7=$e2e_pid
e2e_user_dir 21
e2e_start 21
pid21=$e2e_pid

# 1. No configuration: the setup window opens.
setup=$(e2e_wait 10 e2e_windows "$pid21") || e2e_fail "station 21 opened no setup window"
xdotool windowactivate --sync "$setup"

# 2. Filled in as a person does it; first a save without an ID, which is refused.
type_into "$setup" "${Text1[@]}" "$first_line"
type_into "$setup" "${Text6[@]}" "$second_line"
type_into "$setup" "${Text3[@]}" "$e2e_exchange"
e2e_click "$setup" "${CheckCom[@]}"
e2e_click "$setup" "${logfile[@]}"
e2e_click "$setup" "${speichern[@]}"
e2e_wait 5 e2e_control_drawn "$setup" "${Label2[@]}" >/dev/null || e2e_fail "a save without an ID shows no message"
expect_reading "$setup" "${Label2[@]}" 'Keine ID' "a save without an ID"
[[ -z $(e2e_window_hidden "$setup") ]] || e2e_fail "the setup window closed on a save without an ID"
[[ ! -e $dir21/TELVOR.DAT ]] || e2e_fail "a save without an ID wrote TELVOR.DAT"
[[ ! -e $e2e_exchange/MDAT21.KVT ]] || e2e_fail "a save without an ID wrote MDAT21.KVT"

type_into "$setup" "${Text5[@]}" 21
shot "$setup" setup-filled
e2e_click "$setup" "${speichern[@]}"

# 3. What the save wrote, byte for byte: the final "/" of the directory is the save's.
e2e_wait 5 e2e_file_exists "$e2e_exchange/MDAT21.KVT" >/dev/null || e2e_fail "the save wrote no MDAT21.KVT"
expect_bytes "$dir21/TELVOR.DAT" "$(printf '[%s/][1][21][][][%s][0][1][ 120][1]\r\n 0 \r\n%s\r\n\r\n\r\n 0 \r\n' \
    "$e2e_exchange" "$first_line" "$second_line" | cp1252_hex)"
expect_bytes "$e2e_exchange/MDAT21.KVT" "$(printf '%s\r%s\r\r' "$first_line" "$second_line" | cp1252_hex)"
e2e_wait 5 e2e_window_hidden "$setup" >/dev/null || e2e_fail "the setup window stayed open after the save"

# 4. The button test, passed with the soft trigger once its start phase is over.
test_window=$(e2e_wait 5 e2e_windows "$pid21") || e2e_fail "no button test window after the save"
size=$(xwininfo -id "$test_window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[[ $size == 355x257 ]] || e2e_fail "the window after the save is $size, not the button test's 5325 x 3855 twips"
button_hidden() { [[ -z $(e2e_control_drawn "$test_window" "${test_Command1[@]}") ]] && echo hidden; return 0; }
# The button is looked for on the painted window: first its place is empty, then it is there.
e2e_wait 5 button_hidden >/dev/null || e2e_fail "the button test shows its button during the start phase"
e2e_wait 15 e2e_control_drawn "$test_window" "${test_Command1[@]}" >/dev/null ||
    e2e_fail "the button test shows no button after its start phase"
e2e_trigger 21
e2e_wait 5 e2e_file_gone "$e2e_exchange/START.21" >/dev/null || e2e_fail "station 21 left START.21 alone"
no_slot "the test press sent an alarm"
expect_reading "$test_window" "${test_Label3[@]}" 'Alarm ausgelöst' "the button test after the press"
expect_reading "$test_window" "${test_Command1[@]}" 'OK !' "the button test's button after the press"
shot "$test_window" test-pressed
e2e_click "$test_window" "${test_Command1[@]}"
e2e_wait 5 e2e_window_hidden "$test_window" >/dev/null || e2e_fail "\"OK !\" left the button test open"
no_slot "passing the test sent an alarm"
[[ -z $(e2e_alarm_window "$pid7") ]] || e2e_fail "station 7 shows an alarm after the test press"

# 5. Now the soft trigger is an alarm, and station 7 shows station 21's text.
e2e_trigger 21
e2e_wait 5 e2e_file_exists "$e2e_exchange/MESSAGE.KVT" >/dev/null || e2e_fail "station 21 sent no alarm"
[[ $(xxd -p "$e2e_exchange/MESSAGE.KVT") == 3231 ]] || e2e_fail "MESSAGE.KVT holds $(xxd "$e2e_exchange/MESSAGE.KVT")"
alarm=$(e2e_wait 10 e2e_alarm_window "$pid7") || e2e_fail "no alarm window at station 7"
if command -v tesseract >/dev/null; then
    e2e_window_text "$alarm" | grep -q 'Kasse 3' || e2e_fail "the alarm window at station 7 does not show station 21's text"
fi
shot "$alarm" alarm-at-7
# "Logfile aktive" took effect: the save and the test press are in station 21's event log.
log21=$(iconv -f WINDOWS-1252 -t UTF-8 "$dir21/telvor.log" 2>/dev/null) || e2e_fail "station 21 keeps no event log"
[[ $log21 == *'Setup ausgeführt'* && $log21 == *" Init - $e2e_exchange/start.21"* ]] ||
    e2e_fail "station 21's event log lacks the save or the test press:"$'\n'"$log21"
kill -0 "$pid7" "$pid21" || e2e_fail "a client ended"
echo "PASS: a new station set up by hand passes its button test and alarms station 7"
