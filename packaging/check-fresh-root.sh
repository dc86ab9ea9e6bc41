#!/bin/sh
# Installs the .deb into a fresh Debian 12 root, as an operator would, and
# checks that both programs run there and that the desktop entry and the
# icon are in place. Needs root, debootstrap and a few minutes.
#
#   packaging/check-fresh-root.sh ROOTDIR korvane-station_*.deb
#
# ROOTDIR is made by this script (a root left by an earlier run of it is
# replaced). It is removed after a passing run unless KEEP_ROOT=1, and kept
# after a failing one for a look inside. MIRROR overrides the Debian mirror,
# which is otherwise the one apt uses on this machine.
set -eu

usage() { echo "usage: $0 ROOTDIR DEB" >&2; exit 2; }
[ $# -eq 2 ] || usage
ROOT=$1
DEB=$2
MARKER=.korvane-fresh-root
SUITE=bookworm

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "== $*"; }

[ "$(id -u)" = 0 ] || fail "needs root (debootstrap, chroot, mount)"
[ -f "$DEB" ] || fail "no package at $DEB"
command -v debootstrap >/dev/null || fail "debootstrap is missing: apt-get install debootstrap"
case $ROOT in /|'') fail "refusing ROOTDIR '$ROOT'" ;; esac

mirror() {
    if [ -n "${MIRROR:-}" ]; then echo "$MIRROR"; return; fi
    uri=$(sed -n 's/^URIs:[[:space:]]*\([^[:space:]]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
    [ -n "$uri" ] || uri=$(sed -n 's/^deb[[:space:]]\{1,\}\(http[^[:space:]]*\).*/\1/p' /etc/apt/sources.list 2>/dev/null | head -n 1)
    echo "${uri:-http://deb.debian.org/debian}"
}

release_mounts() {
    for m in "$ROOT/dev/pts" "$ROOT/proc"; do
        if mountpoint -q "$m" 2>/dev/null; then
            umount "$m" 2>/dev/null || umount -l "$m"
        fi
    done
}

if [ -e "$ROOT" ]; then
    if [ -e "$ROOT/$MARKER" ]; then
        release_mounts
        rm -rf --one-file-system "$ROOT"
    elif [ -n "$(ls -A "$ROOT")" ]; then
        fail "$ROOT exists and was not made by this script"
    fi
fi
mkdir -p "$ROOT"
touch "$ROOT/$MARKER"
ROOT=$(cd "$ROOT" && pwd)
DEB_NAME=$(basename "$DEB")

passed=0
finish() {
    release_mounts
    if [ "$passed" = 1 ] && [ "${KEEP_ROOT:-0}" != 1 ]; then
        rm -rf --one-file-system "$ROOT"
    elif [ "$passed" != 1 ]; then
        echo "The root stays in $ROOT for a look inside." >&2
    fi
}
trap finish EXIT
trap 'exit 1' INT TERM HUP

# Commands in the root get a clean environment: no display, no host paths.
in_root() {
    chroot "$ROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
        DEBIAN_FRONTEND=noninteractive "$@"
}

step "debootstrap $SUITE (minbase) from $(mirror)"
t0=$(date +%s)
debootstrap --variant=minbase "$SUITE" "$ROOT" "$(mirror)" >"$ROOT.debootstrap.log" 2>&1 ||
    { tail -n 20 "$ROOT.debootstrap.log" >&2; fail "debootstrap (log: $ROOT.debootstrap.log)"; }
rm -f "$ROOT.debootstrap.log"
t1=$(date +%s)
base_kb=$(du -sk --one-file-system "$ROOT" | cut -f1)
base_pkgs=$(chroot "$ROOT" dpkg-query -W -f '.\n' | wc -l)

step "apt-get install ./$DEB_NAME"
# /proc for the maintainer scripts, a pty instance of its own for dpkg.
mount -t proc proc "$ROOT/proc"
mount -t devpts devpts "$ROOT/dev/pts"
cp "$DEB" "$ROOT/tmp/$DEB_NAME"
in_root apt-get update -q >/dev/null
in_root apt-get install -y -q "/tmp/$DEB_NAME" || fail "apt-get install"
t2=$(date +%s)
in_root apt-get clean
installed_kb=$(du -sk --one-file-system "$ROOT" | cut -f1)
installed_pkgs=$(chroot "$ROOT" dpkg-query -W -f '.\n' | wc -l)

step "korvane-station --help, --version; korvane-sim --help"
in_root korvane-station --help >"$ROOT/tmp/help.txt" 2>&1 || { cat "$ROOT/tmp/help.txt" >&2; fail "korvane-station --help"; }
grep -q -- '--headless' "$ROOT/tmp/help.txt" || fail "korvane-station --help does not list --headless"
in_root korvane-station --version || fail "korvane-station --version"
in_root korvane-sim --help >"$ROOT/tmp/sim-help.txt" 2>&1 || { cat "$ROOT/tmp/sim-help.txt" >&2; fail "korvane-sim --help"; }
grep -q 'board' "$ROOT/tmp/sim-help.txt" || fail "korvane-sim --help does not list its peers"

step "headless demo: start, :quit"
printf ':quit\n' | in_root korvane-station --headless --demo >"$ROOT/tmp/demo.txt" 2>&1 ||
    { tail -n 20 "$ROOT/tmp/demo.txt" >&2; fail "korvane-station --headless --demo"; }
grep -q 'simulated board on 127.0.0.1' "$ROOT/tmp/demo.txt" || fail "the demo did not start its simulated board"

step "desktop entry, icon, platform plugin, service files"
desktop=$ROOT/usr/share/applications/korvane-station.desktop
[ -f "$desktop" ] || fail "no desktop entry in /usr/share/applications"
if [ -x "$ROOT/usr/bin/desktop-file-validate" ]; then
    in_root desktop-file-validate /usr/share/applications/korvane-station.desktop || fail "desktop-file-validate"
elif command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate"
else
    echo "desktop-file-validate is neither in the root nor here: entry not validated" >&2
fi
[ -f "$ROOT/usr/share/icons/hicolor/scalable/apps/korvane-station.svg" ] || fail "no icon"
ls "$ROOT"/usr/lib/*/qt6/plugins/platforms/libqxcb.so >/dev/null 2>&1 || fail "no X11 platform plugin for the window"
for f in lib/systemd/system/korvane-station.service lib/sysusers.d/korvane-station.conf \
         lib/tmpfiles.d/korvane-station.conf; do
    [ -f "$ROOT/usr/$f" ] || [ -f "$ROOT/$f" ] || fail "no /usr/$f"
done

# The service's account and folders, where the dependencies brought systemd.
if in_root sh -c 'command -v systemd-sysusers' >/dev/null; then
    step "service account and folders"
    in_root id -nG korvane | grep -qw dialout || fail "no account korvane in dialout"
    # The settings folder holds the radio password: the owner's alone.
    [ "$(in_root stat -c %U:%a /var/lib/korvane)" = korvane:700 ] || fail "/var/lib/korvane is not korvane's, mode 700"
    [ "$(in_root stat -c %U:%a /var/log/korvane)" = korvane:750 ] || fail "/var/log/korvane is not korvane's, mode 750"
    in_root systemd-analyze verify /usr/lib/systemd/system/korvane-station.service || fail "systemd-analyze verify"
fi

size_kb=$(dpkg-deb -f "$DEB" Installed-Size)
passed=1
echo
echo "PASS: $DEB_NAME in a fresh $SUITE root"
echo "  debootstrap: $((t1 - t0)) s; apt-get install with dependencies: $((t2 - t1)) s"
echo "  root: $((base_kb / 1024)) MiB after debootstrap, $((installed_kb / 1024)) MiB with the package" \
     "(+$(((installed_kb - base_kb) / 1024)) MiB); the package itself: $((size_kb / 1024)) MiB installed"
echo "  packages: $base_pkgs after debootstrap, $installed_pkgs with the package and its dependencies and recommends"
