#!/usr/bin/env bash
# The README's test command on a fresh Debian 12 machine: builds a minimal Debian 12 root with
# mmdebstrap, copies a clean checkout of this tree (HEAD, through git archive) into it, enters
# it and runs `bash scripts/test.sh` there, which must install everything it needs itself. The
# root is removed afterwards, whatever happened. Prints the time taken, the ctest summary from
# inside, and the QtTest SKIP lines inside and on this machine: a skipped QtTest function still
# shows "Passed" in ctest, so the sets must match (a difference fails unless it is listed in
# `explained` below with its cause).
#   check-fresh-machine.sh [HOST_BUILD]
# HOST_BUILD (default: build) is the folder where `bash scripts/test.sh` last ran on this
# machine; its ctest log gives this machine's SKIP lines. Run as root (it mounts and makes a
# root file system); it uses the machine's apt sources and configuration. Everything printed
# inside is kept in $SKIRMDECK_FRESH_LOG (default: /var/tmp/skirmdeck-fresh-machine.log).
#
# The root is entered the way bwrap does it, by pivot_root in a new mount namespace (and a new
# PID namespace, so that nothing started inside outlives the check), not by chroot: the kernel
# refuses new user namespaces to a chrooted process, and the namespace tests would all skip.
# Not by bwrap itself either: bwrap always sets no_new_privs, under which an exec gains no
# privilege, so the ping program cannot take CAP_NET_RAW from its file capability or its
# set-user-ID bit, and the echo test's fall-back to it fails with status 11050 (general
# failure), as it would on no real machine.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
if [ "$(id -u)" -ne 0 ]; then
    exec sudo bash "$0" "$@"
fi

fail() {
    echo "check-fresh-machine: $*" >&2
    exit 1
}

host_build=$(cd "${1:-$repo/build}" && pwd) || fail "no build folder ${1:-$repo/build}"
host_log=$host_build/Testing/Temporary/LastTest.log

# QtTest SKIP lines that may differ between this machine and the fresh root, each with its
# cause: "TestClass::function(row)<TAB>cause". A difference not listed here fails the check.
explained=()

for tool in mmdebstrap unshare pivot_root git; do
    command -v "$tool" >/dev/null && continue
    [ "$tool" = mmdebstrap ] || fail "$tool is missing"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends mmdebstrap >/dev/null
done

started=$(date +%s)
elapsed() {
    local s=$(($(date +%s) - started))
    printf '%dm%02ds' $((s / 60)) $((s % 60))
}
log=${SKIRMDECK_FRESH_LOG:-/var/tmp/skirmdeck-fresh-machine.log}
work=$(mktemp -d "${TMPDIR:-/var/tmp}/skirmdeck-fresh.XXXXXX")
fresh=$work/root
inside=""
cleanup() {
    if [ -n "$inside" ]; then
        kill "$inside" 2>/dev/null || true
        wait "$inside" 2>/dev/null || true
    fi
    # The mounts live in the namespace that ended with the run; never follow into another file
    # system all the same.
    rm -rf --one-file-system "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

echo "== fresh Debian 12 root (mmdebstrap --variant=minbase bookworm) in $fresh"
mkdir "$fresh"
mmdebstrap --quiet --variant=minbase bookworm "$fresh" </dev/null
# The machine's apt sources and configuration (a mirror, a proxy, its options), its name
# service; dpkg without fsync, since the root is thrown away.
rm -f "$fresh/etc/apt/sources.list"
for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && cp "$f" "$fresh$f"
done
cp /etc/apt/apt.conf.d/* "$fresh/etc/apt/apt.conf.d/"
cp -L /etc/resolv.conf /etc/hosts "$fresh/etc/"
echo force-unsafe-io >"$fresh/etc/dpkg/dpkg.cfg.d/unsafe-io"
mkdir -p "$fresh/root/skirmdeck"
git -C "$repo" archive --format=tar HEAD | tar -x -C "$fresh/root/skirmdeck"
echo "root made in $(elapsed); tree of commit $(git -C "$repo" rev-parse --short HEAD)"

# In the new namespaces: the root's own /proc, the machine's /dev and /sys, an empty /tmp,
# then pivot_root into it and drop the machine's tree; a clean environment, as after a login.
enter='
set -e
r=$1
shift
mount --bind "$r" "$r"
mount -t proc proc "$r/proc"
mount --rbind /dev "$r/dev"
mount --rbind /sys "$r/sys"
mount -t tmpfs -o mode=1777 tmpfs "$r/tmp"
cd "$r"
pivot_root . mnt
umount -l /mnt
cd /root/skirmdeck
exec /usr/bin/env -i HOME=/root USER=root LOGNAME=root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@"
'
echo "== inside: bash scripts/test.sh"
set +e
unshare --mount --propagation private --pid --fork --kill-child -- \
    bash -c "$enter" enter "$fresh" bash scripts/test.sh >"$log" 2>&1 &
inside=$!
wait "$inside"
status=$?
inside=""
set -e
echo "== inside: test.sh ended with status $status after $(elapsed) in all"

# The ctest summary, or the end of the output when ctest did not get that far.
if grep -q 'tests passed, ' "$log"; then
    sed -n '/tests passed, /,$p' "$log"
else
    echo "--- no ctest summary; the last lines inside the root:"
    tail -n 40 "$log"
fi

# QtTest's SKIP lines, as TestClass::function(row).
skips() { sed -nE 's/^SKIP +: ([^(]*\([^)]*\)).*/\1/p' "$1" | sort; }
root_log=$fresh/root/skirmdeck/build/Testing/Temporary/LastTest.log
problems=0
if [ "$status" -ne 0 ]; then
    echo "FAILED: the README's test command failed on a fresh machine"
    problems=1
fi
if [ -f "$root_log" ]; then
    skips "$root_log" >"$work/skips.root"
    echo "QtTest SKIP lines inside: $(wc -l <"$work/skips.root")"
    sed -nE 's/^SKIP +: /  /p' "$root_log"
elif [ "$status" -eq 0 ]; then
    echo "FAILED: no ctest log inside the root"
    problems=1
fi
if [ ! -f "$host_log" ]; then
    echo "FAILED: no ctest log in $host_build to compare with: run bash scripts/test.sh on this machine first"
    problems=1
elif [ -f "$root_log" ]; then
    skips "$host_log" >"$work/skips.host"
    echo "QtTest SKIP lines on this machine: $(wc -l <"$work/skips.host")"
    while read -r change; do
        what=${change:1}
        where=$([ "${change:0:1}" = "<" ] && echo "only inside" || echo "only on this machine")
        cause=""
        for entry in "${explained[@]}"; do
            [ "${entry%%$'\t'*}" = "$what" ] && cause=${entry#*$'\t'}
        done
        if [ -n "$cause" ]; then
            echo "skipped $where: $what (explained: $cause)"
        else
            echo "FAILED: skipped $where, with no cause named: $what"
            problems=1
        fi
    done < <(diff "$work/skips.root" "$work/skips.host" | sed -nE 's/^([<>]) /\1/p')
fi
echo "fresh-machine check took $(elapsed)"
if [ "$problems" -ne 0 ]; then
    echo "fresh-machine check FAILED; all that was printed inside the root is in $log"
    exit 1
fi
echo "fresh-machine check passed"
