#!/usr/bin/env bash
# Times zar_uv5 against md5sum and `openssl md5` on a cached 1 GiB file and
# on a 1-byte file, several rounds interleaved, and prints the medians and
# their ratios. The machine is shared: only ratios within one run count.
#
#   bench/compare.sh [ZAR_UV5] [ROUNDS]
#
# ZAR_UV5 defaults to build/release/app/zar_uv5, ROUNDS to 7. SMALL_RUNS
# (default 300) is how many runs make one timing on the 1-byte file. PEER,
# if set, is another build of zar_uv5 (such as one configured with
# -DZAR_UV5_AVX512=OFF) timed in the same rounds.
set -euo pipefail

zar=${1:-build/release/app/zar_uv5}
rounds=${2:-7}
small_runs=${SMALL_RUNS:-300}
peer=${PEER:-}
[[ -x $zar ]] || { echo "no executable $zar (build the release preset first)"; exit 1; }
zar=$(realpath "$zar")
if [[ -n $peer ]]; then
  [[ -x $peer ]] || { echo "no executable $peer"; exit 1; }
  peer=$(realpath "$peer")
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/zar_compare.XXXXXX")
trap 'rm -rf "$dir"' EXIT
big=$dir/big.bin
small=$dir/small.bin
head -c $((1 << 30)) /dev/urandom >"$big"
printf 'x' >"$small"

# The three tools, run the same way: one file argument, output discarded.
run_zar() { "$zar" "$1"; }
run_md5sum() { md5sum "$1"; }
run_openssl() { openssl md5 "$1"; }
run_peer() { "$peer" "$1"; }
tools=(zar md5sum openssl)
[[ -z $peer ]] || tools+=(peer)

# All three must agree before their times mean anything.
for file in "$big" "$small"; do
  want=$(md5sum "$file" | cut -d' ' -f1)
  got=$(run_zar "$file" | sed -n 's/.*MD5=\([0-9a-f]\{32\}\).*/\1/p')
  theirs=$(run_openssl "$file" | sed 's/.*= //')
  if [[ $got != "$want" || $theirs != "$want" ]]; then
    echo "digests differ on $file: zar_uv5 '$got' md5sum '$want' openssl '$theirs'"
    exit 1
  fi
  if [[ -n $peer ]]; then
    other=$(run_peer "$file" | sed -n 's/.*MD5=\([0-9a-f]\{32\}\).*/\1/p')
    [[ $other == "$want" ]] || { echo "digests differ on $file: peer '$other' md5sum '$want'"; exit 1; }
  fi
done
cat "$big" >/dev/null  # into the page cache

# cpu_and_wall COMMAND...: prints "user+sys real" in seconds, to the
# millisecond, for COMMAND and everything it started.
cpu_and_wall() {
  local TIMEFORMAT='%3U %3S %3R' line
  line=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk '{ printf "%.3f %.3f\n", $1 + $2, $3 }' <<<"$line"
}
small_loop() {
  local i
  for ((i = 0; i < small_runs; i++)); do "run_$1" "$small"; done
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for ((round = 1; round <= rounds; round++)); do
  for tool in "${tools[@]}"; do
    read -r cpu wall < <(cpu_and_wall "run_$tool" "$big")
    echo "$cpu" >>"$dir/big_cpu_$tool"
    echo "$wall" >>"$dir/big_wall_$tool"
    read -r cpu wall < <(cpu_and_wall small_loop "$tool")
    echo "$cpu" >>"$dir/small_cpu_$tool"
    echo "$wall" >>"$dir/small_wall_$tool"
  done
done

for tool in "${tools[@]}"; do
  for kind in big_cpu big_wall small_cpu small_wall; do
    printf -v "${kind}_$tool" '%s' "$(median <"$dir/${kind}_$tool")"
  done
done

# Peak resident set size in KiB, from one run on the large file.
peak_rss() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -1; }
rss_zar=$(peak_rss "$zar" "$big")
rss_md5sum=$(peak_rss md5sum "$big")
rss_openssl=$(peak_rss openssl md5 "$big")

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }
per_run_ms() { awk -v t="$1" -v n="$small_runs" 'BEGIN { printf "%.3f", t * 1000 / n }'; }

echo "zar_uv5: $zar"
echo "1 GiB cached file, median of $rounds rounds (seconds):"
printf '  %-8s cpu %6s  wall %6s\n' zar_uv5 "$big_cpu_zar" "$big_wall_zar" \
  md5sum "$big_cpu_md5sum" "$big_wall_md5sum" openssl "$big_cpu_openssl" "$big_wall_openssl"
echo "  cpu ratio zar_uv5/md5sum  $(ratio "$big_cpu_zar" "$big_cpu_md5sum")"
echo "  cpu ratio zar_uv5/openssl $(ratio "$big_cpu_zar" "$big_cpu_openssl")"
if [[ -n $peer ]]; then
  echo "peer: $peer"
  printf '  %-8s cpu %6s  wall %6s\n' peer "$big_cpu_peer" "$big_wall_peer"
  echo "  cpu ratio zar_uv5/peer    $(ratio "$big_cpu_zar" "$big_cpu_peer")"
  echo "  cpu ratio peer/md5sum     $(ratio "$big_cpu_peer" "$big_cpu_md5sum")"
fi
echo "1-byte file, median of $rounds rounds of $small_runs runs (milliseconds per run):"
for tool in "${tools[@]}"; do
  cpu_var=small_cpu_$tool wall_var=small_wall_$tool
  printf '  %-8s cpu %6s  wall %6s\n' "${tool/zar/zar_uv5}" "$(per_run_ms "${!cpu_var}")" "$(per_run_ms "${!wall_var}")"
done
echo "  wall ratio zar_uv5/md5sum  $(ratio "$small_wall_zar" "$small_wall_md5sum")"
echo "  cpu ratio zar_uv5/md5sum   $(ratio "$small_cpu_zar" "$small_cpu_md5sum")"
echo "  wall ratio zar_uv5/openssl $(ratio "$small_wall_zar" "$small_wall_openssl")"
echo "peak resident memory on the 1 GiB file (KiB):"
printf '  %-8s %s\n' zar_uv5 "$rss_zar" md5sum "$rss_md5sum" openssl "$rss_openssl"
