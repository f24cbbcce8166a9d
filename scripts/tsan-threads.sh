#!/usr/bin/env bash
# ThreadSanitizer run of the test programs labelled "threads" (their code runs on several threads:
# the runner, the workers, the board transaction and comm log, and the windows that drive them).
# The configure step lists them in <build>/threads-targets.txt. Any report fails the run. Qt itself is not built with ThreadSanitizer, so reports from inside Qt's own
# uninstrumented code are ignored; ours stay checked.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/tsan"
jobs=${JOBS:-$(nproc)}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVENDRA_TSAN=ON >/dev/null
mapfile -t targets < <(grep -v '^$' "$build/threads-targets.txt")
[ ${#targets[@]} -gt 0 ] || { echo "tsan: no test target is labelled threads"; exit 1; }
cmake --build "$build" -j "$jobs" --target "${targets[@]}"

passed=0 failed=0
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  if (cd "$work" && QT_QPA_PLATFORM=offscreen \
      TSAN_OPTIONS="halt_on_error=1 exitcode=66 ignore_noninstrumented_modules=1" \
      "$build/bin/$t" >"$work/out.log" 2>&1); then
    passed=$((passed + 1)); echo "tsan ok:     $t"
  else
    failed=$((failed + 1)); echo "tsan FAILED: $t"; tail -n 60 "$work/out.log"
  fi
  rm -rf "$work"
done
echo "tsan: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
