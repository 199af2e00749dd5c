#!/bin/sh
# Stops the cluster pg-start.sh started and removes its files.
#   pg-stop.sh STATE_DIR
set -eu

state=$1
pgbin=${PG_BIN:-/usr/lib/postgresql/15/bin}
[ -f "$state/datadir" ] || exit 0
cluster=$(cat "$state/datadir")

case "$cluster" in
/tmp/skirmdeck-pg.*) ;;
*) echo "refusing to remove $cluster" >&2; exit 1 ;;
esac

if [ -f "$cluster/data/postmaster.pid" ]; then
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$pgbin/pg_ctl" -D "$cluster/data" -m immediate -w stop >/dev/null || true
    else
        "$pgbin/pg_ctl" -D "$cluster/data" -m immediate -w stop >/dev/null || true
    fi
fi
rm -rf "$cluster"
rm -f "$state/datadir" "$state/port" "$state/pgbin"
