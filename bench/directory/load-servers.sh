#!/bin/sh
# The servers of the directory load benchmark: a throwaway PostgreSQL 15 on 127.0.0.1 with
# max_connections = 100 and the directory script loaded, and PgBouncer in front of it in
# transaction pooling.
#   load-servers.sh start STATE_DIR SCHEMA_SQL [SETUP_SQL]
#   load-servers.sh stop STATE_DIR
# SETUP_SQL runs after the script, as the owner (the benchmark's entries, roles and limits).
# start writes into STATE_DIR: pg_port, bouncer_port, datadir and odbc/odbcinst.ini (for ODBCSYSINI).
set -eu

command=$1
state=$2
pgbin=${PG_BIN:-/usr/lib/postgresql/15/bin}

# initdb, pg_ctl and pgbouncer refuse to run as root.
as_owner() {
    if [ "$(id -u)" = 0 ]; then
        runuser -u postgres -- "$@"
    else
        "$@"
    fi
}

stop() {
    [ -f "$state/datadir" ] || return 0
    cluster=$(cat "$state/datadir")
    case "$cluster" in
    /tmp/skirmdeck-load.*) ;;
    *) echo "refusing to remove $cluster" >&2; return 1 ;;
    esac
    if [ -f "$cluster/pgbouncer.pid" ]; then
        kill "$(cat "$cluster/pgbouncer.pid")" 2>/dev/null || true
    fi
    if [ -f "$cluster/data/postmaster.pid" ]; then
        as_owner "$pgbin/pg_ctl" -D "$cluster/data" -m immediate -w stop >/dev/null || true
    fi
    rm -rf "$cluster"
    rm -f "$state/datadir" "$state/pg_port" "$state/bouncer_port"
}

free_port() {
    port=$1
    while ss -Htln "sport = :$port" | grep -q .; do port=$((port + 1)); done
    echo "$port"
}

# Starts PgBouncer on a port; false when it is not ready within 20 seconds (the port may have
# been taken meanwhile), after stopping what started.
start_bouncer() {
    cluster=$1
    pg_port=$2
    bouncer_port=$3
    # Enough server connections for two cores, and room for every client of the largest run.
    cat >"$cluster/pgbouncer.ini" <<INI
[databases]
skirmdeck_directory = host=127.0.0.1 port=$pg_port dbname=skirmdeck_directory

[pgbouncer]
listen_addr = 127.0.0.1
listen_port = $bouncer_port
unix_socket_dir = $cluster
auth_type = trust
auth_file = $cluster/users.txt
pool_mode = transaction
default_pool_size = 20
max_client_conn = 1000
pidfile = $cluster/pgbouncer.pid
logfile = $cluster/pgbouncer.log
log_connections = 0
log_disconnections = 0
INI
    [ "$(id -u)" != 0 ] || chown postgres: "$cluster/pgbouncer.ini" "$cluster/users.txt"
    as_owner pgbouncer -d "$cluster/pgbouncer.ini" >"$cluster/pgbouncer.err" 2>&1 || true
    tries=0
    until "$pgbin/pg_isready" -q -h 127.0.0.1 -p "$bouncer_port" -d skirmdeck_directory -U dirbench; do
        tries=$((tries + 1))
        if [ $tries -ge 200 ]; then
            [ ! -f "$cluster/pgbouncer.pid" ] || kill "$(cat "$cluster/pgbouncer.pid")" 2>/dev/null || true
            return 1
        fi
        sleep 0.1
    done
}

start() {
    schema=$3
    setup=${4:-}
    stop
    mkdir -p "$state/odbc"
    cluster=$(mktemp -d /tmp/skirmdeck-load.XXXXXX)
    echo "$cluster" >"$state/datadir"
    [ "$(id -u)" != 0 ] || chown postgres: "$cluster"
    as_owner "$pgbin/initdb" -D "$cluster/data" -U dirbench --auth=trust -E UTF8 --no-locale >"$cluster/initdb.log"

    pg_port=$(free_port $((30000 + $$ % 10000)))
    as_owner "$pgbin/pg_ctl" -D "$cluster/data" -l "$cluster/server.log" -w -t 60 \
        -o "-p $pg_port -k $cluster -c listen_addresses=127.0.0.1 -c max_connections=100" start >/dev/null
    echo "$pg_port" >"$state/pg_port"
    "$pgbin/psql" -h 127.0.0.1 -p "$pg_port" -U dirbench -d postgres -v ON_ERROR_STOP=1 -q \
        -c "CREATE DATABASE skirmdeck_directory"
    "$pgbin/psql" -h 127.0.0.1 -p "$pg_port" -U dirbench -d skirmdeck_directory -v ON_ERROR_STOP=1 -q -f "$schema"
    [ -z "$setup" ] || "$pgbin/psql" -h 127.0.0.1 -p "$pg_port" -U dirbench -d skirmdeck_directory \
        -v ON_ERROR_STOP=1 -q -f "$setup"
    # PgBouncer lets in, without a password, the roles that may log in.
    "$pgbin/psql" -h 127.0.0.1 -p "$pg_port" -U dirbench -d postgres -At \
        -c "SELECT format('\"%s\" \"\"', rolname) FROM pg_roles WHERE rolcanlogin" >"$cluster/users.txt"

    bouncer_port=$pg_port
    attempt=0
    until start_bouncer "$cluster" "$pg_port" "$(free_port $((bouncer_port + 1)))"; do
        attempt=$((attempt + 1))
        [ $attempt -lt 3 ] || { cat "$cluster/pgbouncer.log" "$cluster/pgbouncer.err" >&2; exit 1; }
    done
    echo "$bouncer_port" >"$state/bouncer_port"

    # The driver by a name of the benchmark's own, without communication logs.
    cat >"$state/odbc/odbcinst.ini" <<INI
[Skirmdeck Bench PostgreSQL]
Driver=psqlodbcw.so
CommLog=0
Debug=0
INI
    : >"$state/odbc/odbc.ini"
}

case "$command" in
start) start "$@" ;;
stop) stop ;;
*) echo "usage: $0 start STATE SCHEMA | stop STATE" >&2; exit 2 ;;
esac
