#!/usr/bin/env bash
# Builds the Debian packages molvena and molvena-server with cpack from the existing build (the
# one scripts/build.sh and scripts/test.sh make, install prefix /usr): no second build. Then checks
# them as a distribution would: desktop-file-validate, appstreamcli validate --no-net and lintian
# must report no errors, and the app must depend on every QML module it imports.
# The .deb files land in build/packages/ (or $MOLVENA_BUILD_DIR/packages/).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${MOLVENA_BUILD_DIR:-$root/build}"

if [ ! -f "$build/CPackConfig.cmake" ]; then
    echo "No build in $build: run scripts/build.sh first." >&2
    exit 1
fi
prefix="$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")"
if [ "$prefix" != "/usr" ]; then
    echo "The build in $build installs to '$prefix'; packages need /usr (scripts/build.sh sets it)." >&2
    exit 1
fi
cmake --build "$build" --target molvena molvena-server molvena_package_files >/dev/null
rm -f "$build"/packages/*.deb
(cd "$build" && cpack -G DEB --config CPackConfig.cmake >/dev/null)
debs=("$build"/packages/molvena_*.deb "$build"/packages/molvena-server_*.deb)

unpacked="$(mktemp -d)"
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "${debs[0]}" "$unpacked"
desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
appstreamcli validate --no-net --explain "$unpacked"/usr/share/metainfo/*.metainfo.xml >"$unpacked/appstream.log" ||
    { cat "$unpacked/appstream.log"; exit 1; }
# Errors fail; warnings and notes are printed for the reader.
lintian --fail-on error "${debs[@]}"
"$root/scripts/check-package-depends.sh" "${debs[0]}" >/dev/null

for deb in "${debs[@]}"; do
    printf '%s: %s KiB, installed %s KiB\n' "$(basename "$deb")" "$(($(stat -c %s "$deb") / 1024))" \
        "$(dpkg-deb -f "$deb" Installed-Size)"
done
