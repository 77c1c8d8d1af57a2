#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 Lemzor developers
# SPDX-License-Identifier: GPL-3.0-or-later
# tests/release.sh trixie|forky [shell]: `make test` on a fresh clone of the last commit inside a root
# of that Debian release, or a shell in that root. The root is made once with debootstrap and kept in
# LEMZOR_CACHE (/var/cache/lemzor), with the packages its tests installed. Everything runs in a
# mount and PID namespace of its own: whatever way this script ends, its mounts and processes end
# with it.
set -euo pipefail
[ "$(id -u)" -eq 0 ] || exec sudo "$0" "$@"
source=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
release=${1:?trixie or forky}
case $release in
    trixie) folder=debian13 ;;
    forky) folder=forky ;;
    *) echo "tests/release.sh: no such release: $release" >&2 && exit 2 ;;
esac
root=${LEMZOR_CACHE:-/var/cache/lemzor}/$folder
# Debian's mirror that this machine's own packages come from.
mirror=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.sources 2>/dev/null |
    sed -n 's/^\(URIs:\|deb\) *\(http[^ ]*debian\)\/*\( .*\)\?$/\2/p' | head -1) || true

if [ ! -e "$root/.made" ]; then
    "$source/.ci/install-packages" debootstrap
    rm -rf "$root.part" && mkdir -p "$root.part"
    # An older debootstrap knows no newer release by name; sid's script makes any of them.
    script=/usr/share/debootstrap/scripts/$release
    [ -e "$script" ] || script=/usr/share/debootstrap/scripts/sid
    debootstrap --variant=minbase --include=ca-certificates,git,make,sudo "$release" "$root.part" \
        "${mirror:-http://deb.debian.org/debian}" "$script"
    # Testing's Release file may be past its Valid-Until on a mirror that is not refreshed daily.
    echo 'Acquire::Check-Valid-Until "false";' >"$root.part/etc/apt/apt.conf.d/90lemzor"
    touch "$root.part/.made" && rm -rf "$root" && mv "$root.part" "$root"
fi

# The tests' whole output, what Orca said included, stays in the root's /var/log/lemzor.
inside='status=0; make test || status=$?; mkdir -p /var/log/lemzor;
    cp build/Testing/Temporary/LastTest.log /var/log/lemzor/ 2>/dev/null; exit $status'
[ "${2:-}" != shell ] || inside='exec bash -i'
# The tests' own namespaces need / to be a mount point; X servers, sockets and buses a /tmp, /run
# and /dev/shm of their own.
exec unshare --mount --pid --fork --kill-child --propagation private -- bash -euc '
    root=$1 source=$2 inside=$3
    mount --bind "$root" "$root" && mount --make-private "$root"
    mount -t proc proc "$root/proc"
    mount --rbind /sys "$root/sys" && mount --make-rslave "$root/sys"
    mount --bind /dev "$root/dev" && mount --bind /dev/pts "$root/dev/pts"
    for dir in tmp run dev/shm; do mount -t tmpfs -o mode=1777 tmpfs "$root/$dir"; done
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    git clone -q "$source" "$root/tmp/lemzor"
    chroot "$root" env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" CI="${CI:-}" \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        bash -c "cd /tmp/lemzor && . /etc/os-release && echo \"In \$PRETTY_NAME\" && $inside"
' "$folder" "$root" "$source" "$inside"
