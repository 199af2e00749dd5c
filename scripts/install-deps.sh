#!/usr/bin/env bash
# Installs the Debian packages Skirmdeck builds, runs and tests with, and registers the
# "SQL Server" ODBC driver name for FreeTDS. Safe to run again.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6sql6-odbc libgl-dev
    unixodbc unixodbc-dev odbc-postgresql tdsodbc libsqlite3-dev
    postgresql pgbouncer
    iputils-ping iproute2 util-linux
    locales
    xvfb xauth fonts-dejavu-core fonts-liberation
    wine gcc-mingw-w64
    desktop-file-utils appstream man-db dpkg-dev
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# The games are 32-bit Windows programs; on amd64, Debian's wine brings only the 64-bit loader,
# and the 32-bit one (wine32) is an i386 package.
update=false
if [ "$(dpkg --print-architecture)" = amd64 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
        update=true
    fi
    packages+=(wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ] || $update; then
    as_root apt-get update -qq
fi
if [ ${#missing[@]} -gt 0 ]; then
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

here=$(cd "$(dirname "$0")" && pwd)
as_root bash "$here/../core/directory/register-sql-server-driver.sh"
