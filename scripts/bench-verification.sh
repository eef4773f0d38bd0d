#!/usr/bin/env bash
# Soak run of the web-protection verification: 1,000 verifications in a row against loopback sites
# (a live canary, then a refused port, an unresolvable host and a live site side by side), printing
# the time per verification, the thread count and the resident memory at the start and the end.
#   scripts/bench-verification.sh [iterations]      (build folder: $MOLVENA_BUILD_DIR or build/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
if [ ! -f "$build/build.ninja" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${MOLVENA_BUILD_TYPE:-RelWithDebInfo}" >/dev/null
fi
cmake --build "$build" --target verification_soak -- -j2 >/dev/null
exec "$build/tests/core/protection/bench/verification_soak" "${1:-1000}" --check
