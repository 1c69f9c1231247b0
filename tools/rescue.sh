#!/usr/bin/env bash
# Installs what is missing, builds kestrix-rescue (build/rescue) and runs it
# with the arguments given: bash tools/rescue.sh scan disk.img
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/tools/setup-host.sh" >&2
cmake -S "$root/rescue" -B "$root/build/rescue" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build/rescue" -j"$(nproc)" >/dev/null
exec "$root/build/rescue/kestrix-rescue" "$@"
