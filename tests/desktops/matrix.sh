#!/usr/bin/env bash
# matrix.sh [PATTERN]: the client and the screen saver under the window managers, notification
# areas and screen-saver hosts of the desktops offices run. Each row starts a private desktop
# (tests/support/with-desktop) with its window manager and runs its cases there (case.sh); at the
# end a table says host, case and result. PATTERN (a bash pattern) picks the rows whose
# "HOST CASE..." text matches it. Needs the hosts installed (scripts/install-deps) and
# TELVOR_BIN_DIR. TELVOR_DESKTOPS_SHOTS names a directory for the screenshots of failures.
set -uo pipefail
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
pattern=${1:-*}

window_cases="window_over_normal window_typing window_minimised window_over_fullscreen"
# HOST SCREENS TRAY CASE...: HOST is the window manager, "none" for none.
rows=(
    "icewm 1 none $window_cases"
    "openbox 1 none $window_cases"
    "fluxbox 1 none $window_cases"
    "marco 1 none $window_cases"
    "metacity 1 none $window_cases"
    "kwin_x11 1 none $window_cases"
    "xfwm4 1 none $window_cases"
    "mutter 1 none $window_cases"
    "icewm 2 none window_two_screens"
    "openbox 1 none tray_late_xembed tray_late_sni"
    "icewm 1 none saver_xscreensaver saver_mate"
)
results=()
failed=0
for row in "${rows[@]}"; do
    # shellcheck disable=SC2053 # the pattern is meant to match as a pattern
    [[ $row == $pattern ]] || continue
    read -r host screens tray cases <<<"$row"
    echo "==> $host: $cases"
    log=$(mktemp)
    # shellcheck disable=SC2086 # the cases are words
    WITH_DESKTOP_WM=$host WITH_DESKTOP_SCREENS=$screens WITH_DESKTOP_TRAY=$tray \
        "$here/../support/with-desktop" bash "$here/case.sh" $cases 2>&1 | tee "$log" | sed 's/^/    /'
    for name in $cases; do
        result=$(awk -v name="$name" '$1 == "RESULT" && $3 == name { print $4 }' "$log")
        [[ $result == PASS || $result == SKIP ]] || failed=1
        results+=("$(printf '%-9s %-24s %s' "$host" "$name" "${result:-FAIL}")")
    done
    rm -f "$log"
done

echo
printf '%-9s %-24s %s\n' host case result
printf '%s\n' "${results[@]}"
exit "$failed"
