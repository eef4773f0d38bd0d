#!/usr/bin/env bash
# Runs every test: installs what is missing, builds, packs the Debian packages from that build
# (scripts/package.sh, which validates them), then ctest (UI tests on the offscreen platform,
# screenshots under build/test-artifacts). Some platform tests need root for network namespaces.
# With MOLVENA_INSTALL_PACKAGES=1 (CI) the packages are installed with apt first, so the installed
# app's journey runs; without it that test skips.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
"$root/scripts/build.sh"
"$root/scripts/package.sh"
if [ "${MOLVENA_INSTALL_PACKAGES:-0}" = 1 ]; then
    start=$(date +%s)
    apt-get install -y -qq --no-install-recommends --reinstall "$build"/packages/molvena_*.deb \
        "$build"/packages/molvena-server_*.deb >/dev/null
    echo "Installed the molvena packages with apt in $(($(date +%s) - start)) s"
fi
cd "$build"
ctest --output-on-failure --parallel "$(nproc)" "$@"
