#!/usr/bin/env bash
# A real Slurm cluster of one node on this machine: munged, slurmctld and
# slurmd started as root from a generated slurm.conf and munge key in a
# scratch folder (process tracking by linuxproc, no accounting database),
# on free ports. On it run (a) the Snakemake workflow, each job submitted
# with sbatch, and (b) the job-array script workflows/pairfit-batch-array.sbatch
# with its merge job; both merged files must equal one local run byte for
# byte. The daemons are stopped at the end, also when a step fails.
# Arguments: the pairfit-batch program and the source directory.
set -euo pipefail
batch=$(realpath "$1") source=$(realpath "$2")
. "$source/tests/system_test_common.sh"

[ "$(id -u)" -eq 0 ] || cannot_run "Slurm's daemons must run as root here, and this is user $(id -un)"
for program in munged slurmctld slurmd sbatch sinfo scancel snakemake; do
  command -v "$program" >/dev/null ||
    cannot_run "$program is not installed (Debian: slurm-wlm munge snakemake; scripts/install-deps)"
done
take_system_lock

work=$(mktemp -d /tmp/pairfit-slurm-XXXXXX)
chmod 700 "$work"
daemons=()
stop_cluster() {
  local status=$?
  [ ! -f "$work/slurm.conf" ] || SLURM_CONF=$work/slurm.conf scancel --full --quiet --user=root 2>/dev/null || true
  for ((i = ${#daemons[@]} - 1; i >= 0; i--)); do { kill "${daemons[i]}" && wait "${daemons[i]}"; } 2>/dev/null || true; done
  [ "$status" -eq 0 ] || tail -n 20 "$work"/*.log || true
  rm -rf "$work"
  exit "$status"
}
trap stop_cluster EXIT
trap 'exit 1' INT TERM
# Two TCP ports that nothing listens on now.
read -r controller_port node_port < <(python3 -c 'import socket
s = [socket.socket() for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*(x.getsockname()[1] for x in s))')
host=$(hostname -s)

mkdir "$work/state" "$work/spool"
head -c 1024 /dev/urandom > "$work/munge.key"
chmod 400 "$work/munge.key"
munged --foreground --force --socket="$work/munge.socket" --key-file="$work/munge.key" \
  --pid-file="$work/munged.pid" --log-file="$work/munged.log" --seed-file="$work/munged.seed" \
  > "$work/munged.console.log" 2>&1 &
daemons+=($!)
cat > "$work/slurm.conf" <<EOF
ClusterName=pairfit-test
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$controller_port
SlurmdPort=$node_port
AuthType=auth/munge
AuthInfo=socket=$work/munge.socket
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
SchedulerType=sched/builtin
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
ReturnToService=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=pairfit Nodes=$host Default=YES MaxTime=INFINITE State=UP
EOF
export SLURM_CONF=$work/slurm.conf
for _ in $(seq 50); do [ -S "$work/munge.socket" ] && break; sleep 0.1; done
slurmctld -D -i -f "$SLURM_CONF" > "$work/slurmctld.console.log" 2>&1 &
daemons+=($!)
slurmd -D -f "$SLURM_CONF" -N "$host" > "$work/slurmd.console.log" 2>&1 &
daemons+=($!)
for _ in $(seq 60); do
  state=$(sinfo -h -o %T 2>/dev/null || true)
  [ "$state" != idle ] || break
  sleep 1
done
[ "$state" = idle ] || { echo "the node did not come up (state: '${state:-none}')"; exit 1; }

cd "$work"
mkdir ubq
zcat "$source/tests/data/ubiquitin_1d3z_nmr.pdb.gz" |
  awk '/^MODEL/ { n = $2 } /^ATOM/ { print > sprintf("ubq/model%02d.pdb", n) }'
ls ubq/model*.pdb > models.txt
"$batch" --all --list models.txt > local.tsv
[ "$(wc -l < local.tsv)" -eq 91 ]

# (a) The workflow, every job (the four shards and the merge) a Slurm job.
mkdir snakemake-jobs
timeout 300 snakemake -q -s "$source/workflows/pairfit-batch.smk" --jobs 4 --latency-wait 30 \
  --cluster "sbatch --nodes=1 --cpus-per-task={threads} --output=$work/snakemake-jobs/%j.out" \
  --config "pairs=--all --list models.txt" shards=4 out=workflow.tsv batch="$batch" threads=1 \
  > snakemake.log 2>&1 || { cat snakemake.log; exit 1; }
cmp workflow.tsv local.tsv
[ "$(ls snakemake-jobs | wc -l)" -eq 5 ] || { echo "expected 5 Slurm jobs of the workflow:"; ls snakemake-jobs; exit 1; }

# (b) The job-array script: three shards, then the merge after them.
export PAIRFIT_BATCH=$batch
array=$(sbatch --parsable --array=1-3 --output="$work/array-%A_%a.out" \
  "$source/workflows/pairfit-batch-array.sbatch" array.tsv --all --list models.txt)
timeout 300 sbatch --wait --quiet --dependency="afterany:$array" --output="$work/merge.out" \
  "$source/workflows/pairfit-batch-array.sbatch" --merge 3 array.tsv || { cat merge.out; exit 1; }
cmp array.tsv local.tsv
[ "$(ls array.tsv.parts/*.tsv | wc -l)" -eq 3 ]
echo "Slurm: the workflow's 5 jobs and the job array's 3 shards give the rows of the local run"
