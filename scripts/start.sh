#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tovrin.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
if [ -x build/src/app/tovrin ]; then
  exec build/src/app/tovrin "$@"
fi
# Until the window exists, show what the engine reads from the sample photos.
exec build/tools/tovrin-cli info ../shared/corpus/photos/*.jpg
