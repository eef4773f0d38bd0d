#!/usr/bin/env bash
# Fails when the molvena package does not depend on every Debian package that holds a QML module
# the screens import: qmlimportscanner lists the imports of src/ui, dpkg -S names the package that
# installed each module's qmldir. dpkg-shlibdeps cannot see these (QML modules are loaded at run
# time), so a missing one means the installed app starts to a blank window. pkexec and polkitd
# (the web-protection step's helper) must be there too.
#   scripts/check-package-depends.sh build/packages/molvena_*.deb
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
deb="$1"

scanner="$(qtpaths6 --query QT_INSTALL_LIBEXECS)/qmlimportscanner"
qml="$(qtpaths6 --query QT_INSTALL_QML)"
mapfile -t modules < <("$scanner" -rootPath "$root/src/ui" -importPath "$qml" |
    python3 -c 'import json, sys
for m in json.load(sys.stdin):
    if m.get("type") == "module" and m.get("path"):
        print(m["name"] + " " + m["path"])')
if ((${#modules[@]} == 0)); then
    echo "qmlimportscanner found no QML module imports in src/ui" >&2
    exit 1
fi

declare -A needed=([pkexec]="the web-protection helper" [polkitd]="the web-protection helper")
for entry in "${modules[@]}"; do
    name="${entry%% *}" path="${entry#* }"
    owner="$(dpkg -S "$path/qmldir" 2>/dev/null | head -n1 | cut -d: -f1)" || true
    if [ -z "$owner" ]; then
        echo "no installed package holds $path/qmldir (QML module $name)" >&2
        exit 1
    fi
    needed[$owner]="${needed[$owner]:+${needed[$owner]}, }$name"
done

# Depends: "a (>= 1), b | c, d" -> one package name a line (every alternative counts).
depends="$(dpkg-deb -f "$deb" Depends)"
declare -A declared=()
while read -r package; do
    [ -n "$package" ] && declared[$package]=1
done < <(tr ',|' '\n\n' <<<"$depends" | sed -e 's/(.*)//' -e 's/:any//' -e 's/[[:space:]]//g')

missing=0
for package in $(printf '%s\n' "${!needed[@]}" | sort); do
    if [ -z "${declared[$package]:-}" ]; then
        echo "MISSING from Depends of $(basename "$deb"): $package (for ${needed[$package]})"
        missing=1
    else
        echo "ok: $package (for ${needed[$package]})"
    fi
done
exit "$missing"
