#!/usr/bin/env bash
# Merges the batch_run_times.txt of the shards of one batch, each run with its
# own --sets range into its own --results folder, into one file in set order,
# written to standard output:
#
#   bash scripts/merge-run-times.sh results/shard_* > results/batch_run_times.txt
#
# The folders may be given in any order: a shard's place is its lowest set
# number, read from its batch_<i>.txt files. Two shards holding the same set
# are refused.
set -euo pipefail
me=merge-run-times.sh
if [ $# -eq 0 ]; then
  echo "usage: $me SHARD_FOLDER... > batch_run_times.txt" >&2
  exit 2
fi

declare -A owner
places=""
for dir in "$@"; do
  if [ ! -f "$dir/batch_run_times.txt" ]; then
    echo "$me: '$dir' holds no batch_run_times.txt" >&2
    exit 1
  fi
  first=""
  for file in "$dir"/batch_*.txt; do
    set=${file##*/batch_}
    set=${set%.txt}
    [[ $set =~ ^[0-9]+$ ]] || continue
    set=$((10#$set))
    if [ -n "${owner[$set]:-}" ]; then
      echo "$me: set $((set + 1)) is in both '${owner[$set]}' and '$dir'" >&2
      exit 1
    fi
    owner[$set]=$dir
    if [ -z "$first" ] || [ "$set" -lt "$first" ]; then first=$set; fi
  done
  # A shard whose sets were all skipped has no timing line: its place is moot.
  places+="${first:-0}"$'\t'"$dir"$'\n'
done

printf '%s' "$places" | sort -n -s -k1,1 | cut -f2- | while IFS= read -r dir; do
  cat "$dir/batch_run_times.txt"
done
