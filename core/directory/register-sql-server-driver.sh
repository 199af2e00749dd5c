#!/bin/sh
# Registers an ODBC driver named "SQL Server" for FreeTDS's driver library, so that the
# classic directory connection string (DRIVER={SQL Server};...) reaches a SQL Server from Linux.
# Run as root (it writes the system's odbcinst.ini). Running it again changes nothing.
#   sh register-sql-server-driver.sh
set -eu

name="SQL Server"

library=""
for candidate in /usr/lib/*/odbc/libtdsodbc.so /usr/lib/odbc/libtdsodbc.so /usr/lib64/libtdsodbc.so; do
    if [ -f "$candidate" ]; then
        library=$candidate
        break
    fi
done
if [ -z "$library" ]; then
    echo "FreeTDS's ODBC driver (libtdsodbc.so) is not installed: apt-get install tdsodbc" >&2
    exit 1
fi

current=$(odbcinst -q -d -n "$name" 2>/dev/null | sed -n 's/^[Dd]river[ \t]*=[ \t]*//p' | head -n 1)
if [ "$current" = "$library" ]; then
    echo "ODBC driver \"$name\" already uses $library"
    exit 0
fi
if [ -n "$current" ]; then
    # Another driver under this name was registered on purpose; leave it unless asked.
    if [ "${1:-}" != "--replace" ]; then
        echo "ODBC driver \"$name\" is registered for $current; run with --replace to point it at $library" >&2
        exit 1
    fi
    # Each uninstall only lowers the entry's usage count; repeat until the entry is gone.
    tries=0
    while odbcinst -q -d -n "$name" >/dev/null 2>&1 && [ $tries -lt 50 ]; do
        odbcinst -u -d -n "$name" >/dev/null 2>&1 || true
        tries=$((tries + 1))
    done
fi

template=$(mktemp)
trap 'rm -f "$template"' EXIT
cat >"$template" <<INI
[$name]
Description=FreeTDS (TDS protocol) under the name Windows programs use for SQL Server
Driver=$library
INI
odbcinst -i -d -f "$template" >/dev/null
echo "Registered ODBC driver \"$name\" for $library"
