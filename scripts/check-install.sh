#!/usr/bin/env bash
# Checks what an installation gives, from a configured and built build folder (default: build):
# `cmake --install` into a temporary DESTDIR (desktop entry, metainfo, icons, manual pages, the
# installed programs, --start-dir), then `cpack -G DEB` (control fields, contents, the unpacked
# programs, lintian, the maintainer scripts' ODBC registration against a private odbcinst.ini).
# The programs are those of SKIRMDECK_PROGRAMS (dist/CMakeLists.txt), each in PREFIX/games
# with a manual page in section 6, and each answers --version with the release.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen

fail() {
    echo "check-install: $*" >&2
    exit 1
}
cache() { sed -n "s/^$1:[A-Z]*=//p" "$build/CMakeCache.txt"; }
app_id=$(cache SKIRMDECK_APP_ID)
version=$(cache CMAKE_PROJECT_VERSION)
programs=$(cache SKIRMDECK_PROGRAMS | tr ';' ' ')
gamesdir=$(cache SKIRMDECK_INSTALL_GAMESDIR)
[ -n "$programs" ] && [ -n "$gamesdir" ] || fail "$build was configured without the program list"

# Width and height of a PNG, from its IHDR chunk.
png_size() {
    [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || return 1
    echo "$((16#$(od -An -tx1 -j16 -N4 "$1" | tr -d ' \n'))) $((16#$(od -An -tx1 -j20 -N4 "$1" | tr -d ' \n')))"
}

# The files every installation holds, relative to the prefix.
expected_files() {
    for program in $programs; do echo "$gamesdir/$program" "share/man/man6/$program.6.gz"; done
    echo "share/applications/$app_id.desktop" "share/metainfo/$app_id.metainfo.xml"
    for size in 16 32 48 64 128 256; do echo "share/icons/hicolor/${size}x${size}/apps/skirmdeck.png"; done
    echo share/skirmdeck/postgresql.sql share/skirmdeck/sqlserver.sql share/skirmdeck/register-sql-server-driver.sh
    echo share/doc/skirmdeck/README.md share/doc/skirmdeck/LICENSE share/doc/skirmdeck/copyright
    echo share/doc/skirmdeck/changelog.gz share/doc/skirmdeck/directory-server.md
}

# The installed programs start: version and help.
check_programs() {
    local bin=$1
    for program in $programs; do
        "$bin/$program" --version | grep -qF "$version" || fail "$bin/$program --version does not give $version"
    done
    "$bin/skirmdeck-reg" '/?' | grep -q '^Usage:' || fail "$bin/skirmdeck-reg /? gives no usage"
}

echo "== cmake --install into a temporary DESTDIR"
DESTDIR="$work/dest" cmake --install "$build" --prefix /usr >/dev/null
dest="$work/dest/usr"
for f in $(expected_files); do [ -e "$dest/$f" ] || fail "not installed: $f"; done
desktop-file-validate "$dest/share/applications/$app_id.desktop"
grep -qx 'Exec=skirmdeck --start-in-data-dir' "$dest/share/applications/$app_id.desktop" ||
    fail "the desktop entry does not start the program in its data folder"
appstreamcli validate --no-net "$dest/share/metainfo/$app_id.metainfo.xml"
for size in 16 32 48 64 128 256; do
    got=$(png_size "$dest/share/icons/hicolor/${size}x${size}/apps/skirmdeck.png") || fail "icon $size is not a PNG"
    [ "$got" = "$size $size" ] || fail "icon ${size}x${size} is $got"
done
for page in $programs; do
    file=$dest/share/man/man6/$page.6.gz
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $page: $warnings"
    zcat "$file" | grep -qE "^\.TH [^ ]+ 6 " || fail "the page of $page is not in section 6"
done
[ -z "$(find "$dest/share/man" -type f ! -name '*.gz')" ] || fail "uncompressed manual pages installed"
[ -z "$(find "$dest" -path "$dest/bin/*")" ] || fail "programs installed in bin, not in $gamesdir"
check_programs "$dest/$gamesdir"

echo "== --start-dir"
# A missing folder is made and the program runs there (until the check ends it).
set +e
SKIRMDECK_REGISTRY="$work/system.reg" timeout 5 "$dest/$gamesdir/skirmdeck" --start-dir "$work/start/deep" >/dev/null 2>&1
status=$?
set -e
[ "$status" -eq 124 ] || fail "skirmdeck --start-dir ended with status $status"
[ -d "$work/start/deep" ] || fail "--start-dir did not make the folder"
# A folder that cannot be made: a message naming it, status 2, no window.
: >"$work/plain-file"
set +e
message=$(timeout 5 "$dest/$gamesdir/skirmdeck" --start-dir "$work/plain-file/favourites" 2>&1 >/dev/null)
status=$?
set -e
[ "$status" -eq 2 ] || fail "an impossible --start-dir gave status $status"
grep -qF "$work/plain-file/favourites" <<<"$message" || fail "the message does not name the folder: $message"

echo "== cpack -G DEB"
(cd "$build" && cpack -G DEB -B "$work/pkg" >/dev/null)
deb=$(ls "$work"/pkg/skirmdeck_*.deb)
info=$(dpkg-deb --info "$deb")
echo "$info" | grep -E '^ (Depends|Recommends):'
echo "$info" | grep -qE '^ Depends:.*libqt6widgets6' || fail "Depends lacks the Qt libraries"
echo "$info" | grep -qE '^ Depends:.*libodbc' || fail "Depends lacks unixODBC"
for p in wine wine32 odbc-postgresql tdsodbc; do
    echo "$info" | grep -qE "^ Recommends:.*(^| |,)$p(,|$)" || fail "Recommends lacks $p"
done
contents=$(dpkg-deb -c "$deb" | awk '{print $NF}')
for f in $(expected_files); do grep -qx "./usr/$f" <<<"$contents" || fail "the package lacks /usr/$f"; done
dpkg-deb -x "$deb" "$work/root"
check_programs "$work/root/usr/$gamesdir"

echo "== lintian"
# No error and no warning; of the informational tags (shown with --pedantic), none about
# hardening.
command -v lintian >/dev/null || fail "lintian is not installed: bash scripts/install-deps.sh"
set +e
findings=$(lintian --display-info --pedantic "$deb" 2>&1)
status=$?
findings=$(grep -v '^running with root privileges is not recommended' <<<"$findings" || true)
set -e
# 0: no error, 1: errors found, anything else: lintian itself failed.
[ "$status" -le 1 ] || fail "lintian could not check $(basename "$deb") (status $status): $findings"
[ -z "$findings" ] || echo "$findings"
if grep -qE '^(E|W): |hardening-no-' <<<"$findings"; then
    fail "lintian found errors, warnings or missing hardening in $(basename "$deb")"
fi

echo "== maintainer scripts: the \"SQL Server\" ODBC name"
dpkg-deb -e "$deb" "$work/control"
export ODBCSYSINI="$work/odbc" DPKG_ROOT="$work/root"
mkdir -p "$ODBCSYSINI"
entries() { grep -c '^\[SQL Server\]' "$ODBCSYSINI/odbcinst.ini" || true; }
: >"$ODBCSYSINI/odbcinst.ini"
sh "$work/control/postinst" configure >/dev/null
sh "$work/control/postinst" configure >/dev/null
[ "$(entries)" = 1 ] && grep -q '^UsageCount=1$' "$ODBCSYSINI/odbcinst.ini" || fail "postinst did not register once"
sh "$work/control/prerm" remove
[ "$(entries)" = 0 ] || fail "prerm left the name it registered"
# A name registered by someone else stays through install and removal.
printf '[SQL Server]\nDriver=/opt/other/libother.so\n' >"$ODBCSYSINI/odbcinst.ini"
sh "$work/control/postinst" configure >/dev/null
sh "$work/control/prerm" remove
grep -q '^Driver=/opt/other/libother.so$' "$ODBCSYSINI/odbcinst.ini" || fail "the scripts changed a name they did not register"

echo "install checks passed"
