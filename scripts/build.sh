#!/usr/bin/env bash
# Configures and builds everything into build/ (or $MOLVENA_BUILD_DIR), a development build: the
# MOLVENA_* environment variables may point it at a local backend (run.sh and the tests rely on that).
# Arguments go to cmake, so -DMOLVENA_ENVIRONMENT_DEPLOYMENT=OFF builds as shipped.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"
"$root/scripts/install-dependencies.sh"
# Install prefix /usr: scripts/package.sh packs the Debian packages from this same build.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE="${MOLVENA_BUILD_TYPE:-RelWithDebInfo}" \
    -DMOLVENA_ENVIRONMENT_DEPLOYMENT=ON -DCMAKE_INSTALL_PREFIX=/usr "$@" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
