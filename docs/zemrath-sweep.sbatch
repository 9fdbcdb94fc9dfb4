#!/usr/bin/env bash
# An experiment of zemrath-sweep as a Slurm job array: one task per shard,
# then a merge job that starts once every task has succeeded.
#
# Submit from a login node, with the output directory on a file system that
# every node shares:
#
#   docs/zemrath-sweep.sbatch EXPERIMENT.toml DIR [TASKS [SBATCH OPTION...]]
#
# TASKS (default 16) array tasks each run every TASKS-th point of the design
# (zemrath-sweep run ... --shard K/TASKS, K = SLURM_ARRAY_TASK_ID) on the
# cores Slurm gives them; the merge job writes the final files into DIR.
# A task that is cut off (time limit, preemption) keeps its finished points:
# submit again and only the missing points are run. Set ZEMRATH_SWEEP to the
# program's path if it is not on the PATH of the compute nodes; sbatch hands
# the submitting shell's environment to the jobs.
#
# The resources below are a starting point: one stream per core, so more
# cores per task mean faster points. Options after TASKS go to both sbatch
# calls and take precedence (--partition=..., --cpus-per-task=8, ...).
#SBATCH --job-name=zemrath-sweep
#SBATCH --cpus-per-task=4
#SBATCH --time=04:00:00
set -euo pipefail
sweep=${ZEMRATH_SWEEP:-zemrath-sweep}

case "${1:-}" in
shard)
  exec "$sweep" run "$2" --out "$3" --quiet --threads "${SLURM_CPUS_PER_TASK:-1}" \
    --shard "${SLURM_ARRAY_TASK_ID}/${SLURM_ARRAY_TASK_COUNT}"
  ;;
merge)
  exec "$sweep" merge "$2" --quiet
  ;;
*)
  if [ $# -lt 2 ]; then
    sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^#SBATCH.*//; s/^# \{0,1\}//'
    exit 2
  fi
  experiment=$(realpath "$1")
  out=$(realpath -m "$2")
  tasks=${3:-16}
  shift $(($# < 3 ? $# : 3))
  script=$(realpath "$0")
  array=$(sbatch --parsable "$@" --array="0-$((tasks - 1))" "$script" shard "$experiment" "$out")
  array=${array%%;*}
  merge=$(sbatch --parsable "$@" --dependency="afterok:$array" "$script" merge "$out")
  echo "shards: job $array (array of $tasks), merge: job ${merge%%;*}"
  ;;
esac
