"""compare_many, compare_all and compare_pairs: the same results as one
compare call at a time, in input order, whatever the number of threads."""

import os
import signal

import numpy as np
import pytest

import pairfit
from conftest import CASES, DATA, LDH, score_values

pytestmark = pytest.mark.filterwarnings("ignore::pairfit.PairingWarning")

UBIQUITIN = [DATA / n for n in ("ubiquitin_1d3z_model1.pdb", "ubiquitin_1d3z_model2.pdb",
                                "ubiquitin_1d3z_nmr.pdb.gz", "ubiquitin_1ubq_first12_ca.pdb",
                                "crambin_1ejg_altloc.pdb", "ubiquitin_1d3z_nmr.cif.gz")]


def assert_same(a, b):
    da, db = a.to_dict(), b.to_dict()
    assert da.keys() == db.keys()
    for key in da:
        assert np.array_equal(da[key], db[key]) if isinstance(da[key], np.ndarray) else da[key] == db[key], key


@pytest.mark.parametrize("threads", [1, 2, 0])
def test_every_list_function_equals_separate_compares(threads):
    reference = pairfit.read(DATA / "ubiquitin_1ubq_xray.pdb")
    models = [pairfit.read(UBIQUITIN[0])] + UBIQUITIN[1:]  # Structures and paths mixed
    results = pairfit.compare_many(reference, models, threads=threads, per_size=True)
    for model, r in zip(models, results, strict=True):
        assert_same(r, pairfit.compare(reference, model, per_size=True))
    fast = pairfit.compare_many(reference, models[:2], mode="fast", threads=threads)
    assert [r.score_line() for r in fast] == [pairfit.compare(reference, m, mode="fast").score_line()
                                             for m in models[:2]]

    files = UBIQUITIN[:4]
    results, table = pairfit.compare_all(files, threads=threads, min_size=10, with_table=True)
    pairs = [(i, j) for i in range(4) for j in range(4) if i != j]
    assert list(zip(table["index1"], table["index2"])) == pairs and len(results) == len(pairs)
    for (i, j), r in zip(pairs, results):
        assert_same(r, pairfit.compare(files[i], files[j], min_size=10))
    assert table["name1"].tolist() == [str(files[i]) for i, _ in pairs]
    for column in ("max_natoms", "size", "npairs", "rms", "score", "pvalue", "normalised_pvalue"):
        assert table[column].tolist() == [getattr(r, column) for r in results], column

    plain = [c for c in CASES if not c.options]
    results, table = pairfit.compare_pairs([(c.file1, c.file2) for c in plain], threads=threads, with_table=True)
    assert [r.score_line() for r in results] == [score_values(c.stdout) for c in plain]
    assert table["name2"].tolist() == [c.file2 for c in plain]


def test_first_bad_file_in_input_order_raises_and_empty_lists(tmp_path):
    models = [LDH[1], tmp_path / "missing1.pdb", tmp_path / "missing2.pdb"]
    for threads in (1, 2):
        with pytest.raises(pairfit.CannotOpenError, match="^Couldn't open file %s$" % models[1]):
            pairfit.compare_many(LDH[0], models, threads=threads)
    assert pairfit.compare_many(LDH[0], []) == [] and pairfit.compare_all([LDH[0]]) == []
    with pytest.raises(ValueError):
        pairfit.compare_all(models, mode="quick")


def test_a_signal_stops_a_long_run():
    """The handler runs while the worker threads still exist (between two
    comparisons), and its exception ends the run."""
    demo = [pairfit.read(path) for path in LDH]
    baseline = len(os.listdir("/proc/self/task"))
    seen = []

    def handler(signum, frame):
        seen.append(len(os.listdir("/proc/self/task")))
        raise InterruptedError()

    previous = signal.signal(signal.SIGALRM, handler)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.05)
        with pytest.raises(InterruptedError):
            pairfit.compare_all(demo * 10, threads=2)  # 380 comparisons
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert seen == [baseline + 1]
