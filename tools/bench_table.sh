#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the benchmarks and rewrites docs/performance.md with their medians and
# the machine they ran on; with the web page built (make web) and its test's
# browsers installed (make web-test), the page's figures in Firefox and
# Chromium as well, beside those of an earlier build of the page when one is
# named.
#   tools/bench_table.sh [build-dir] [web-build-dir] [earlier-web-build-dir]
set -euo pipefail
build=${1:-build}
web=${2:-build-web}
earlier=${3:-}
out=docs/performance.md
csv=$(mktemp)
trap 'rm -f "$csv"' EXIT

"$build/bench/vendrask_bench" --benchmark_repetitions=7 --benchmark_report_aggregates_only=true \
  --benchmark_format=csv 2>/dev/null >"$csv"

cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
mesa=$(dpkg-query -W -f='${Version}' libgl1-mesa-dri 2>/dev/null || echo unknown)

# "name_median",iterations,real_time,cpu_time,time_unit,...
medians() {
  awk -F, -v want="$1" '$1 ~ "_median\"$" {
      name=$1; gsub(/"/, "", name); sub(/_median$/, "", name); sub(/\/real_time$/, "", name)
      if (name ~ want) printf "| `%s` | %.4g %s |\n", name, $3, $5
  }' "$csv"
}

{
  echo "# Performance"
  echo
  echo "Medians of 7 repetitions from \`vendrask_bench\` (Google Benchmark), remade by"
  echo "\`tools/bench_table.sh\` after \`make build\`."
  echo
  echo "Machine: $cpu, $(nproc) cores; Mesa $mesa (llvmpipe software renderer on Xvfb)."
  echo
  echo "## Landscape and random source"
  echo
  echo "| benchmark | median |"
  echo "|---|---|"
  medians '^BM_(generate_landscape|ran1|gauss_deviate)$'
  echo
  echo "## Mesh code alone (GL calls dropped), by detail level"
  echo
  echo "| benchmark | median |"
  echo "|---|---|"
  medians '^BM_draw_landscape/'
  echo
  echo "## Whole frames in Mesa's software renderer, by detail level"
  echo
  echo "| benchmark | median (wall clock) |"
  echo "|---|---|"
  medians '^BM_frame/'
  echo
  awk -F, '/"BM_draw_landscape\/0_median"/ {m=$3} /"BM_frame\/0\/real_time_median"/ {f=$3}
    END { if (f > 0) printf "At level 0 the mesh code\x27s own work is %.1f%% of a frame.\n", 100 * (m / 1000) / f }' "$csv"
  if [ -f "$web/vendrask.wasm" ] && [ -d tests/web/node_modules ]; then
    echo
    # The desktop's frame times at levels 0 to 4, in ms, to stand beside the page's.
    desktop=$(awk -F, '$1 ~ /^"BM_frame\/[0-4]\/real_time_median"$/ {printf "%s%s", sep, $3; sep=","}' "$csv")
    # Firefox draws on a private X display, which never resets (as the tests').
    VENDRASK_DESKTOP_FRAMES=$desktop xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \
      node bench/web_bench.mjs "$web" ${earlier:+"$earlier"}
  fi
} >"$out"
echo "Wrote $out"
