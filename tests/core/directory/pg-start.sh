#!/bin/sh
# Starts a throwaway PostgreSQL 15 cluster on 127.0.0.1 for the directory tests and loads the
# directory's functions into a database of its own.
#   pg-start.sh STATE_DIR SCHEMA_SQL
# STATE_DIR receives: port, datadir (the cluster's folder), pgbin (the server's programs) and
# odbc/odbcinst.ini (the ODBC drivers the tests name, for ODBCSYSINI). pg-stop.sh STATE_DIR undoes everything.
set -eu

state=$1
schema=$2
pgbin=${PG_BIN:-/usr/lib/postgresql/15/bin}
here=$(cd "$(dirname "$0")" && pwd)

# A cluster left behind by an interrupted run goes first.
"$here/pg-stop.sh" "$state" >/dev/null 2>&1 || true
mkdir -p "$state/odbc"

cluster=$(mktemp -d /tmp/skirmdeck-pg.XXXXXX)
echo "$cluster" >"$state/datadir"

# initdb and pg_ctl refuse to run as root.
as_owner() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}
if [ "$(id -u)" = 0 ]; then
    chown postgres: "$cluster"
fi

as_owner "$pgbin/initdb" -D "$cluster/data" -U dirtest --auth=trust -E UTF8 --no-locale >"$cluster/initdb.log"
# The rules tests connect from a second loopback address as well.
echo "host all all 127.0.0.0/8 trust" >>"$cluster/data/pg_hba.conf"

# A port from a range few services use; the next one is tried when it is taken.
port=$((40000 + $$ % 20000))
tries=0
until as_owner "$pgbin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t 60 \
    -o "-p $port -k $cluster -c listen_addresses=127.0.0.1 -c fsync=off" start >/dev/null; do
    tries=$((tries + 1))
    if [ $tries -ge 10 ]; then
        cat "$cluster/server.log" >&2
        exit 1
    fi
    port=$((port + 1))
done
echo "$port" >"$state/port"
echo "$pgbin" >"$state/pgbin"

psql() { "$pgbin/psql" -h 127.0.0.1 -p "$port" -U dirtest -v ON_ERROR_STOP=1 -q "$@"; }
psql -d postgres -c "CREATE DATABASE skirmdeck_directory"
psql -d skirmdeck_directory -f "$schema"

# Drivers by name for the tests, without the system's communication logs.
cat >"$state/odbc/odbcinst.ini" <<INI
[Skirmdeck Test PostgreSQL]
Description=psqlODBC for the directory tests
Driver=psqlodbcw.so
CommLog=0
Debug=0

[SQL Server]
Description=FreeTDS under the classic driver name
Driver=libtdsodbc.so
INI
: >"$state/odbc/odbc.ini"
echo "PostgreSQL for the directory tests on 127.0.0.1:$port"
