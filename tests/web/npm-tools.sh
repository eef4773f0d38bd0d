# Sourced by the browser test and scripts/measure-web-overview.sh.

# npm ci from the committed lockfile into tests/web/node_modules, unless that lockfile is installed
# already. puppeteer-core drives the installed Chromium and downloads no browser.
install_npm_tools() {
    local web
    web="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
    if ! cmp -s "$web/package-lock.json" "$web/node_modules/.molvena-installed-lock"; then
        (cd "$web" && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error >&2)
        cp "$web/package-lock.json" "$web/node_modules/.molvena-installed-lock"
    fi
}

# The base64 SHA-256 of a certificate's public key, as Chromium's
# --ignore-certificate-errors-spki-list takes it.
spki_hash() {
    openssl x509 -in "$1" -noout -pubkey | openssl pkey -pubin -outform der | openssl dgst -sha256 -binary | base64
}
