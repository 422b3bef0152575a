#!/usr/bin/env bash
# Throughput of the matcher next to GNU grep -F -i on the same bytes, in MB/s (10^6 bytes per
# second of CPU time, user plus system, best of three runs for grep).
#
#   bench/match/compare_grep.sh [BUILD_DIR]      (default: build)
#
# Haystacks: 64 MiB of generated text without any term, the same with frequent terms, and the
# page text of the sample PDFs (pdftotext) repeated to 64 MiB. Terms: the twelve that
# bench_verify searches for in its letter-to-shareholders sample.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-build}
bench="$build/bin/bench_match"
[[ -x $bench ]] || { echo "compare_grep: no $bench; build the bench_match target first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

"$bench" --write-haystacks "$work"
shopt -s nullglob
for pdf in "$repo"/spikes/*/fixtures/*.pdf "$repo"/spikes/*/fixtures/*/*.pdf "$repo"/bench/samples/*.pdf; do
  pdftotext -enc UTF-8 "$pdf" - >>"$work/one_copy.txt"
done
size=$((64 << 20))
while (($(stat -c %s "$work/page_text.txt" 2>/dev/null || echo 0) < size)); do
  cat "$work/one_copy.txt" >>"$work/page_text.txt"
done
truncate -s "$size" "$work/page_text.txt"

# CPU seconds of the best of three runs of a command.
best_cpu_seconds() {
  local best="" t
  for _ in 1 2 3; do
    t=$( { TIMEFORMAT='%3U %3S'; time "$@" >/dev/null; } 2>&1 | awk '{ print $1 + $2 }')
    if [[ -z $best ]] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}
mbps() { awk -v bytes="$size" -v s="$1" 'BEGIN { printf "%.0f", bytes / s / 1e6 }'; }

# grep writes to a pipe: with standard output on /dev/null it stops at the first match.
grep_count() { LC_ALL=$1 grep -F -i -c -f "$work/terms.txt" "$2" | cat; }
grep_all() { LC_ALL=$1 grep -F -i -o -f "$work/terms.txt" "$2" | wc -l; }

"$bench" --text="$work/page_text.txt" --benchmark_format=json --benchmark_out="$work/ours.json" \
  --benchmark_filter='^(HitMaskPerPage|ForEachMatch)/' --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true >/dev/null
# The median of three repetitions from bench_match's JSON report: MB/s, or the named counter.
ours() {
  python3 - "$work/ours.json" "$1" "${2:-}" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
median = next(r for r in runs if r["run_name"] == sys.argv[2] and r["aggregate_name"] == "median")
print(f"{median[sys.argv[3]]:.0f}" if sys.argv[3] else f"{median['bytes_per_second'] / 1e6:.0f}")
PY
}

row() { printf '%-11s %16s %15s %12s %18s %15s %17s\n' "$@"; }
row haystack "hit mask/4 KiB" for_each_match "grep -c, C" "grep -c, C.UTF-8" "grep -o|wc, C" "matches ours/grep"
for name in no_matches frequent page_text; do
  file="$work/$name.txt"
  key=$name
  [[ $name == page_text ]] && key=text
  row "$name" "$(ours "HitMaskPerPage/$key")" "$(ours "ForEachMatch/$key")" \
    "$(mbps "$(best_cpu_seconds grep_count C "$file")")" \
    "$(mbps "$(best_cpu_seconds grep_count C.UTF-8 "$file")")" \
    "$(mbps "$(best_cpu_seconds grep_all C "$file")")" \
    "$(ours "ForEachMatch/$key" matches)/$(grep_all C "$file")"
done
echo "MB/s. bench_match: median CPU time of 3 repetitions; grep: best CPU time (user + system) of 3."
echo "On the whole no_matches haystack ac_hit_mask scans like for_each_match; on the others it stops"
echo "once all twelve terms are seen, hence the per-page figure."
