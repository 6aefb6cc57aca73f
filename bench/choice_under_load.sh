#!/usr/bin/env bash
# Makes the automatic kernel choice RUNS times, each in a fresh process,
# while two busy loops keep both cores occupied, and counts how often each
# kernel won. LOAD=0 runs without the busy loops.
#
#   bench/choice_under_load.sh [ZAR_CHOICE] [RUNS]
#
# ZAR_CHOICE defaults to build/release/bench/zar_choice, RUNS to 200.
set -euo pipefail

choice=${1:-build/release/bench/zar_choice}
runs=${2:-200}
load=${LOAD:-2}
[[ -x $choice ]] || { echo "no executable $choice (build the release preset first)"; exit 1; }

busy=()
stop_busy() { for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null || true; done; }
trap stop_busy EXIT
for ((i = 0; i < load; i++)); do
  yes >/dev/null &
  busy+=($!)
done

for ((i = 0; i < runs; i++)); do "$choice" | cut -d' ' -f1; done | sort | uniq -c
echo "($runs fresh processes, $load busy loops, load average $(cut -d' ' -f1 /proc/loadavg))"
