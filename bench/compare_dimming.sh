#!/bin/sh
# The dimming of two engines side by side: BM_Dimmed of this tree's build and
# of BASE (default main), built with this tree's benchmark beside this tree, each
# brightness run on the old engine and then on the new one in turn.
# Usage: bench/compare_dimming.sh [BASE]     (BUILD: this tree's build directory)
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
base=${1:-main}
build=${BUILD:-$here/build}
old=$here-bench-$(echo "$base" | tr '/' '-')
if [ ! -d "$old" ]; then
    mkdir -p "$old"
    git -C "$here" archive "$base" | tar -x -C "$old"
fi
cp "$here/bench/bench_refresh_engine.cpp" "$old/bench/"
cmake -S "$old" -B "$old/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache >/dev/null
cmake --build "$old/build" -j2 --target bench_refresh_engine >/dev/null
cmake --build "$build" -j2 --target bench_refresh_engine >/dev/null
out=$(mktemp -d)
for planes in 0 3 4; do
    for percent in 100 50 20 5; do
        name="BM_Dimmed/$planes/$percent/"
        for side in before after; do
            dir=$old/build
            [ "$side" = after ] && dir=$build
            QT_QPA_PLATFORM=offscreen "$dir/bench/bench_refresh_engine" \
                --benchmark_filter="^$name" --benchmark_format=json \
                >"$out/$side-$planes-$percent.json" 2>/dev/null
        done
    done
done
python3 - "$out" <<'PY'
import json, sys, os
out = sys.argv[1]
def counters(side, planes, percent):
    with open(os.path.join(out, f"{side}-{planes}-{percent}.json")) as f:
        run = json.load(f)["benchmarks"][0]
    return run
kinds = {0: ("on/off", "flashes/s"), 3: ("grey, 8 levels", "cycles/s"),
         4: ("grey, 16 levels", "cycles/s")}
print(f"{'frame':<16} {'bright':>6} | {'rate before':>11} {'rate after':>10} | "
      f"{'light% before':>13} {'light% after':>12}")
for planes, (kind, rate) in kinds.items():
    for percent in (100, 50, 20, 5):
        b, a = counters("before", planes, percent), counters("after", planes, percent)
        if "error_message" in b or "error_message" in a:
            print(f"{kind:<16} {percent:>5}% | {b.get('error_message', a.get('error_message'))}")
            continue
        print(f"{kind:<16} {percent:>5}% | {b[rate]:>11.1f} {a[rate]:>10.1f} | "
              f"{b['light_%']:>13.2f} {a['light_%']:>12.2f}")
PY
rm -r "$out"
