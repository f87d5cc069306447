#!/usr/bin/env bash
# case.sh CASE...: runs cases of the desktops matrix on the desktop at hand (see matrix.sh) and
# prints one line "RESULT <window manager> <case> PASS|FAIL|SKIP" for each (SKIP: the case exited
# with 77, as it does where this machine lacks what it needs). A case is the function
# case_CASE of one of the *_cases.sh files beside this one; a file may define setup_GROUP, which
# runs once, before the first case whose name begins with GROUP_. Cases run in the order given, each
# in a subshell of its own, so that a failed one leaves the others to run.
set -uo pipefail
here=$(dirname "$(readlink -f "${BASH_SOURCE[0]}")")
# shellcheck source=tests/e2e/site.sh
source "$here/../e2e/site.sh"
for cases in "$here"/*_cases.sh; do
    # shellcheck source=/dev/null
    source "$cases"
done

host=${WITH_DESKTOP_WM:-none}
set_up=" "
failed=0
for name in "$@"; do
    group=${name%%_*}
    if [[ $set_up != *" $group "* ]] && declare -F "setup_$group" >/dev/null; then
        set_up+="$group "
        # Here, not in a subshell: the cases go on from what it made. A setup that fails ends the
        # run, and the cases it left out count as failed.
        "setup_$group"
    fi
    # A plain command: as the condition of an if, or beside || or &&, bash would ignore set -e inside.
    (
        # What the case started ends with it, so that the next case finds the desktop as it was;
        # under set -e, a process that has ended already must not fail the case.
        inherited=${#e2e_pids[@]}
        trap 'for pid in "${e2e_pids[@]:inherited}"; do kill "$pid" 2>/dev/null || true; done' EXIT
        set -e
        "case_$name"
    )
    status=$?
    if ((status == 0)); then
        echo "RESULT $host $name PASS"
    elif ((status == 77)); then
        # The case cannot run on this machine and has said why.
        echo "RESULT $host $name SKIP"
    else
        echo "RESULT $host $name FAIL"
        failed=1
    fi
done
exit "$failed"
