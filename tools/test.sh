#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup-host.sh"
bash "$root/tools/build.sh"
cd "$root/build"
ctest --output-on-failure "$@"
