#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Molvena need.
# Cheap when everything is there already: apt is only asked for what is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    clang # parses the macOS adapters' Objective-C++ (tests/macos-syntax)
    python3 # the macOS checks (tests/macos-syntax): API inventory, property-list lint, include check
    qt6-translations-l10n # Qt's own texts in Danish, built into the app
    qt6-base-dev qt6-declarative-dev qcoro-qt6-dev qt6-httpserver-dev qt6-svg-dev
    libqt6sql6-sqlite libqt6sql6-psql libgl-dev
    qt6-qpa-plugins
    qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtquick-controls
    qml6-module-qtquick-layouts qml6-module-qtquick-shapes qml6-module-qtquick-templates
    qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtqml-workerscript
    qml6-module-qt5compat-graphicaleffects
    qt6-declarative-dev-tools
    fonts-dejavu-core iproute2 procps sqlite3 xvfb
    at-spi2-core dbus-daemon gir1.2-atspi-2.0 python3-gi # the screen-reader journeys (tests/ui/atspi)
    nginx libnginx-mod-stream unbound openssl curl
    pkexec polkitd dbus-daemon # the web-protection helper runs through pkexec (tests/platform/DnsHelperTest)
    postgresql # the server suites also run on a throwaway cluster (scripts/postgresql-cluster.sh)
    systemd desktop-file-utils appstream lintian # scripts/package.sh: unit folder, validators
    chromium nodejs # the relatives' web overview in a real browser (tests/web), driven from Node.js
    wrk # scripts/measure-web-overview.sh: requests per second of the web overview
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
if ((${#missing[@]} > 0)); then
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
    # Unbound runs only as the tests and scripts start it, with their own configuration: the
    # system service would take port 53 and is never needed.
    if [[ " ${missing[*]} " == *" unbound "* ]] && command -v systemctl >/dev/null; then
        "${sudo_cmd[@]}" systemctl disable --now unbound.service unbound-resolvconf.service >/dev/null 2>&1 || true
    fi
    # Likewise PostgreSQL: the tests start throwaway clusters of their own on free ports.
    if [[ " ${missing[*]} " == *" postgresql "* ]] && command -v systemctl >/dev/null; then
        "${sudo_cmd[@]}" systemctl disable --now postgresql.service >/dev/null 2>&1 || true
    fi
fi
# Debian's nodejs comes without npm, which is a package of its own there; NodeSource's nodejs
# carries npm and conflicts with that package, so npm is asked for only when the command is missing.
if ! command -v npm >/dev/null; then
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends npm
fi
