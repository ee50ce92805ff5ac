"""compare_many, compare_all and compare_pairs: the same results as one
compare call at a time, in input order, whatever the number of threads."""

import os
import signal

import numpy as np
import pytest

import pairfit
from conftest import DATA, EXAMPLES, PLAIN_CASES, score_values

pytestmark = pytest.mark.filterwarnings("ignore::pairfit.PairingWarning")

UBIQUITIN = [DATA / n for n in ("ubiquitin_1d3z_model1.pdb", "ubiquitin_1d3z_model2.pdb",
                                "ubiquitin_1d3z_nmr.pdb.gz", "ubiquitin_1ubq_first12_ca.pdb",
                                "crambin_1ejg_altloc.pdb", "ubiquitin_1d3z_nmr.cif.gz")]
LDH = EXAMPLES / "demo_ldh_6ldh_A.pdb"


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
    assert len(results) == len(models)
    for model, r in zip(models, results):
        assert_same(r, pairfit.compare(reference, model, per_size=True))
    fast = pairfit.compare_many(reference, models[:2], mode="fast", threads=threads)
    assert [r.score_line() for r in fast] == [pairfit.compare(reference, m, mode="fast").score_line()
                                             for m in models[:2]]

    files = UBIQUITIN[:4]
    results, table = pairfit.compare_all(files, threads=threads, min_size=10, with_table=True)
    pairs = [(i, j) for i in range(4) for j in range(4) if i != j]
    assert len(results) == len(pairs)
    for (i, j), r in zip(pairs, results):
        assert_same(r, pairfit.compare(files[i], files[j], min_size=10))
    assert list(zip(table["index1"], table["index2"])) == pairs
    assert table["name1"].tolist() == [str(files[i]) for i, _ in pairs]
    for column in ("max_natoms", "size", "npairs", "rms", "score", "pvalue", "normalised_pvalue"):
        assert table[column].tolist() == [getattr(r, column) for r in results], column

    pairs = [(c.file1, c.file2) for c in PLAIN_CASES]
    results, table = pairfit.compare_pairs(pairs, threads=threads, with_table=True)
    assert [r.score_line() for r in results] == [score_values(c.stdout()) for c in PLAIN_CASES]
    assert table["name2"].tolist() == [b for _, b in pairs]


def test_first_bad_file_in_input_order_raises_and_empty_lists(tmp_path):
    models = [EXAMPLES / "demo_ldh_1ldm_A.pdb", tmp_path / "missing1.pdb", tmp_path / "missing2.pdb"]
    for threads in (1, 2):
        with pytest.raises(pairfit.CannotOpenError, match="^Couldn't open file %s$" % models[1]):
            pairfit.compare_many(LDH, models, threads=threads)
    assert pairfit.compare_many(LDH, []) == [] and pairfit.compare_all([LDH]) == []
    with pytest.raises(ValueError):
        pairfit.compare_all(models, mode="quick")


class Stop(Exception):
    pass


def test_a_signal_stops_a_long_run():
    """The handler runs while the worker threads still exist (between two
    comparisons), and its exception ends the run."""
    demo = [pairfit.read(EXAMPLES / n) for n in ("demo_ldh_6ldh_A.pdb", "demo_ldh_1ldm_A.pdb")]
    baseline = len(os.listdir("/proc/self/task"))
    seen = []

    def handler(signum, frame):
        seen.append(len(os.listdir("/proc/self/task")))
        raise Stop()

    previous = signal.signal(signal.SIGALRM, handler)
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.05)
        with pytest.raises(Stop):
            pairfit.compare_all(demo * 10, threads=2)  # 380 comparisons
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert seen == [baseline + 1]
