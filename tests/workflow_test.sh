#!/bin/sh
# The Snakemake workflow run locally on the ten models of the ubiquitin NMR
# ensemble: all against all in 7 shards, all against all with --metrics in
# 3, against the first in 4 with one missing model, and with --warnings in
# 2; the merged files must equal single runs.
# Arguments: the pairfit-batch program and the source directory.
set -eu
batch=$1 source=$2
command -v snakemake >/dev/null || { echo "snakemake is not installed (scripts/install-deps)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
mkdir ubq
zcat "$source/tests/data/ubiquitin_1d3z_nmr.pdb.gz" |
  awk '/^MODEL/ { n = $2 } /^ATOM/ { print > sprintf("ubq/model%02d.pdb", n) }'
ls ubq/model*.pdb > models.txt
printf '%s\n' ubq/model01.pdb "$source/tests/data/ubiquitin_1d3z_nmr.pdb.gz" \
  "$source/tests/data/hemoglobin_2hhb_4chains.pdb.gz" ubq/model02.pdb > warned.txt
# PAIRS SHARDS OUT STATUS: the workflow's merged rows equal one run's, which ends with STATUS.
equal_to_one_run() {
  snakemake -q -s "$source/workflows/pairfit-batch.smk" --cores 2 \
    --config "pairs=$1" shards="$2" out="$3" batch="$batch" threads=1 >snakemake.log 2>&1 ||
    { cat snakemake.log; exit 1; }
  status=0
  # shellcheck disable=SC2086  # the pair arguments are words
  "$batch" $1 > "expected_$3" 2>/dev/null || status=$?
  [ "$status" -eq "$4" ] && cmp "$3" "expected_$3"
}
equal_to_one_run "--all --list models.txt" 7 all.tsv 0
[ "$(wc -l < all.tsv)" -eq 91 ]
# With --metrics the seven score columns reach the merged table: named in its one header, filled on every row.
equal_to_one_run "--metrics --all --list models.txt" 3 metrics.tsv 0
[ "$(grep -c '^file1' metrics.tsv)" -eq 1 ]
head -n 1 metrics.tsv | grep -q '	normalised_pvalue	tm_score	gdt_ts	gdt_ha	lddt	rmsd	pairs	reference_length$'
awk -F '\t' 'NR > 1 && !(NF == 15 && $9 > 0.5 && $9 <= 1 && $15 == 76) { bad = 1 } END { exit bad }' metrics.tsv
echo ubq/missing.pdb >> models.txt
equal_to_one_run "--list models.txt" 4 first.tsv 1
# The warnings column through the shards: a whole NMR file and a four-chain file against one model.
equal_to_one_run "--warnings --list warned.txt" 2 warned.tsv 0
[ "$(head -n 1 warned.tsv | awk -F'\t' '{ print $NF }')" = warnings ]
grep -q 'holds 10 models read as one structure' warned.tsv && grep -q 'are merged in file order' warned.tsv
echo "workflow: merged shards equal single runs"
