#!/usr/bin/env bash
# From a fresh machine to a first import: installs what is missing, builds
# the toolset and reads the shipped example definitions file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
build/bin/norvakload -f examples/orders.xml
