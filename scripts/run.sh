#!/usr/bin/env bash
# Installs what is missing, builds, and starts TOBARI EDI on the data folder
# ./dist (created and completed on first start). Arguments go to the
# program, e.g. `scripts/run.sh version`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
mkdir -p dist
cp -f build/tobari-edi dist/tobari-edi
exec dist/tobari-edi --app-folder "$PWD/dist" "$@"
