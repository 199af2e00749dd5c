#!/usr/bin/env bash
# Planted-fault check: do the tests catch small, realistic faults?
#
# Each line of the list (default tests/mutants.tsv) plants one fault: a text in one file,
# replaced by another. The check copies the tree's tracked files into a scratch folder,
# configures one build there, and for each fault: plants it, builds incrementally, runs the
# tests named by the line's ctest pattern, and puts the file back. It prints one line a fault:
#   caught     a listed test failed
#   MISSED     every listed test passed with the fault in place
#   stale      the original text is no longer in the file (the list needs updating)
#   ambiguous  the original text occurs more than once (make it longer)
#   nobuild    the fault does not compile (a listed fault must be a run-time fault)
#   notests    the pattern names no test
# and a summary; the exit status is 1 when any fault is not "caught". It never writes to the
# tree it checks. Run by hand, not by CI: the whole list takes about 10 minutes on 2 cores with a
# warm compiler cache, the first build of the scratch copy included.
#
# The list is tab-separated, with a header line and six fields a line:
#   name  file  original  replacement  tests  description
# Fields are taken literally (no escapes) and hold no tab; a fault changes text within one
# line. Lines starting with # and empty lines are skipped.
#
# Usage: check-mutants.sh [--list FILE] [--only NAME-OR-NUMBER]... [--keep] [--scratch DIR]
#                         [--no-baseline]
#   --only     run the faults whose number or name matches (an extended regex on the name);
#              may be given more than once
#   --keep     leave the scratch folder (its path is printed); the last fault is put back
#   --scratch  use (and keep) this folder: made when missing, brought up to date with the
#              tree's files when present, so a second run builds little
#   --no-baseline  skip the first run of the chosen tests without any fault
# The configuration honours CMAKE_C_COMPILER_LAUNCHER / CMAKE_CXX_COMPILER_LAUNCHER (e.g. ccache)
# and CMAKE_BUILD_TYPE (default RelWithDebInfo); MUTANT_TEST_TIMEOUT sets ctest's time-out
# for tests without their own (default 600 s).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
list=$root/tests/mutants.tsv
only=()
keep=0
scratch=
baseline=1

while (($#)); do
    case $1 in
    --list) list=$(realpath "$2"); shift 2 ;;
    --only) only+=("$2"); shift 2 ;;
    --keep) keep=1; shift ;;
    --scratch) scratch=$2; keep=1; shift 2 ;;
    --no-baseline) baseline=0; shift ;;
    -h | --help) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 0 ;;
    *) echo "check-mutants: unknown argument: $1" >&2; exit 2 ;;
    esac
done

start=$(date +%s)
jobs=$(nproc)
timeout=${MUTANT_TEST_TIMEOUT:-600}

# ---- the list -------------------------------------------------------------------------------
names=() files=() originals=() replacements=() patterns=() descriptions=()
lineno=0
header_seen=0
while IFS= read -r line || [[ -n $line ]]; do
    lineno=$((lineno + 1))
    line=${line%$'\r'}
    [[ -z $line || $line == \#* ]] && continue
    if ((!header_seen)); then
        header_seen=1
        [[ $line == $'name\tfile\toriginal\treplacement\ttests\tdescription' ]] && continue
        echo "check-mutants: $list: the first line must be the header" >&2
        exit 2
    fi
    IFS=$'\t' read -r -a fields <<<"$line"
    # read drops empty fields between tabs; count the tabs instead.
    tabs=${line//[^$'\t']/}
    if ((${#tabs} != 5 || ${#fields[@]} != 6)); then
        echo "check-mutants: $list:$lineno: want 6 non-empty tab-separated fields" >&2
        exit 2
    fi
    names+=("${fields[0]}") files+=("${fields[1]}") originals+=("${fields[2]}")
    replacements+=("${fields[3]}") patterns+=("${fields[4]}") descriptions+=("${fields[5]}")
done <"$list"
total=${#names[@]}
if ((total == 0)); then
    echo "check-mutants: $list: no faults" >&2
    exit 2
fi
dups=$(printf '%s\n' "${names[@]}" | sort | uniq -d)
if [[ -n $dups ]]; then
    echo "check-mutants: $list: names used twice: $dups" >&2
    exit 2
fi

chosen=()
for ((i = 0; i < total; i++)); do
    if ((${#only[@]} == 0)); then
        chosen+=("$i")
        continue
    fi
    for want in "${only[@]}"; do
        if [[ $want =~ ^[0-9]+$ ]] && ((want == i + 1)) || [[ ! $want =~ ^[0-9]+$ && ${names[i]} =~ $want ]]; then
            chosen+=("$i")
            break
        fi
    done
done
if ((${#chosen[@]} == 0)); then
    echo "check-mutants: no fault matches ${only[*]}" >&2
    exit 2
fi

# ---- the scratch copy -----------------------------------------------------------------------
if [[ -z $scratch ]]; then
    scratch=$(mktemp -d "${TMPDIR:-/var/tmp}/skirmdeck-mutants.XXXXXX")
fi
mkdir -p "$scratch"
scratch=$(cd "$scratch" && pwd)
case $scratch/ in
"$root"/*) echo "check-mutants: the scratch folder must be outside the tree" >&2; exit 2 ;;
esac
build=$scratch/build
logs=$scratch/logs
mkdir -p "$logs"

planted=
restore() {
    if [[ -n $planted ]]; then
        # A new time, so the build puts the unchanged object back.
        cp "$logs/original" "$scratch/$planted"
        touch "$scratch/$planted"
        planted=
    fi
}
finish() {
    restore
    if ((keep)); then
        echo "scratch copy kept: $scratch"
    else
        rm -rf "$scratch"
    fi
}
trap finish EXIT
trap 'exit 130' INT TERM

# Copy the tracked files. A file already there and equal is left alone, so a reused folder builds
# little; a copied one gets a new time, so the build never keeps an object older than its source.
(cd "$root" && git ls-files -z) | while IFS= read -r -d '' f; do
    [[ -f $root/$f ]] || continue
    if ! cmp -s "$root/$f" "$scratch/$f"; then
        mkdir -p "$(dirname "$scratch/$f")"
        cp "$root/$f" "$scratch/$f"
    fi
done

# The compiler cache sees the same relative paths as in other build folders.
if [[ ${CMAKE_CXX_COMPILER_LAUNCHER:-} == *ccache* && -z ${CCACHE_BASEDIR:-} ]]; then
    export CCACHE_BASEDIR=$scratch
fi
if [[ ! -f $build/CMakeCache.txt ]]; then
    echo "configuring $build"
    generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    cmake -S "$scratch" -B "$build" "${generator[@]}" \
        -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" >"$logs/configure.log" 2>&1 ||
        { echo "check-mutants: configuring failed, see $logs/configure.log" >&2; exit 2; }
fi
echo "building $build"
if ! cmake --build "$build" -j"$jobs" >"$logs/build.log" 2>&1; then
    echo "check-mutants: the unchanged tree does not build, see $logs/build.log" >&2
    exit 2
fi

run_tests() { # pattern log
    (cd "$build" && ctest -R "$1" -j"$jobs" --timeout "$timeout" --output-on-failure) >"$2" 2>&1
}
# The names of the tests a pattern selects (ctest's own regex has too few groups to join the
# patterns into one).
test_names() {
    (cd "$build" && ctest -N -R "$1") | sed -n 's/^ *Test *#[0-9]*: //p'
}

if ((baseline)); then
    union=$(for i in "${chosen[@]}"; do test_names "${patterns[i]}"; done | sort -u | paste -sd'|')
    if [[ -z $union ]]; then
        echo "check-mutants: the chosen patterns name no test" >&2
        exit 2
    fi
    echo "baseline: the chosen faults' tests without any fault: ${union//|/ }"
    t0=$(date +%s)
    if ! run_tests "^($union)\$" "$logs/baseline.log" || ! grep -q '100% tests passed' "$logs/baseline.log"; then
        grep -E '^\s*[0-9]+ - |tests passed' "$logs/baseline.log" >&2 || true
        echo "check-mutants: the tests fail without any fault, see $logs/baseline.log" >&2
        exit 2
    fi
    echo "baseline passed ($(($(date +%s) - t0)) s)"
fi

# ---- the faults -----------------------------------------------------------------------------
declare -A tally=()
failed=()
for i in "${chosen[@]}"; do
    n=$((i + 1)) name=${names[i]} file=${files[i]}
    t0=$(date +%s)
    target=$scratch/$file
    log=$logs/$n-$name.log
    : >"$log"
    status=
    if [[ ! -f $target ]]; then
        status=stale
    else
        occurrences=$(ORIG=${originals[i]} perl -0777 -ne \
            'my $n = 0; my $p = 0; while (($p = index($_, $ENV{ORIG}, $p)) >= 0) { $n++; $p++ } print $n' "$target")
        if ((occurrences == 0)); then
            status=stale
        elif ((occurrences > 1)); then
            status=ambiguous
        elif [[ -z $(test_names "${patterns[i]}") ]]; then
            status=notests
        fi
    fi
    if [[ -z $status ]]; then
        cp -p "$target" "$logs/original"
        planted=$file
        ORIG=${originals[i]} REPL=${replacements[i]} perl -0777 -i -pe \
            'my $p = index($_, $ENV{ORIG}); substr($_, $p, length($ENV{ORIG})) = $ENV{REPL}' "$target"
        if ! cmake --build "$build" -j"$jobs" >>"$log" 2>&1; then
            status=nobuild
        elif run_tests "${patterns[i]}" "$log.tests"; then
            status=MISSED
        else
            status=caught
        fi
        [[ -f $log.tests ]] && cat "$log.tests" >>"$log" && rm -f "$log.tests"
        restore
    fi
    tally[$status]=$((${tally[$status]:-0} + 1))
    [[ $status == caught ]] || failed+=("$n $name")
    printf '%-9s %3d %-34s %-40s %4ds  %s\n' "$status" "$n" "$name" "$file" "$(($(date +%s) - t0))" \
        "${descriptions[i]}"
done

# Leave a kept build matching the tree again.
if ((keep)); then
    cmake --build "$build" -j"$jobs" >>"$logs/build.log" 2>&1 || true
fi

elapsed=$(($(date +%s) - start))
summary="${#chosen[@]} faults:"
for s in caught MISSED stale ambiguous nobuild notests; do
    [[ -n ${tally[$s]:-} ]] && summary+=" ${tally[$s]} $s,"
done
echo "${summary%,}"
printf 'total time %d min %02d s\n' $((elapsed / 60)) $((elapsed % 60))
if ((${#failed[@]})); then
    echo "not caught: ${failed[*]}"
    echo "logs: $logs (with --keep)"
    exit 1
fi
