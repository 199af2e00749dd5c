#!/usr/bin/env bash
# Fails when a dependency points the wrong way (docs/architecture.md):
# - a core/ file includes a header of the QtWidgets module;
# - a library includes a higher one: core/runtime < core/settings < core/net < core/state
#   < core/directory < core/browser < gui/common < the other gui/ libraries < app/;
#   tools/ may use core/ only; tests/ and bench/ are exempt;
# - anything but app/ includes the main window, gui/main/frmMain.h (its own library, tests
#   and benchmarks aside);
# - a CMake file includes a fragment OPTIONAL or tests a path with if(EXISTS.
# Reads the sources only; no build needed. --self-test plants each fault in a copy of the tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# The QtWidgets module's headers, without the compatibility forwards to QtGui (qaction.h, ...).
widget_headers() {
    local qt
    qt=$(qtpaths6 --query QT_INSTALL_HEADERS)
    comm -23 <(ls "$qt/QtWidgets" | sort) <(ls "$qt/QtGui" "$qt/QtCore" | sort)
}

check() {
    local dir=$1 widgets status=0
    widgets=$(mktemp)
    widget_headers >"$widgets"
    (cd "$dir" && grep -rnE --include='*.cpp' --include='*.h' '^\s*#\s*include\s*[<"]' \
        $(ls -d core gui tools app resources 2>/dev/null) || true) |
        awk -v widgets="$widgets" '
        BEGIN { while ((getline name < widgets) > 0) W[name] = 1 }
        function rank(p) {
            if (p ~ /^core\/runtime\//) return 1
            if (p ~ /^core\/settings\//) return 2
            if (p ~ /^core\/net\//) return 3
            if (p ~ /^core\/state\//) return 4
            if (p ~ /^core\/directory\//) return 5
            if (p ~ /^core\/browser\//) return 6
            if (p ~ /^gui\/common\//) return 7
            if (p ~ /^gui\//) return 8
            if (p ~ /^app\//) return 9
            if (p ~ /^(tests|bench)\//) return 10
            return 0
        }
        function fail(why) { print where ": " why; bad = 1 }
        {
            match($0, /^[^:]+:[0-9]+:/); where = substr($0, 1, RLENGTH - 1); text = substr($0, RLENGTH + 1)
            file = where; sub(/:.*/, "", file)
            match(text, /[<"][^>"]+[>"]/); target = substr(text, RSTART + 1, RLENGTH - 2)
            own = file ~ /^tools\// ? 6 : rank(file)
            if (file ~ /^core\// && (target in W || target ~ /^QtWidgets\//))
                fail("core/ includes the Widgets header " target)
            if (target == "gui/main/frmMain.h" && file !~ /^(app|gui\/main)\//)
                fail("only app/ may include the main window")
            else if (own > 0 && rank(target) > own)
                fail("a lower library includes the higher " target)
        }
        END { exit bad }' || status=1
    rm -f "$widgets"
    if (cd "$dir" && find . \( -path ./.git -o -path "./build*" \) -prune -o \( -name CMakeLists.txt -o -name '*.cmake' \) -print0 |
        xargs -0 grep -niE 'include\s*\([^)]*\bOPTIONAL\b|if\s*\(\s*(NOT\s+)?EXISTS\b'); then
        echo "CMake: list sources plainly; no OPTIONAL includes, no if(EXISTS"
        status=1
    fi
    return $status
}

self_test() {
    local copy plant line expect got
    copy=$(mktemp -d)
    trap "rm -rf '$copy'" EXIT
    cp -r "$root"/{CMakeLists.txt,core,gui,tools,app} "$copy"
    check "$copy" >/dev/null || { echo "self-test: the tree itself fails"; return 1; }
    # file|line|pass or fail
    while IFS='|' read -r plant line expect; do
        mkdir -p "$copy/$(dirname "$plant")"
        echo "$line" >"$copy/$plant"
        if check "$copy" >/dev/null; then got=pass; else got=fail; fi
        rm "$copy/$plant"
        [ "$got" = "$expect" ] || { echo "self-test: $plant with '$line' should $expect"; return 1; }
    done <<'CASES'
core/net/Planted.cpp|#include <QLabel>|fail
core/net/Planted.cpp|#include <QtWidgets/qlabel.h>|fail
core/net/Planted.cpp|#include <QAction>|pass
core/net/Planted.cpp|#include <qaction.h>|pass
core/settings/Planted.cpp|#include "core/net/Echo.h"|fail
core/browser/Planted.cpp|#include "gui/common/UiSupport.h"|fail
gui/common/Planted.cpp|#include "gui/options/frmAbout.h"|fail
gui/options/Planted.cpp|#include "gui/main/frmMain.h"|fail
tools/Planted.cpp|#include "gui/common/UiSupport.h"|fail
tools/Planted.cpp|#include "core/state/AppState.h"|pass
app/Planted.cpp|#include "gui/main/frmMain.h"|pass
core/Planted.cmake|include(extra.cmake OPTIONAL)|fail
core/Planted.cmake|if(EXISTS ${dir}/CMakeLists.txt)|fail
CASES
    echo "layering self-test passed"
}

if [ "${1:-}" = --self-test ]; then
    self_test
else
    check "$root" && echo "layering check passed"
fi
