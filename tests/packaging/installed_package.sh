#!/usr/bin/env bash
# The Debian package as an administrator meets it: built from this tree, installed with apt on this
# machine, then used with the installed programs only. Two stations with their own per-user and
# runtime directories, one of them configured through the workstation's /etc/telvor/TELVOR.DAT;
# an alarm raised with the installed telvorstart reaches the other. The man pages, the entries and
# the metadata pass their validators and lintian has nothing to say; the autostart entry starts a
# client; a purge leaves no file of the package behind.
#
# Needs root (it installs a package); outside CI it refuses to touch a machine where telvor is
# installed already. /etc/telvor is left as it was found.
set -euo pipefail

if ((EUID != 0)); then
    if [[ -n ${CI:-} ]]; then
        echo "FAIL: the installed-package check needs root" >&2
        exit 1
    fi
    echo "SKIP: the installed-package check needs root (it installs and purges the package)"
    exit 77
fi
if [[ -z ${DISPLAY:-} ]]; then
    echo "FAIL: no display (run inside tests/support/with-desktop)" >&2
    exit 1
fi
if [[ -z ${CI:-} ]] && dpkg-query -W -f='${db:Status-Abbrev}' telvor 2>/dev/null | grep -q '^.[^n]'; then
    echo "FAIL: telvor is installed on this machine; this check installs and purges it, so it runs only where it is not" >&2
    exit 1
fi

source_dir=$(cd "$(dirname "$0")/../.." && pwd)
etc=/etc/telvor
etc_saved=
installed=

# site.sh's helpers, with the installed programs.
TELVOR_BIN_DIR=/usr/bin
source "$source_dir/tests/e2e/site.sh"

restore()
{
    local status=$?
    e2e_cleanup
    if [[ -n $installed ]]; then
        apt-get purge -y -qq telvor >/dev/null 2>&1 || true
    fi
    rm -rf "$etc"
    rm -f "${new_locks[@]}"
    if [[ -n $etc_saved ]]; then
        tar -C / -xf "$etc_saved"
        rm -f "$etc_saved"
    fi
    exit "$status"
}
# The stations' machine-wide locks that this check makes, and removes again.
new_locks=()
for id in 21 22; do
    [[ -e /run/lock/telvor-station-$id.lock ]] || new_locks+=("/run/lock/telvor-station-$id.lock")
done
if [[ -e $etc ]]; then
    etc_saved=$(mktemp)
    tar -C / -cf "$etc_saved" "${etc#/}"
fi
trap restore EXIT

step()
{
    echo "--- $*"
}

step "Building the package"
build_options=
# The suite has run already in CI; elsewhere the package's own tests run as in any build.
[[ -z ${CI:-} ]] || build_options=nocheck
deb=$(DEB_BUILD_OPTIONS=$build_options "$source_dir/scripts/package" 2>"$e2e_root/package.log") ||
    { tail -n 40 "$e2e_root/package.log" >&2; e2e_fail "scripts/package failed"; }
echo "$deb"

step "lintian"
lintian_output=$(lintian --tag-display-limit 0 "$deb" 2>&1) || true
echo "${lintian_output:-(nothing)}"
if grep -qE '^[EW]: ' <<<"$lintian_output"; then
    e2e_fail "lintian reports errors or warnings"
fi

step "Installing"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$e2e_root/apt.log" 2>&1 ||
    { cat "$e2e_root/apt.log" >&2; e2e_fail "apt-get install failed"; }
installed=yes
mapfile -t contents < <(dpkg-deb -c "$deb" | awk '{ print substr($6, 2) }' | sed 's|/$||')

step "Entries, metadata and man pages"
for entry in /usr/share/applications/org.example.*.desktop /usr/share/applications/screensavers/*.desktop \
    /etc/xdg/autostart/org.example.telvor.desktop; do
    desktop-file-validate "$entry" || e2e_fail "desktop-file-validate: $entry"
done
appstreamcli validate --no-net /usr/share/metainfo/org.example.telvor.metainfo.xml >/dev/null ||
    e2e_fail "appstreamcli validate: $(appstreamcli validate --no-net /usr/share/metainfo/org.example.telvor.metainfo.xml)"
pages=$(man -w telvor telvorstart PendraSaver) || e2e_fail "man -w finds not all three pages"
for page in $pages; do
    warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || e2e_fail "man warns about $page: $warnings"
done
version=$(dpkg-query -W -f='${Version}' telvor)
for text in "$(man -w telvor)" /usr/share/metainfo/org.example.telvor.metainfo.xml; do
    zgrep -q "$version" "$text" || e2e_fail "$text does not carry the version $version"
done
[[ $(readlink -f /usr/libexec/xscreensaver/PendraSaver) == /usr/bin/PendraSaver ]] ||
    e2e_fail "the screen-saver hosts do not find PendraSaver in /usr/libexec/xscreensaver"

step "Two stations, one configured for the whole workstation"
mkdir -p "$etc"
printf '[%s/][1][21][kein][][Überfall am Empfang][0][1][ 120][1]\r\n 1 \r\nErdgeschoss\r\n\r\n\r\n 0 \r\n' \
    "$e2e_exchange" | iconv -f UTF-8 -t WINDOWS-1252 >"$etc/TELVOR.DAT"
e2e_user_dir 21
e2e_station 22 'Alarm bei Station 22'
e2e_start 21
pid21=$e2e_pid
e2e_start 22
pid22=$e2e_pid
e2e_wait 5 e2e_file_exists "$e2e_exchange/MDAT21.KVT" >/dev/null ||
    e2e_fail "the station of /etc/telvor/TELVOR.DAT wrote no MDAT21.KVT"
[[ ! -e $e2e_root/station21/TELVOR.DAT ]] || e2e_fail "the client copied the workstation's TELVOR.DAT to the user"
APPDATA=$e2e_root/station21 /usr/bin/telvorstart || e2e_fail "the installed telvorstart exited with $?"
window=$(e2e_wait 10 e2e_alarm_window "$pid22") || e2e_fail "no alarm window at station 22"
if command -v tesseract >/dev/null; then
    e2e_window_text "$window" | grep -q 'Empfang' || e2e_fail "station 22 does not show the text of station 21"
fi
[[ -s $e2e_root/station21/telvor.log ]] || e2e_fail "station 21 keeps no event log in its user's directory"
kill "$pid21" "$pid22"
wait "$pid21" "$pid22" 2>/dev/null || true

step "The autostart entry starts a client"
exec_line=$(sed -n 's/^Exec=//p' /etc/xdg/autostart/org.example.telvor.desktop)
APPDATA=$e2e_root/station21 XDG_RUNTIME_DIR=$e2e_root/station21/runtime \
    sh -c "cd / && exec $exec_line" >"$e2e_root/station21/autostart.log" 2>&1 &
autostart_pid=$!
e2e_pids+=("$autostart_pid")
e2e_wait 10 e2e_tray_icon "$autostart_pid" >/dev/null || e2e_fail "the autostart entry ($exec_line) put no icon into the tray"
kill "$autostart_pid"
wait "$autostart_pid" 2>/dev/null || true

step "Purging"
apt-get purge -y -qq telvor >"$e2e_root/apt.log" 2>&1 || { cat "$e2e_root/apt.log" >&2; e2e_fail "apt-get purge failed"; }
installed=
for path in "${contents[@]}"; do
    [[ -n $path ]] || continue
    if [[ -L $path || -f $path ]]; then
        e2e_fail "the purge left $path behind"
    fi
    # A directory may stay only while another package or other files need it.
    if [[ -d $path && -z $(ls -A "$path") ]] && ! dpkg -S "$path" >/dev/null 2>&1; then
        e2e_fail "the purge left the empty directory $path behind"
    fi
done
echo "PASS: the package builds, passes lintian and its validators, installs, raises and shows an alarm, starts at login and purges cleanly"
