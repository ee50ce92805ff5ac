"""Compare protein structures by their most significant superimposable subset.

pairfit reads the C-alpha atoms of PDB or mmCIF files (plain or gzip),
pairs the atoms of two structures by residue number, and searches for the
subset of pairs whose rigid superposition gives the most significant
Levitt-Gerstein score, exactly as the command-line program pairfit does.

    >>> import pairfit
    >>> r = pairfit.compare("6ldh_A.pdb", "1ldm_A.pdb")
    >>> r.score_line()          # the SCORE line's six values
    '329\\t316\\t1.1\\t5635.3\\t2.492299e-12\\t3.341216e+01'
    >>> r.distances[r.in_subset].max()

Functions: read, compare, compare_many, compare_pairs, compare_all, table.
Classes: Structure, Result, ProgressStep; errors: Error, ReadError (an
OSError), SelectionError (a ValueError) and their subclasses; warnings:
ReaderWarning, PairingWarning, MetricsWarning.

Wherever a path is taken, it may name a selection of models and chains as
the programs do: "FILE@/1" (model 1), "FILE@//A" (chain A), "FILE@/1/A,B".
"""

import os
from typing import Callable, Dict, NamedTuple, Optional, Sequence, Tuple, Union

import numpy as np

from . import _pairfit
from ._errors import (BadSelectionError, CannotOpenError, Error, MetricsWarning, NothingSelectedError,
                      PairingWarning, ReaderWarning, ReadError, SelectionError, TooManyAtomsError,
                      UnreadableFileError)
from ._pairfit import Result, Structure

__all__ = [
    "read", "compare", "compare_many", "compare_pairs", "compare_all", "table",
    "Structure", "Result", "ProgressStep",
    "Error", "ReadError", "CannotOpenError", "UnreadableFileError", "TooManyAtomsError",
    "SelectionError", "BadSelectionError", "NothingSelectedError",
    "ReaderWarning", "PairingWarning", "MetricsWarning", "MAX_ATOMS", "FAST_MAX_ATOMS", "__version__",
]


def __dir__():
    """The public names only, as listed in __all__."""
    return sorted(__all__)


# Shown as pairfit.Structure and pairfit.Result, where users find them.
Structure.__module__ = Result.__module__ = __name__

_COLUMNS = ("residue_numbers", "residue_names", "chain_ids", "insertion_codes", "models",
            "serials", "atom_names", "source", "selection")


def _structure_getitem(self, key):
    indices = np.arange(len(self))[key].reshape(-1)
    if np.array_equal(indices, np.arange(len(self))):
        return self._take(indices, self.selection)
    return self._take(indices, _models_and_chains(self, indices) or
                      self.selection + "[" + _positions_text(indices) + "]")


def _models_and_chains(structure, indices):
    """The selection that reads the atoms at indices from a whole file ("/1",
    "//A", "/2/A,B"), when they are all the atoms of one model or of every
    model, and of some chains, in file order; otherwise ""."""
    if structure.selection or len(indices) == 0:
        return ""
    models, chains = structure.models, np.array(structure.chain_ids, dtype=object)
    taken_models = list(dict.fromkeys(models[indices].tolist()))
    taken_chains = list(dict.fromkeys(chains[indices].tolist()))
    every_model = len(taken_models) == len(set(models.tolist()))
    every_chain = len(taken_chains) == len(set(chains.tolist()))
    if not every_model and len(taken_models) > 1 or any(c == "" or "," in c for c in taken_chains):
        return ""
    kept = np.isin(models, taken_models) & np.isin(chains, taken_chains)
    if not np.array_equal(np.flatnonzero(kept), indices):
        return ""
    # A selection lists chains in order, each whole within a model.
    rank = np.array([taken_chains.index(c) for c in chains[indices]])
    same_model = models[indices][1:] == models[indices][:-1]
    if (same_model & (rank[1:] < rank[:-1])).any():
        return ""
    model = "" if every_model else "/%d" % taken_models[0]
    return model if every_chain else model + "/" * (2 - bool(model)) + ",".join(taken_chains)


def _positions_text(indices):
    """Atom positions as short text: runs of consecutive positions as
    start:stop (stop excluded, as Python slices), others one by one:
    "0:10,12,20:30"."""
    parts, k = [], 0
    while k < len(indices):
        end = k + 1
        while end < len(indices) and indices[end] == indices[end - 1] + 1:
            end += 1
        parts.append(str(indices[k]) if end - k == 1 else "%d:%d" % (indices[k], indices[end - 1] + 1))
        k = end
    return ",".join(parts)


def _structure_reduce(self):
    return _structure_from_columns, (self.coordinates, {c: getattr(self, c) for c in _COLUMNS})


def _structure_from_columns(coordinates, columns):
    return Structure(coordinates, **columns)


Structure.__getitem__ = _structure_getitem
Structure.__reduce__ = _structure_reduce

#: The version of pairfit, that of the C++ library the module is built from.
__version__ = _pairfit.__version__

#: The most C-alpha atoms a file may have, and pairs a comparison.
MAX_ATOMS = _pairfit.MAX_ATOMS
#: The most C-alpha atoms a path gives in the fast mode by default: a limit
#: against files that would take all memory; max_atoms raises it.
FAST_MAX_ATOMS = _pairfit.FAST_MAX_ATOMS

PathLike = Union[str, os.PathLike]
StructureLike = Union[Structure, PathLike]


class ProgressStep(NamedTuple):
    """One growth step of the search, as passed to a progress callback.

    kind: "step" for every growth step scored (the FRAC1 lines of
    ``pairfit -a``), "best" when the subset has just become the best one (the
    GOOD1 lines); size: pairs in the subset; fraction: size / pairs in all;
    rms (Angstrom), score and pvalue of the subset.
    """

    kind: str
    size: int
    fraction: float
    rms: float
    score: float
    pvalue: float


def read(path: PathLike, selection: Optional[str] = None,
         max_atoms: Optional[int] = MAX_ATOMS) -> Structure:
    """Read the C-alpha atoms of a PDB or mmCIF file, plain or gzip-compressed.

    The format and the compression are told by content, as the command-line
    program does. Skipped lines are reported as ReaderWarning through the
    warnings module.

    selection: models and chains to keep, in the syntax of the programs'
        FILE@SELECTION names: "/1" model 1, "//A" chain A of every model,
        "/1/A,B" chains A then B of model 1, "//!A" all chains but A. Without
        it, path may itself be FILE@SELECTION (a name that exists as a file
        is always that file). A Structure can also be indexed:
        s[np.array(s.chain_ids) == "A"], s[s.models == 1].
    max_atoms: the most C-alpha atoms read (after the selection); None for
        any number. The default is the most the exact search takes; the
        fast one takes any number (compare(..., mode="fast") reads paths
        without the limit).

    Raises CannotOpenError ("Couldn't open file PATH"), UnreadableFileError
    ("Error reading file PATH") or TooManyAtomsError ("Too many C-alpha atoms
    in file PATH (at most MAX_ATOMS)"), all subclasses of ReadError and OSError;
    BadSelectionError or NothingSelectedError, subclasses of SelectionError
    and ValueError, for a selection that cannot be applied.
    """
    if max_atoms is not None and max_atoms < 0:
        raise ValueError("max_atoms: a number of atoms, or None for any number")
    return _pairfit._read(_path(path, "path"), selection or "", max_atoms, 2)


def compare(a: StructureLike, b: StructureLike, min_size: int = 19,
            pairing: Union[str, Tuple[str, str], Tuple[Sequence[int], Sequence[int]]] = "number",
            per_size: bool = False, progress: Optional[Callable[[ProgressStep], None]] = None,
            mode: str = "exact", threads: int = 1, max_atoms: Optional[int] = None,
            metrics: bool = False, complex: bool = False, domains: bool = False,
            domain_p: float = 0.01) -> Result:
    """Compare two structures as the command-line program pairfit does.

    a, b: Structure objects or paths; b is moved onto a (the reference).
    min_size: a best subset must have more pairs than this (pairfit -min).
    pairing: "number" pairs the atoms by residue number in one forward walk,
        as pairfit does; "sequence" by a global alignment of the residue
        sequences (pairfit -seq), for structures numbered differently;
        "structure" by a structural alignment of the C-alpha atoms (pairfit
        -struct; pairfit.Error when either has fewer than 5); two aligned
        sequences (strings, '-' for gaps, one letter a C-alpha atom, as
        Result.alignment_lines() and pairfit -aln write them; pairfit.Error
        naming the first position that does not match a structure); or
        explicit pairs as two sequences of atom indices (first, second),
        each increasing. When pairing by number or sequence joins residues
        of different names in more than a tenth of the pairs (and at least
        3), a PairingWarning says so, as it does for a structure of several
        models read whole (only the first can pair).
    per_size: fill Result.score_by_size (pairfit -b).
    progress: a callable receiving a ProgressStep for every growth step and
        every new best subset (pairfit -a); an exception it raises stops the
        comparison and propagates.
    mode: "exact", pairfit's own search, or "fast" (pairfit -fast): the
        same rules with closed-form fits and shared growth paths, faster on
        large structures, no 5000-pair limit (paths are read without the
        5000-atom limit).
    threads: with mode="fast", threads for the search (pairfit -fast -j N;
        0: one per core); a negative number is a ValueError, as everywhere.
    max_atoms: the most C-alpha atoms read from a path (pairfit -max-atoms);
        None: MAX_ATOMS, or FAST_MAX_ATOMS with mode="fast".
    metrics: also compute the standard scores (pairfit -metrics): fills
        Result.tm_score, gdt_ts, gdt_ha, lddt, rmsd_all and residue_lddt
        (None otherwise). When they cannot be computed (no pairs, fewer than
        5 atoms in a), they are 0 and a MetricsWarning says why.
    complex: map the chains of structures with several chains (pairfit
        -complex): pairing ("number", "sequence" or "structure") then pairs residues
        within each mapped pair of chains, Result.chain_map gives the map and
        Result.structure2 is b with its chains in mapped order. Chains of
        no similarity raise pairfit.Error. When both hold one chain, the
        comparison is the plain one and chain_map is None.
    domains: also find the rigid domains and hinges (pairfit -domains):
        fills Result.domains and Result.hinges (None otherwise).
    domain_p: with domains, keep a further domain while its p-value is at
        most this (pairfit -domain-p); a number from 0 to 1.

    Returns a Result; its score_line() is the SCORE line's six values byte
    for byte. The GIL is released while the search runs.
    """
    pairs = _pairing_argument(pairing, explicit=True)
    fast = _mode_argument(mode)
    _threads_argument(threads)
    max_atoms = _max_atoms_argument(max_atoms, fast)
    first, second = _as_structure(a, max_atoms, 3, "a"), _as_structure(b, max_atoms, 3, "b")
    callback = None
    if progress is not None:
        def callback(*step):
            progress(ProgressStep(*step))
    if not (isinstance(domain_p, (int, float)) and 0 <= domain_p <= 1):
        raise ValueError("domain_p: a p-value from 0 to 1")
    return _pairfit._compare(first, second, min_size, pairs, per_size, callback, fast, threads, 2, metrics,
                             complex, domains, float(domain_p))


def compare_many(reference: StructureLike, models: Sequence[StructureLike], threads: int = 0,
                 min_size: int = 19, per_size: bool = False, with_table: bool = False,
                 pairing: str = "number", mode: str = "exact",
                max_atoms: Optional[int] = None):
    """Compare each model against the reference, on several threads.

    reference, models: Structure objects or paths (each path read once, on
        the worker threads; warnings are emitted on the calling thread).
    threads: threads to use; 0 uses every core. The GIL is released.
    min_size, per_size, pairing ("number", "sequence" or "structure"), mode ("exact" or
        "fast"): as for compare(); with mode="fast" each comparison runs on
        one thread, paths are read without the 5000-atom limit.
    with_table: also return the table of the results (see pairfit.table) with the
        column "index" (position in models).

    Returns the Results in the order of models (or (results, table)); each
    equals compare(reference, model, min_size=min_size, mode=mode). The first file that
    cannot be read raises its ReadError.
    """
    models = _list_argument(models, "models")
    pairs = [(0, k + 1) for k in range(len(models))]
    names = ["reference"] + ["models[%d]" % k for k in range(len(models))]
    results = _compare_pairs([reference] + models, names, pairs, threads, min_size, per_size, pairing,
                             mode, max_atoms)
    if not with_table:
        return results
    columns = table(results)
    columns["index"] = np.arange(len(models), dtype=np.int64)
    return results, columns


def compare_pairs(pairs: Sequence[Tuple[StructureLike, StructureLike]], threads: int = 0,
                  min_size: int = 19, per_size: bool = False, with_table: bool = False,
                  pairing: str = "number", mode: str = "exact",
                max_atoms: Optional[int] = None):
    """Compare each pair (a, b) of a list, on several threads.

    pairs: (a, b) tuples of Structure objects or paths; b is moved onto a.
    with_table: also return the table of the results (see pairfit.table).
    Other arguments, errors and warnings as for compare_many(); results in
    the order of pairs.
    """
    pairs = _list_argument(pairs, "pairs")
    for k, pair in enumerate(pairs):
        if isinstance(pair, _ONE_ITEM) or not isinstance(pair, Sequence) or len(pair) != 2:
            raise ValueError("pairs[%d]: an (a, b) tuple, not %r" % (k, pair))
    # Each path is read once however often it appears.
    items = [item for pair in pairs for item in pair]
    names = ["pairs[%d][%d]" % (k, side) for k in range(len(pairs)) for side in range(2)]
    jobs = [(2 * k, 2 * k + 1) for k in range(len(pairs))]
    results = _compare_pairs(items, names, jobs, threads, min_size, per_size, pairing, mode, max_atoms)
    return (results, table(results)) if with_table else results


def compare_all(structures: Sequence[StructureLike], threads: int = 0, min_size: int = 19,
                per_size: bool = False, with_table: bool = False, pairing: str = "number", mode: str = "exact",
                max_atoms: Optional[int] = None):
    """Compare every ordered pair of different structures, on several threads.

    The result is not symmetric: for n structures there are n (n - 1)
    comparisons, i against j for i in range(n), for j in range(n), j != i,
    in that order (as pairfit-batch --all orders them).
    with_table: also return the table of the results (see pairfit.table) with the
        columns "index1" and "index2" (positions in structures).
    Other arguments, errors and warnings as for compare_many().
    """
    structures = _list_argument(structures, "structures")
    n = len(structures)
    pairs = [(i, j) for i in range(n) for j in range(n) if i != j]
    names = ["structures[%d]" % k for k in range(n)]
    results = _compare_pairs(structures, names, pairs, threads, min_size, per_size, pairing, mode, max_atoms)
    if not with_table:
        return results
    columns = table(results)
    columns["index1"] = np.array([i for i, _ in pairs], dtype=np.int64)
    columns["index2"] = np.array([j for _, j in pairs], dtype=np.int64)
    return results, columns


def table(results: Sequence[Result]) -> Dict[str, np.ndarray]:
    """The results' SCORE values as columns: a dict of numpy arrays.

    Columns: name1, name2 (str: FILE, or FILE@SELECTION), max_natoms, size,
    npairs (int64), rms, score, pvalue, normalised_pvalue (float64); one row
    a result, in order.
    """
    results = list(results)
    columns = {
        "name1": np.array([r.structure1.name for r in results], dtype=str),
        "name2": np.array([r.structure2.name for r in results], dtype=str),
    }
    for name in ("max_natoms", "size", "npairs"):
        columns[name] = np.array([getattr(r, name) for r in results], dtype=np.int64)
    for name in ("rms", "score", "pvalue", "normalised_pvalue"):
        columns[name] = np.array([getattr(r, name) for r in results], dtype=np.float64)
    return columns


# What a single structure argument may be; a list of them is none of these.
_ONE_ITEM = (str, bytes, os.PathLike, Structure)


def _path(item, argument):
    """The path item names, checked: a NUL byte would cut it short."""
    try:
        path = os.fspath(item)
    except TypeError:
        raise TypeError("%s: a Structure or a path, not %r" % (argument, item)) from None
    if ("\0" if isinstance(path, str) else b"\0") in path:
        raise ValueError("%s: the path %r holds a NUL byte" % (argument, path))
    return path


def _as_structure(item, max_atoms, stacklevel, argument):
    """A Structure as it is, a path read (warnings attributed stacklevel up)."""
    if isinstance(item, Structure):
        return item
    return _pairfit._read(_path(item, argument), "", max_atoms, stacklevel)


def _as_item(item, argument):
    return item if isinstance(item, Structure) else _path(item, argument)


def _list_argument(items, argument):
    """items as a list; one path or Structure where a list belongs is refused."""
    if isinstance(items, _ONE_ITEM):
        raise TypeError("%s: a list of Structures or paths, not the single %r" % (argument, items))
    try:
        return list(items)
    except TypeError:
        raise TypeError("%s: a list of Structures or paths, not %r" % (argument, items)) from None


def _threads_argument(threads):
    if isinstance(threads, bool) or not isinstance(threads, int) or threads < 0:
        raise ValueError("threads: 0 (every core) or more, not %r" % (threads,))


def _max_atoms_argument(max_atoms, fast):
    """The atom limit for reading paths: the mode's default for None."""
    if max_atoms is None:
        return FAST_MAX_ATOMS if fast else MAX_ATOMS
    if isinstance(max_atoms, bool) or not isinstance(max_atoms, int) or max_atoms < 1:
        raise ValueError("max_atoms: a number of atoms from 1 up, or None, not %r" % (max_atoms,))
    return max_atoms


def _compare_pairs(items, names, jobs, threads, min_size, per_size, pairing, mode, max_atoms):
    """Runs the jobs (i, j) over items (names: the argument each came
    from); warnings attributed to the caller of the public function that
    called this."""
    _threads_argument(threads)
    method = _pairing_argument(pairing, explicit=False) or "number"
    fast = _mode_argument(mode)
    max_atoms = _max_atoms_argument(max_atoms, fast)
    return _pairfit._compare_pairs([_as_item(i, name) for i, name in zip(items, names)], jobs, threads,
                                   min_size, per_size, method, fast, 3, max_atoms)


def _pairing_argument(pairing, explicit):
    """None (by number), "sequence", "structure", or explicit pairs or an
    alignment where allowed."""
    if isinstance(pairing, str):
        if pairing in ("number", "sequence", "structure"):
            return None if pairing == "number" else pairing
        raise ValueError('pairing: "number", "sequence" or "structure"%s, not %r'
                         % (", two aligned sequences or two index sequences" if explicit else "", pairing))
    if not explicit:
        raise ValueError('pairing: "number", "sequence" or "structure", not %r' % (pairing,))
    return pairing


def _mode_argument(mode):
    if mode == "exact":
        return False
    if mode == "fast":
        return True
    raise ValueError('mode: "exact" or "fast", not %r' % (mode,))
