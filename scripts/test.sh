#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through ctest. The tests start what
# they need themselves (a throwaway PostgreSQL cluster on 127.0.0.1).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${SKIRMDECK_BUILD_DIR:-$root/build}
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" "$build" "$@"
cd "$build"
ctest --output-on-failure --timeout 600
