#!/usr/bin/env python3
"""Writes a large mmCIF file derived from a real one, for memory measurements.

    bench/large_mmcif.py SOURCE.cif[.gz] OUT.cif MEGABYTES

The output is SOURCE with its _atom_site loop grown to about MEGABYTES:
after the real rows come copies of its rows other than C-alpha atoms, as
further models, so that a reader must go through all of it while the
C-alpha atoms stay those of SOURCE.
"""
import gzip
import sys

source, out_path, megabytes = sys.argv[1], sys.argv[2], float(sys.argv[3])
opener = gzip.open if source.endswith('.gz') else open
with opener(source, 'rt') as f:
    lines = f.read().split('\n')

start = next(i for i, l in enumerate(lines) if l.startswith('_atom_site.'))
tags = []
i = start
while lines[i].startswith('_atom_site.'):
    tags.append(lines[i].split()[0][len('_atom_site.'):])
    i += 1
rows_start = i
while i < len(lines) and lines[i] and not lines[i].startswith(('#', 'loop_', '_')):
    i += 1
rows_end = i
atom, model = tags.index('label_atom_id'), tags.index('pdbx_PDB_model_num')
others = [l.split() for l in lines[rows_start:rows_end]]
others = [r for r in others if len(r) == len(tags) and r[atom] != 'CA']

target = megabytes * 1e6
with open(out_path, 'w') as out:
    out.write('\n'.join(lines[:rows_end]) + '\n')
    size, copy = out.tell(), 1000
    while size < target:
        block = '\n'.join(' '.join(r[:model] + [str(copy)] + r[model + 1:]) for r in others) + '\n'
        out.write(block)
        size += len(block)
        copy += 1
    out.write('\n'.join(lines[rows_end:]))
