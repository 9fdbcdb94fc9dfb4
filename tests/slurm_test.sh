#!/usr/bin/env bash
# A real Slurm run of zemrath-sweep: starts a throwaway single-node cluster
# (munge and Slurm from Debian, their configuration, spool and state under
# a scratch folder), submits an experiment through docs/zemrath-sweep.sbatch
# as an array of 3 tasks and the dependent merge, waits for them, compares
# the merged files with an unsharded run, and stops the daemons it started,
# by their process ids, on every way out.
#
#   slurm_test.sh SWEEP_PROGRAM SOURCE_DIR
set -euo pipefail
sweep=$(realpath "$1")
source_dir=$(realpath "$2")

for command in munged slurmctld slurmd sbatch squeue scontrol; do
  command -v "$command" >/dev/null || { echo "SKIPPED: $command is not installed (Debian: slurm-wlm, munge)"; exit 77; }
done
if [ "$(id -u)" -ne 0 ]; then echo "SKIPPED: the cluster's daemons need root"; exit 77; fi

work=$(mktemp -d /tmp/zemrath-slurm.XXXXXX)
chmod 755 "$work"
pids=()
stop_daemons() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop_daemons EXIT
# A test stopped from outside (a timeout) still stops the daemons.
trap 'exit 1' INT TERM HUP
show_logs() { tail -n 30 "$work"/*.log 2>/dev/null || true; }

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

# munge, with its own key and socket.
mkdir -m 700 "$work/munge"
dd if=/dev/urandom of="$work/munge/munge.key" bs=1024 count=1 status=none
chmod 400 "$work/munge/munge.key"
munged --force --foreground --key-file="$work/munge/munge.key" --socket="$work/munge/socket" \
  --pid-file="$work/munge/munged.pid" --seed-file="$work/munge/seed" --log-file="$work/munged.log" \
  >>"$work/daemons.log" 2>&1 &
pids+=($!)

node=$(hostname -s)
cpus=$(nproc)
mkdir -p "$work/state" "$work/spool"
export SLURM_CONF="$work/slurm.conf"
cat >"$SLURM_CONF" <<CONF
ClusterName=zemrath-test
SlurmctldHost=$node
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/munge/socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
AccountingStorageType=accounting_storage/none
JobCompType=jobcomp/none
JobAcctGatherType=jobacct_gather/none
SchedulerType=sched/builtin
SelectType=select/linear
MpiDefault=none
ReturnToService=2
NodeName=$node CPUs=$cpus Sockets=1 CoresPerSocket=$cpus ThreadsPerCore=1 State=UNKNOWN
PartitionName=test Nodes=$node Default=YES MaxTime=INFINITE State=UP
CONF

for _ in $(seq 50); do [ -S "$work/munge/socket" ] && break; sleep 0.1; done
slurmctld -D -i -f "$SLURM_CONF" >>"$work/daemons.log" 2>&1 &
pids+=($!)
slurmd -D -f "$SLURM_CONF" >>"$work/daemons.log" 2>&1 &
pids+=($!)

# The node is up when it takes jobs.
ready=""
for _ in $(seq 120); do
  if scontrol show node "$node" 2>/dev/null | grep -q 'State=IDLE'; then ready=yes; break; fi
  sleep 0.5
done
[ -n "$ready" ] || { echo "the cluster did not come up"; show_logs; exit 1; }

# The experiment: a small grid.
mkdir -p "$work/experiment"
printf '0.013\n0.8\n0.5\n400\n2\n0.5\n0.1\n4\n1\n10\n' >"$work/experiment/answers.txt"
cat >"$work/experiment/experiment.toml" <<'TOML'
answers = "answers.txt"
seeds = "0-199"
[vary.carrying-capacity]
values = [100, 400]
[vary.adult-survival]
from = 0.4
to = 0.6
points = 3
TOML

# Submitted from the scratch folder, where the jobs then write their logs.
cd "$work"
ZEMRATH_SWEEP="$sweep" "$source_dir/docs/zemrath-sweep.sbatch" "$work/experiment/experiment.toml" "$work/out" 3 \
  --cpus-per-task=1 --time=10 >"$work/submitted" || { show_logs; exit 1; }
cat "$work/submitted"
for _ in $(seq 600); do
  [ -z "$(squeue --noheader 2>/dev/null)" ] && break
  sleep 0.5
done
[ -z "$(squeue --noheader)" ] || { echo "jobs still queued:"; squeue; show_logs; exit 1; }

"$sweep" run "$work/experiment/experiment.toml" --out "$work/whole" --quiet >/dev/null
for file in points.csv summary.csv outcomes.csv sweep.svg; do
  cmp "$work/whole/$file" "$work/out/$file" || { echo "$file differs from one unsharded run"; show_logs; exit 1; }
done
kept=$(ls "$work/out/work" | grep -c '^point-')
[ "$kept" -eq 6 ] || { echo "expected 6 kept points, found $kept"; exit 1; }
echo "the Slurm array of 3 shards and its merge gave the files of one run"
