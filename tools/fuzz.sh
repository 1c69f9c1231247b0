#!/usr/bin/env bash
# Builds the native fuzzers and runs one of them.
#
#   bash tools/fuzz.sh config|registrar|systemdat|cregedit [SECONDS|-runs=N]
#
# Seeds come from tests/fuzz/corpus/<name>; what the run finds goes to
# build/fuzz/corpus-<name>. Crashes stop the run with the input saved in
# build/fuzz/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
name=${1:?config, registrar, systemdat or cregedit}
limit=${2:-20}
out="$root/build/fuzz"
cmake -S "$root/tests/fuzz" -B "$out" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out" -j"$(nproc)" >/dev/null
case "$name" in
config) fuzzer=config_block_fuzzer ;;
registrar) fuzzer=registrar_fuzzer ;;
systemdat) fuzzer=systemdat_fuzzer ;;
cregedit) fuzzer=cregedit_fuzzer ;;
*) echo "unknown fuzzer $name" >&2; exit 2 ;;
esac
corpus="$out/corpus-$name"
mkdir -p "$corpus"
case "$limit" in
-runs=*) bound=("$limit") ;;
*) bound=("-max_total_time=$limit") ;;
esac
cd "$out"
export LSAN_OPTIONS="suppressions=$root/tests/fuzz/lsan.supp:print_suppressions=0"
# The fuzzer's own exit status is the result (a crash or a leak is not 0);
# its output is kept whole in a file and only summed up here.
log="$out/$name.log"
status=0
"$out/$fuzzer" "${bound[@]}" -timeout=10 -print_final_stats=1 "$corpus" "$root/tests/fuzz/corpus/$name" >"$log" 2>&1 || status=$?
grep -E "^(stat::number_of_executed_units|stat::average_exec_per_sec|#[0-9]+ +DONE)|ERROR|SUMMARY|Done" "$log" || true
[ "$status" -eq 0 ] || echo "fuzz: $fuzzer exited with $status (full output: $log)" >&2
exit "$status"
