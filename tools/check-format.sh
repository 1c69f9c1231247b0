#!/usr/bin/env bash
# Fails when a C or C++ source of the working tree (untracked ones too, not
# ignored ones) differs from what clang-format makes of it with the committed
# .clang-format; prints where.
#   tools/check-format.sh          check
#   tools/check-format.sh --fix    reformat in place
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.c' '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
if ! clang-format --dry-run --Werror "${files[@]}"; then
    echo "check-format: the files above differ from .clang-format; tools/check-format.sh --fix reformats them" >&2
    exit 1
fi
