#!/bin/sh
# The Snakemake workflow run locally: the ten models of the ubiquitin NMR
# ensemble, all against all in 7 shards (90 pairs), all against all with
# --metrics in 3 shards, and against the first in 4 shards with one missing
# model, and with --warnings; the merged files must equal single runs.
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
run() {
  snakemake -q -s "$source/workflows/pairfit-batch.smk" --cores 2 \
    --config "pairs=$1" shards="$2" out="$3" batch="$batch" threads=1 >snakemake.log 2>&1 ||
    { cat snakemake.log; exit 1; }
}
run "--all --list models.txt" 7 all.tsv
"$batch" --all --list models.txt > expected_all.tsv
cmp all.tsv expected_all.tsv
[ "$(wc -l < all.tsv)" -eq 91 ]

# With --metrics among the pair arguments, the seven score columns reach the
# merged table: named in its one header, filled on every row.
run "--metrics --all --list models.txt" 3 metrics.tsv
"$batch" --metrics --all --list models.txt > expected_metrics.tsv
cmp metrics.tsv expected_metrics.tsv
[ "$(wc -l < metrics.tsv)" -eq 91 ]
[ "$(grep -c '^file1' metrics.tsv)" -eq 1 ]
head -n 1 metrics.tsv | grep -q '	normalised_pvalue	tm_score	gdt_ts	gdt_ha	lddt	rmsd	pairs	reference_length$'
awk -F '\t' 'NR > 1 && !(NF == 15 && $9 > 0.5 && $9 <= 1 && $15 == 76) { bad = 1 } END { exit bad }' metrics.tsv

echo ubq/missing.pdb >> models.txt
run "--list models.txt" 4 first.tsv
status=0
"$batch" --list models.txt > expected_first.tsv 2>/dev/null || status=$?
[ "$status" -eq 1 ]
cmp first.tsv expected_first.tsv

# The warnings column through the shards: a whole NMR file and a four-chain
# file against one model.
printf '%s\n' ubq/model01.pdb "$source/tests/data/ubiquitin_1d3z_nmr.pdb.gz" \
  "$source/tests/data/hemoglobin_2hhb_4chains.pdb.gz" ubq/model02.pdb > warned.txt
run "--warnings --list warned.txt" 2 warned.tsv
"$batch" --warnings --list warned.txt > expected_warned.tsv 2>/dev/null
cmp warned.tsv expected_warned.tsv
[ "$(head -n 1 warned.tsv | awk -F'\t' '{ print $NF }')" = warnings ]
grep -q 'holds 10 models read as one structure' warned.tsv
grep -q 'are merged in file order' warned.tsv
echo "workflow: merged shards equal single runs"
