#!/usr/bin/env bash
# A station started without TELVOR.DAT opens its setup window and writes nothing.
set -euo pipefail
if [[ -z ${DISPLAY:-} ]]; then
    echo "SKIP: no display (run inside tests/support/with-desktop)"
    exit 77
fi
source "$(dirname "$0")/site.sh"

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
echo "PASS: first start shows the setup window"
