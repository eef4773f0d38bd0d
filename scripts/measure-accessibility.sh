#!/usr/bin/env bash
# Prints, per screen and state the UI journeys reach, what a screen reader finds there: controls,
# controls without a name or press action (target 0), and texts in the accessibility tree versus
# texts on screen. MOLVENA_ACCESSIBILITY_SURVEY=1 lets every journey run to its end and list each
# fault instead of stopping at the first screen that has one.
#   scripts/measure-accessibility.sh [ctest -R pattern, default: the journeys]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
cd "$build"
MOLVENA_ACCESSIBILITY_SURVEY=1 ctest -R "${1:-journey_tests}" -V 2>&1 |
    sed -n 's/^.*QINFO  : [^ ]* accessibility //p; s/^.*QINFO  : [^ ]*   \(.*\)$/    \1/p; s/^[0-9]*:   \(.*\)$/    \1/p'
