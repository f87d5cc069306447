#!/usr/bin/env bash
# A station started without TELVOR.DAT opens its setup window and writes nothing.
set -euo pipefail
if [[ -z ${DISPLAY:-} ]]; then
    echo "SKIP: no display (run inside tests/support/with-desktop)"
    exit 77
fi
source "$(dirname "$0")/site.sh"

no_windows() { [[ -n $(e2e_windows "$1") ]] || echo none; }

dir=$e2e_root/station5
mkdir -p "$dir/runtime"
chmod 0700 "$dir/runtime"
e2e_start 5
pid=$e2e_pid
window=$(e2e_wait 10 e2e_windows "$pid") || e2e_fail "no setup window"
geometry=$(xwininfo -id "$window" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
[[ $geometry == 545x568 ]] || e2e_fail "the setup window is $geometry, not 8175 x 8520 twips"
if command -v tesseract >/dev/null; then
    text=$(e2e_window_text "$window")
    for expected in 'Setup Quorvel' 'Datenaustauschverzeichniss' 'Tastenverzögerung' '120'; do
        grep -q "$expected" <<<"$text" || e2e_fail "the setup window does not show \"$expected\""
    done
fi
[[ -z $(ls -A "$dir" | grep -v '^runtime$\|^client.log$') ]] || e2e_fail "the client wrote into its directory: $(ls -A "$dir")"
[[ -z $(ls -A "$e2e_exchange") ]] || e2e_fail "the client wrote into the exchange directory"
kill -0 "$pid" || e2e_fail "the client ended"

# The window closed through its frame only hides; the client lives on.
xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4
e2e_wait 10 no_windows "$pid" >/dev/null || e2e_fail "the setup window stayed open after alt+F4"
kill -0 "$pid" || e2e_fail "closing the setup window ended the client"

# A second client of the same user ends at once and says why; the first one shows its setup window.
status=0
second=$(APPDATA=$dir XDG_RUNTIME_DIR=$dir/runtime timeout 10 "$TELVOR_BIN_DIR/telvor" 2>&1) || status=$?
((status != 0 && status != 124)) || e2e_fail "a second client exited with $status"
[[ $second == *'telvor läuft bereits'* ]] || e2e_fail "a second client said: $second"
kill -0 "$pid" || e2e_fail "the first client ended"
e2e_wait 10 e2e_windows "$pid" >/dev/null || e2e_fail "a second start did not bring up the running client's setup window"
# A lock left by a client that was killed is taken over at once.
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
e2e_start 5
e2e_wait 10 e2e_windows "$e2e_pid" >/dev/null || e2e_fail "no client started after the first one was killed"
echo "PASS: first start shows the setup window; one client per user"
