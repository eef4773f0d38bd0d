#!/usr/bin/env bash
# Builds with gcc's --coverage into build-coverage/ (or $MOLVENA_COVERAGE_DIR), runs every test, then
# prints line and branch coverage of src/ and server/ and the ratio of test lines to code lines
# (non-blank lines of tracked sources; tests are the files under tests/). Arguments go to ctest.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_COVERAGE_DIR:-$root/build-coverage}"

"$root/scripts/install-dependencies.sh"
if ! command -v gcovr >/dev/null; then
    echo "gcovr is missing: apt-get install gcovr" >&2
    exit 1
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DMOLVENA_ENVIRONMENT_DEPLOYMENT=ON \
    -DCMAKE_CXX_FLAGS="--coverage" -DCMAKE_EXE_LINKER_FLAGS="--coverage" \
    -DCMAKE_SHARED_LINKER_FLAGS="--coverage" >/dev/null
cmake --build "$build" --parallel "$(nproc)"

# Counters from an earlier run would add to this one, and notes of objects no longer built (a file
# moved or removed) would count their lines as never run.
find "$build" -name '*.gcda' -delete
(cd "$build" && ninja -t cleandead >/dev/null)
find "$build" -name '*.gcno' | while read -r notes; do
    [ -f "${notes%.gcno}.o" ] || rm -f "$notes"
done
(cd "$build" && ctest --output-on-failure --parallel "$(nproc)" "$@") || echo "Some tests failed; the figures below cover the run as it went." >&2

# Exceptions and compiler-generated branches are not decisions anyone wrote; leave them out.
gcovr --root "$root" --object-directory "$build" --filter "$root/src/" --filter "$root/server/" \
    --exclude-throw-branches --exclude-unreachable-branches --print-summary --txt "$build/coverage.txt" \
    "$build" | grep -E '^(lines|branches):'

count_lines() { if (($# > 0)); then cat -- "$@" | grep -cv '^[[:space:]]*$'; else echo 0; fi; }
cd "$root"
mapfile -t sources < <(git ls-files -- '*.cpp' '*.h' '*.hpp' '*.mm' '*.qml' '*.js' '*.mjs' '*.py' '*.sh')
tests=()
code=()
for file in "${sources[@]}"; do
    case "$file" in
    tests/*) tests+=("$file") ;;
    *) code+=("$file") ;;
    esac
done
test_lines=$(count_lines "${tests[@]}")
code_lines=$(count_lines "${code[@]}")
awk -v t="$test_lines" -v c="$code_lines" \
    'BEGIN { printf "tests: %d lines, code: %d lines, ratio: %.2f\n", t, c, t / c }'
echo "Per-file figures: ${build#"$root"/}/coverage.txt"
