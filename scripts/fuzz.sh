#!/usr/bin/env bash
# Builds the fuzz targets (clang, -fsanitize=fuzzer,address,undefined) into
# ./build-fuzz and runs each over its seed corpus, one after another, for
# SECONDS each (default 60):
#   scripts/fuzz.sh [SECONDS]
#   FUZZ_TARGETS="fuzz_order_file fuzz_ini_file" scripts/fuzz.sh 30
# New inputs that reach new code are kept in build-fuzz/corpus/<target>
# (the seeds under tests/fuzz/corpus stay as they are). A crash, a
# sanitizer finding or a broken promise keeps its input under
# tests/fuzz/crashes/<target>-... and the script fails; make the input a
# regression case in the ordinary tests.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build_dir="${FUZZ_BUILD_DIR:-build-fuzz}"
all_targets=(fuzz_order_file fuzz_master_csv fuzz_ini_file fuzz_export_definition fuzz_form_definition)
read -r -a targets <<<"${FUZZ_TARGETS:-${all_targets[*]}}"

scripts/install-deps.sh --fuzz
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_C_COMPILER=clang-14 \
  -DTOBARI_FUZZ=ON -DTOBARI_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build "$build_dir" -j "${JOBS:-$(nproc)}" --target "${targets[@]}"

# Files the readers write go to memory where the machine has it.
scratch_root=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch_root=/dev/shm
scratch="$(mktemp -d "$scratch_root/tobari-fuzz.XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

mkdir -p tests/fuzz/crashes
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
if command -v llvm-symbolizer-14 >/dev/null 2>&1; then
  export ASAN_SYMBOLIZER_PATH="$(command -v llvm-symbolizer-14)"
fi
failed=()
for t in "${targets[@]}"; do
  work="$build_dir/corpus/$t"
  mkdir -p "$work"
  echo "== $t: ${seconds} s"
  if ! TMPDIR="$scratch" "$build_dir/fuzz/$t" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="tests/fuzz/crashes/$t-" "$work" "tests/fuzz/corpus/$t" \
      2>"$build_dir/$t.log"; then
    failed+=("$t")
    tail -n 60 "$build_dir/$t.log"
  fi
  grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|^Done [0-9]+ runs' "$build_dir/$t.log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (inputs in tests/fuzz/crashes)" >&2
  exit 1
fi
