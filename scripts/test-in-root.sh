#!/usr/bin/env bash
# Runs a command of this checkout as root in a fresh, throw-away Debian root of the given release,
# as a new user would on a new machine: nothing installed but Debian's minimal base, and a clean
# clone of the committed sources. Prints the command's output, its exit code and the wall time.
#
#   scripts/test-in-root.sh RELEASE [COMMAND...]     e.g. scripts/test-in-root.sh trixie
#
# The command defaults to the README's test command, `bash scripts/test.sh`. Only mmdebstrap is
# installed on this machine. The root lives in a mount namespace of its own with an empty /sys,
# so nothing in it can reach this machine's devices, and it is deleted afterwards. Set
# VANTREL_KEEP_ROOT=1 to keep it for a look (its path is printed).
set -euo pipefail

fail() {
    echo "test-in-root: $*" >&2
    exit 1
}

if [ "${1:-}" = --inside ]; then
    # Runs in the private mount namespace: the root becomes a mount point of its own (as / is on
    # a real machine, which the package test's own throw-away root needs), with fresh /proc,
    # /dev and an empty /sys.
    shift
    root=$1
    shift
    mount --bind "$root" "$root"
    mount -t proc proc "$root/proc"
    mount -t tmpfs -o mode=755 sysfs-stand-in "$root/sys"
    mount -t tmpfs -o mode=755 dev "$root/dev"
    while read -r name major minor; do
        mknod -m 666 "$root/dev/$name" c "$major" "$minor"
    done <<<$'null 1 3\nzero 1 5\nfull 1 7\nrandom 1 8\nurandom 1 9\ntty 5 0'
    mkdir "$root/dev/pts" "$root/dev/shm"
    mount -t devpts -o newinstance,ptmxmode=0666 devpts "$root/dev/pts"
    ln -s pts/ptmx "$root/dev/ptmx"
    mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
    ln -s /proc/self/fd "$root/dev/fd"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    exec chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        HOME=/root LANG=C.UTF-8 CI="${CI:-}" sh -c 'cd /root/vantrel && exec "$@"' sh "$@"
fi

[ $# -ge 1 ] || fail "usage: scripts/test-in-root.sh RELEASE [COMMAND...]"
[ "$(id -u)" -eq 0 ] || fail "run it as root: it makes a Debian root with mmdebstrap and chroots into it"
release=$1
shift
[ $# -gt 0 ] || set -- bash scripts/test.sh
checkout=$(cd "$(dirname "$0")/.." && pwd)

command -v mmdebstrap >/dev/null || {
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq mmdebstrap
}

# The bare root of each release is kept, outside the checkout, as the package test keeps its own.
cache=${VANTREL_TEST_CACHE:-/var/cache/vantrel-tests}
tarball="$cache/$release-minbase.tar"
if [ ! -f "$tarball" ]; then
    mkdir -p "$cache"
    mmdebstrap --quiet --variant=minbase "$release" "$cache/partial-$$.tar" ||
        { rm -f "$cache/partial-$$.tar"; fail "mmdebstrap could not make a $release root"; }
    mv "$cache/partial-$$.tar" "$tarball"
fi

root=$(mktemp -d "/var/tmp/vantrel-$release-XXXXXX")
cleanup() {
    if [ -n "${VANTREL_KEEP_ROOT:-}" ]; then
        echo "test-in-root: the root is kept in $root"
    else
        rm -rf --one-file-system "$root"
    fi
}
trap cleanup EXIT
tar -C "$root" -xf "$tarball"
git clone --quiet --no-hardlinks "$checkout" "$root/root/vantrel"
echo "test-in-root: $(. "$root/etc/os-release" && echo "$PRETTY_NAME"), $(git -C "$root/root/vantrel" log -1 --format='%h %s')"
echo "test-in-root: running: $*"

start=$(date +%s)
status=0
unshare --mount --propagation private -- bash "$0" --inside "$root" "$@" || status=$?
elapsed=$(($(date +%s) - start))
echo "test-in-root: $release: exit code $status after $((elapsed / 60)) min $((elapsed % 60)) s"
exit "$status"
