#!/usr/bin/env bash
# Builds and tests Trevanto on Debian 13 (trixie) from another Debian system (the
# Debian 12 machine that runs CI), in a Debian 13 root:
#   1. makes the root with debootstrap, once per machine, into a cache outside the tree
#      (see below); later runs bring its packages up to date, at most once a day;
#   2. copies the tree in (everything but its build trees and .git) beside the build
#      trees of the previous run there, so that only what changed is built again;
#   3. runs scripts/test.sh --only tests,smoke there, with /proc, /sys and /dev mounted:
#      the packages it needs (scripts/install-deps.sh --test), the suites of an
#      optimised build with a real PDF printer, and the smoke test in a real window on
#      Xvfb. Its summary names the system, its Qt and its counts.
# The Windows program is not built there unless asked for. Exits with the status of
# that test run.
#
#   sudo scripts/debian13-test.sh [--only STEP,...]
#
# --only hands its steps to scripts/test.sh there instead of tests,smoke: --only windows
# cross-builds the Windows program from Debian 13's own Qt source (Qt for Windows cached
# inside the root, as windows-package.sh caches it on any system; its first build took
# 23 minutes on two cores) and tests it under Debian 13's Wine.
#
# The root: TREVANTO_DEBIAN13_ROOT (default /var/cache/trevanto/debian-13-root), made in
# a temporary folder beside it and renamed into place only when complete, so that a
# folder there is always a whole root; delete it to make it anew. Everything mounted
# into it is mounted in a mount namespace of this script's own and unmounted on the way
# out, however the script ends.
#
# Environment: TREVANTO_DEBIAN13_ROOT, TREVANTO_DEBIAN_MIRROR (default
# http://deb.debian.org/debian); CI, TREVANTO_JOBS, TREVANTO_WALK_SECONDS and
# TREVANTO_SMOKE_TIMEOUT are handed to the test run.
set -euo pipefail

cd "$(dirname "$0")/.."
steps=tests,smoke
case "${1:-}" in
    "") ;;
    --only)
        [[ $# -eq 2 && -n "$2" ]] || { echo "usage: $0 [--only STEP,...]" >&2; exit 2; }
        # The root is Debian 13 already: a stage that makes another root in it is no step.
        [[ ",$2," != *,debian13,* ]] || { echo "$0: --only debian13 is this script itself" >&2; exit 2; }
        steps=$2
        ;;
    *) echo "usage: $0 [--only STEP,...]" >&2; exit 2 ;;
esac
root=${TREVANTO_DEBIAN13_ROOT:-/var/cache/trevanto/debian-13-root}
mirror=${TREVANTO_DEBIAN_MIRROR:-http://deb.debian.org/debian}
suite=trixie
# The tree's copy inside the root, and its build trees.
inside=/root/trevanto

say() { echo "debian13-test: $*"; }
fail() {
    echo "debian13-test: FAILED: $*" >&2
    exit 1
}

[[ $(id -u) -eq 0 ]] || fail "needs root (sudo $0): debootstrap, chroot and mounts"

# Everything below runs in a mount namespace of its own: what it mounts is seen by no
# process outside it, and goes away with the namespace's last process even if the script
# is killed.
if [[ -z "${TREVANTO_DEBIAN13_NAMESPACE:-}" ]]; then
    exec env TREVANTO_DEBIAN13_NAMESPACE=1 unshare --mount --propagation private -- \
        bash "$PWD/scripts/debian13-test.sh" "$@"
fi

started=$SECONDS
for tool in debootstrap chroot unshare mount umount; do
    command -v "$tool" >/dev/null 2>&1 || [[ -x /usr/sbin/$tool ]] ||
        fail "$tool is missing (scripts/install-deps.sh --test installs debootstrap)"
done
export PATH="$PATH:/usr/sbin:/sbin"

# ---- the root ------------------------------------------------------------------------

# Runs a command in the root, with a plain environment.
in_root() {
    chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" DEBIAN_FRONTEND=noninteractive "$@"
}

make_root() {
    local parent staging
    parent=$(dirname "$root")
    mkdir -p "$parent"
    staging=$(mktemp -d "$parent/.$(basename "$root").XXXXXX")
    # A failed or interrupted debootstrap leaves nothing half-made behind.
    trap 'rm -rf --one-file-system "$staging"' EXIT
    # mktemp makes the folder for its owner alone; the root's / is everybody's.
    chmod 755 "$staging"
    say "making a Debian 13 root with debootstrap in $staging (from $mirror)"
    if ! debootstrap --variant=minbase "$suite" "$staging" "$mirror" >"$staging.log" 2>&1; then
        tail -n 30 "$staging.log" >&2
        fail "debootstrap failed (log: $staging.log)"
    fi
    rm -f "$staging.log"
    # The point releases' and the security fixes, as an installed system has them.
    cat >"$staging/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb http://security.debian.org/debian-security $suite-security main
EOF
    mv "$staging" "$root"
    trap - EXIT
    say "root made in $((SECONDS - started)) s"
}

# The root's packages brought up to date, at most once a day: install-deps then only
# adds what is missing.
refresh_root() {
    local stamp=$root/var/lib/trevanto-refreshed
    if [[ -f "$stamp" && -z "$(find "$stamp" -mmin +1440)" ]]; then
        return 0
    fi
    say "bringing the root's packages up to date"
    in_root apt-get update -q
    in_root apt-get upgrade -y -q </dev/null
    in_root apt-get clean
    touch "$stamp"
}

# One run at a time on the machine: a second one waits.
mkdir -p "$(dirname "$root")"
exec 9>"$root.lock"
flock 9

if [[ -d "$root" ]]; then
    say "reusing the root in $root"
else
    make_root
fi
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The packages' scripts start no services there: the tests start what they need.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"
grep -q '^VERSION_ID="13"' "$root/etc/os-release" || fail "$root is not a Debian 13 root"

# ---- mounts --------------------------------------------------------------------------

mounted=()
unmount_all() {
    local index proc
    # Whatever the run left running in the root (a print server) ends first.
    for proc in /proc/[0-9]*; do
        [[ "$(readlink "$proc/root" 2>/dev/null)" == "$root" ]] && kill "${proc#/proc/}" 2>/dev/null
    done
    for ((index = ${#mounted[@]} - 1; index >= 0; index--)); do
        umount "${mounted[index]}" 2>/dev/null || umount -l "${mounted[index]}" || true
    done
    mounted=()
}
trap unmount_all EXIT

mount_in_root() {
    local where=$root$1
    shift
    mkdir -p "$where"
    mount "$@" "$where"
    mounted+=("$where")
}
mount_in_root /proc -t proc proc
mount_in_root /sys -t sysfs sysfs
mount_in_root /dev --bind /dev
mount_in_root /dev/pts --bind /dev/pts
mount_in_root /dev/shm -t tmpfs -o mode=1777 tmpfs
mount_in_root /tmp -t tmpfs -o mode=1777 tmpfs
mount_in_root /run -t tmpfs -o mode=755 tmpfs

refresh_root

# ---- the tree ------------------------------------------------------------------------

# The sources as they are here, committed or not; the build trees there stay, and a
# file whose time has not changed is not built again.
say "copying the tree into $inside"
mkdir -p "$root$inside"
find "$root$inside" -mindepth 1 -maxdepth 1 ! -name 'build-*' -exec rm -rf {} +
tar -C . -c --exclude='./build' --exclude='./build-*' --exclude='./.git' . |
    tar -C "$root$inside" -x

# ---- the tests -----------------------------------------------------------------------

say "testing in the Debian 13 root"
handed=()
for name in CI TREVANTO_JOBS TREVANTO_WALK_SECONDS TREVANTO_SMOKE_TIMEOUT; do
    [[ -z "${!name:-}" ]] || handed+=("$name=${!name}")
done
status=0
# The root's own print server, not this machine's: the clients find it at its socket.
in_root "${handed[@]}" CUPS_SERVER=/run/cups/cups.sock \
    bash -c "cd $inside && scripts/test.sh --only $(printf %q "$steps")" || status=$?
say "done in $((SECONDS - started)) s"
exit "$status"
