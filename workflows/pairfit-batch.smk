# Runs one pairfit-batch job as N shards, each a job of its own, and merges
# their rows into one file equal to the output of a single run.
#
#   snakemake -s workflows/pairfit-batch.smk --cores 4 \
#     --config pairs="--all --list models.txt" shards=20 out=all.tsv
#
# Configuration (--config KEY=VALUE):
#   pairs    the pair arguments of pairfit-batch (file names, --all, --list,
#            --pairs, -min), as on its command line; required
#   out      the merged output file; required
#   shards   number of shards (jobs); default 10
#   threads  comparisons at a time in each job (pairfit-batch -j); default 1
#   batch    the pairfit-batch program; default "pairfit-batch"
#
# The parts go to OUT.parts/. A shard job writes through --resume, so a job
# that was killed (out of time, preempted) continues where it stopped when
# the workflow runs again. A shard in which some pairs failed (a file that
# cannot be read) still counts as done: its rows carry the messages, as in
# a single run; any other failure stops the workflow.
import shlex

PAIRS = config["pairs"]
OUT = config["out"]
SHARDS = int(config.get("shards", 10))
THREADS = int(config.get("threads", 1))
BATCH = config.get("batch", "pairfit-batch")
PARTS = OUT + ".parts"
WIDTH = len(str(SHARDS))


def part(k):
    return f"{PARTS}/part-{k:0{WIDTH}d}.tsv"


rule merge:
    input:
        [part(k) for k in range(1, SHARDS + 1)]
    output:
        OUT
    shell:
        "awk 'FNR > 1 || NR == 1' {input:q} > {output:q}.tmp && mv {output:q}.tmp {output:q}"


rule shard:
    output:
        PARTS + "/part-{k}.tsv"
    log:
        PARTS + "/part-{k}.log"
    threads: THREADS
    params:
        batch=shlex.quote(BATCH),
        pairs=PAIRS,
        shards=SHARDS,
    shell:
        """
        status=0
        {params.batch} -j {threads} --shard $((10#{wildcards.k}))/{params.shards} \
          --resume {output:q}.partial {params.pairs} 2> {log:q} || status=$?
        if [ "$status" -ne 0 ] && ! tail -n 1 {log:q} | grep -q 'pairs failed$'; then
          exit "$status"
        fi
        mv {output:q}.partial {output:q}
        """
