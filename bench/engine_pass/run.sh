#!/usr/bin/env bash
# The engine pass plus page scan against bare engine loops, side by side in one run with the
# repetitions interleaved: (a) closing each page at once, (b) never closing a page until the end.
# Usage: bench/engine_pass/run.sh [BUILD_DIR] [REPS]
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$repo/build}
reps=${2:-5}
bench=$build/bin/engine_pass_bench
samples=$repo/spikes/redaction-integrity/fixtures/real-world

declare -A terms=(
  [08_fed_register]="Federal Register regulation agency comment rule section department notice citation publication code"
  [02_arxiv_2cols]="abstract neural transformer attention training model dataset GPU experiment section figure reference"
  [04_scotus]="Halvorsen Pemberton-Rae Colorado insurrection petitioner respondent Court appeal Justice judgment"
)

median() { sort -n | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }

printf '| sample | pass ms (engine + scan) | (a) close ms | previous ms | (b) keep ms | pass / (b) | scan / engine | pass RSS MB | (a) RSS MB | previous RSS MB | (b) RSS MB | pass RSS / (a) |\n'
printf '|---|---|---|---|---|---|---|---|---|---|---|---|\n'
for name in 08_fed_register 02_arxiv_2cols 04_scotus; do
  file=$samples/$name.pdf
  tmp=$(mktemp -d)
  for ((r = 0; r < reps; r++)); do
    # shellcheck disable=SC2086
    "$bench" pass "$file" ${terms[$name]} >>"$tmp/pass"
    "$bench" close "$file" >>"$tmp/close"
    "$bench" previous "$file" >>"$tmp/previous"
    "$bench" keep "$file" >>"$tmp/keep"
  done
  row=$name
  for mode in pass close previous keep; do
    row+=" $(field engine_ms <"$tmp/$mode" | median) $(field max_rss_kb <"$tmp/$mode" | median)"
  done
  row+=" $(field scan_ms <"$tmp/pass" | median)"
  echo "$row" | awk '{
    n = $1; pe = $2; pr = $3; ce = $4; cr = $5; ve = $6; vr = $7; ke = $8; kr = $9; ps = $10
    printf "| %s | %.0f + %.1f | %.0f | %.0f | %.0f | %.2f | %.1f%% | %.1f | %.1f | %.1f | %.1f | %.2f |\n",
      n, pe, ps, ce, ve, ke, (pe + ps) / ke, 100 * ps / pe, pr / 1024, cr / 1024, vr / 1024, kr / 1024, pr / cr }'
  rm -rf "$tmp"
done
