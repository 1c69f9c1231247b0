#!/usr/bin/env bash
# The engine's signature verdict against YARA's ("$sig at 15710" with the
# stand-in's 1,024 bytes) over generated files: the signature at 15709, 15710
# and 15711, files cut at every boundary around it, one byte changed at
# either end. Every file must get the same verdict from both.
#   signature_differential.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
src=$2
out="$build/differential"
rm -rf "$out" && mkdir -p "$out"
make() { python3 "$src/tools/mockserver/make_fixtures.py" --base "$build/bin/MockServer.exe" \
    --signature "$src/engine/res/signature.bin" --name agent.exe --value Agent "$@"; }
make --out "$out/at15710.exe"
make --out "$out/at15709.exe" --sig-offset 15709
make --out "$out/at15711.exe" --sig-offset 15711
make --out "$out/first_changed.exe" --flip 0
make --out "$out/last_changed.exe" --flip 1023
make --out "$out/clean.exe" --no-signature
for size in 15709 15710 15711 16000 16733 16734 16735 124887 124988; do
    make --out "$out/cut$size.exe" --size "$size"
done

hex=$(head -c 1024 "$src/engine/res/signature.bin" | od -An -v -tx1 | tr -d '\n' | sed 's/^ //')
printf 'rule standin\n{\n    strings:\n        $sig = { %s }\n    condition:\n        $sig at 15710\n}\n' "$hex" > "$out/standin.yar"
yara "$out/standin.yar" "$out" | awk '{print $2}' | xargs -n1 basename | sort > "$out/yara.txt"

winpaths=()
for f in "$out"/*.exe; do winpaths+=("Z:$(echo "$f" | tr / '\\')"); done
bash "$src/cmake/wine-run.sh" "$build/bin/kxbench.exe" verdict "${winpaths[@]}" | tr -d '\r' |
    awk '$1 == 1 {print $2}' | sed 's/.*\\//' | sort > "$out/engine.txt"

total=$(ls "$out"/*.exe | wc -l)
if diff -u "$out/yara.txt" "$out/engine.txt"; then
    echo "engine and YARA agree on all $total files ($(wc -l < "$out/engine.txt") carry the signature)"
    echo "$total passed, 0 failed"
else
    echo "0 passed, 1 failed"
    exit 1
fi
