#!/usr/bin/env bash
# Soak test of provisioning (not part of the test suite): N provision runs against simulated
# modules with a random fault each (none, silence, split answers, a refused value, unplugged
# midway, stale answers). Every run must leave exactly one record whose outcome matches how the
# module behaved, and no run may be recorded "done" unless its module holds its values.
# Usage: scripts/soak-provision.sh [N (default 500)] [build dir (default build)] [seed]
set -uo pipefail
cd "$(dirname "$0")/.."
n=${1:-500}
build=${2:-build}
RANDOM=${3:-1}
tool=$build/app/dtu-config
sim=$build/tools/dtu-sim/dtu-sim
work=$(mktemp -d /tmp/dtu-soak.XXXXXX)
simpid=
cleanup() { [ -n "$simpid" ] && kill "$simpid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

start_sim() { # args...; sets port and simpid
  "$sim" --dump-params "$work/dump.txt" "$@" >"$work/sim.out" 2>&1 &
  simpid=$!
  for _ in $(seq 50); do
    port=$(head -n1 "$work/sim.out" 2>/dev/null)
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "soak: the simulator did not start" >&2
  exit 2
}
stop_sim() { kill "$simpid" 2>/dev/null; wait "$simpid" 2>/dev/null; simpid=; }
records() { "$tool" --batch records --records "$work/records.db" 2>/dev/null; }
count() { records | python3 -c 'import csv, sys; print(len(list(csv.reader(sys.stdin))) - 1)'; }
last_outcome() { records | python3 -c 'import csv, sys; r = list(csv.reader(sys.stdin)); print(r[-1][11] if len(r) > 1 else "")'; }

start_sim --command-state
"$tool" --batch get-all --port "$port" --ini "$work/template.ini" >/dev/null 2>&1 || { echo "soak: no template" >&2; exit 2; }
stop_sim
printf 'IMEI,REGID\n860123456789012,DEV-SOAK\n' >"$work/values.csv"

faults=(none silence split refused unplug stale)
expect=(done no-answer no-answer refused port-failed differs)
bad=0
declare -A seen
for i in $(seq 1 "$n"); do
  k=$((RANDOM % ${#faults[@]}))
  case ${faults[$k]} in
    none) args=(--command-state) ;;
    silence) args=(--ignore 100000) ;;
    split) args=(--command-state --split) ;;
    refused) args=(--command-state --refuse STMSG) ;;
    unplug) args=(--command-state --hangup-after $((20 + RANDOM % 120))) ;; # always before the last line
    stale) args=(--command-state --stale HEARTTM) ;;
  esac
  rm -f "$work/dump.txt"
  start_sim "${args[@]}"
  before=$(count)
  "$tool" --batch provision --port "$port" --ini "$work/template.ini" --values "$work/values.csv" \
    --records "$work/records.db" --station soak --timeout 60 >"$work/run.out" 2>&1
  code=$?
  stop_sim
  after=$(count)
  outcome=$(last_outcome)
  why=
  [ "$after" -eq $((before + 1)) ] || why="records $before -> $after"
  [ "$outcome" = "${expect[$k]}" ] || why="$why outcome $outcome, want ${expect[$k]}"
  if [ "$outcome" = done ] && ! grep -q '^REGID=DEV-SOAK' "$work/dump.txt"; then
    why="$why done but the module lacks its values"
  fi
  seen["${faults[$k]}:$outcome"]=$(( ${seen["${faults[$k]}:$outcome"]:-0} + 1 ))
  if [ -n "$why" ]; then
    bad=$((bad + 1))
    echo "run $i (${faults[$k]}, exit $code): $why" >&2
    tail -n 5 "$work/run.out" >&2
  fi
done
echo "soak: $n runs, $bad wrong"
for key in "${!seen[@]}"; do echo "  $key ${seen[$key]}"; done | sort
[ "$bad" -eq 0 ]
