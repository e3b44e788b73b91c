#!/usr/bin/env bash
# Times the host import against bsdtar and unzip on the same large APK, in
# alternating rounds (the machine's drift then hits all alike), and reports
# the import's peak resident memory.
#   bench/compare.sh [build dir (default build/release)] [rounds (default 3)]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
rounds=${2:-3}
if [ ! -x "$build/bench/import_apk" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ -DGLOAMREEF_SANITIZE=OFF -DGLOAMREEF_TESTS=OFF >/dev/null
fi
cmake --build "$build" --target import_apk >/dev/null
work=${TMPDIR:-/tmp}/gloamreef-bench
mkdir -p "$work"
apk=$work/big.apk
python3 bench/make_big_apk.py "$apk" 300

run() {  # name, command...
  local name=$1; shift
  rm -rf "$work/out"; mkdir -p "$work/out"; sync
  /usr/bin/time -f "$name %e s wall %U user %S sys %M KB peak" -o "$work/time" "$@" >/dev/null
  sync
  cat "$work/time"
}
for round in $(seq "$rounds"); do
  echo "round $round"
  run import "$build/bench/import_apk" "$apk" "$work/out"
  run bsdtar bsdtar -x -f "$apk" -C "$work/out" assets
  run unzip unzip -q "$apk" 'assets/*' -d "$work/out"
done
rm -rf "$work/out"
