#!/usr/bin/env bash
# Installs the Debian packages Skirmdeck builds, runs and tests with, registers the
# "SQL Server" ODBC driver name for FreeTDS, and then checks that everything the tests, the
# README's commands and CI call is really there. Safe to run again: a second run installs
# nothing and only repeats the checks.
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
    desktop-file-utils appstream man-db dpkg-dev lintian
)

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

# Wine's loaders, in /usr/lib/wine: "wine" runs 32-bit programs (package wine32), "wine64"
# 64-bit ones (package wine64). Debian's wine depends on "wine64 | wine32", so a request for
# wine and wine32:i386 alone is met by wine32 without wine64; on amd64 both are named, as
# Debian documents for a WoW64 set-up. wine32 is an i386 package there.
loaders=()
update=false
case "$(dpkg --print-architecture)" in
amd64)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
        update=true
    fi
    packages+=(wine64 wine32:i386)
    loaders=(wine wine64)
    ;;
arm64 | ppc64el | s390x | riscv64) loaders=(wine64) ;;
*) loaders=(wine) ;;
esac

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

# Post-conditions: each program (looked up on PATH) or file (an absolute path), with the
# package that brings it.
pgbin=/usr/lib/postgresql/15/bin
needed=(
    "cmake cmake" "cpack cmake" "ninja ninja-build" "c++ build-essential" "pkg-config pkg-config"
    "clang-format clang-format"
    "Xvfb xvfb" "xvfb-run xvfb" "xauth xauth"
    "psql postgresql" "$pgbin/psql postgresql" "$pgbin/initdb postgresql" "$pgbin/pg_ctl postgresql"
    "odbcinst unixodbc" "runuser util-linux" "unshare util-linux" "ping iputils-ping" "ip iproute2"
    "wine wine" "wineboot wine" "wineserver wine"
    "i686-w64-mingw32-gcc gcc-mingw-w64" "x86_64-w64-mingw32-gcc gcc-mingw-w64"
    "desktop-file-validate desktop-file-utils" "appstreamcli appstream" "man man-db"
    "dpkg-deb dpkg" "lintian lintian" "gzip gzip"
    "localedef libc-bin" "pgbouncer pgbouncer" "$pgbin/pgbench postgresql"
)
for loader in "${loaders[@]}"; do
    case $loader in
    wine) needed+=("/usr/lib/wine/wine wine32:i386") ;;
    wine64) needed+=("/usr/lib/wine/wine64 wine64") ;;
    esac
done
absent=()
# The comma-decimal locale the window tests make for themselves is built from this source.
[ -e /usr/share/i18n/locales/de_DE ] || absent+=("/usr/share/i18n/locales/de_DE (package locales)")
for entry in "${needed[@]}"; do
    what=${entry% *}
    package=${entry##* }
    if [[ $what == /* ]]; then
        [ -x "$what" ] || absent+=("$what (package $package)")
    else
        PATH=$PATH:/usr/sbin:/sbin command -v "$what" >/dev/null || absent+=("$what (package $package)")
    fi
done
if [ ${#absent[@]} -gt 0 ]; then
    echo "install-deps: installed, but still missing:" >&2
    printf '  %s\n' "${absent[@]}" >&2
    echo "install-deps: as root: apt-get install --no-install-recommends PACKAGE... for each package named" >&2
    exit 1
fi
