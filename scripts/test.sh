#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, then ctest (UI tests on the offscreen platform,
# screenshots under build/test-artifacts). Some platform tests need root for network namespaces.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" "$@"
