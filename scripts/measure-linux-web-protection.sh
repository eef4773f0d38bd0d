#!/usr/bin/env bash
# Linux's web-protection step, timed as the player meets it: in a network namespace with a real
# Unbound as the protective resolver and another as the ISP's, the sheet's "Installer webbeskyttelse"
# runs molvena-dns-helper (directly, on a root folder of its own whose etc/resolv.conf is the
# namespace's) and the time runs until the layer says "Webbeskyttelse aktiv" (the helper, the
# canary's lookup and probe, the control lookup). Needs root for the namespace.
#   scripts/measure-linux-web-protection.sh [runs]   (build folder: $MOLVENA_BUILD_DIR or build/)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
runs="${1:-5}"
if [ "$(id -u)" -ne 0 ]; then
    echo "Needs root for its network namespace." >&2
    exit 1
fi
cmake --build "$build" --target protection_end_to_end_tests molvena-dns-helper -- -j2 >/dev/null
test="$build/tests/core/protection/protection_end_to_end_tests"
figures=()
for _ in $(seq 1 "$runs"); do
    line="$(QT_QPA_PLATFORM=offscreen "$test" installAndRemoveThroughTheHelper 2>&1 |
        sed -n 's/^Install button to "Webbeskyttelse aktiv": \([0-9]*\) ms$/\1/p')"
    [ -n "$line" ] || { echo "The run failed; run $test installAndRemoveThroughTheHelper to see why." >&2; exit 1; }
    figures+=("$line")
done
sorted="$(printf '%s\n' "${figures[@]}" | sort -n)"
echo "Install button to \"Webbeskyttelse aktiv\" over $runs runs (ms): $(echo "$sorted" | tr '\n' ' ')"
echo "median: $(echo "$sorted" | sed -n "$(((runs + 1) / 2))p") ms"
