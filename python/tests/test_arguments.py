"""Arguments the module refuses rather than converts: numbers that are no
int, paths cut short by a NUL byte, a path where a list belongs, negative
threads, model numbers beyond the int range, and the atom limits."""

import math

import numpy as np
import pytest

import pairfit
from conftest import DATA

UBQ1 = str(DATA / "ubiquitin_1d3z_model1.pdb")
UBQ2 = str(DATA / "ubiquitin_1d3z_model2.pdb")
BIG = str(DATA / "overcap_ubiquitin_2k39_ca.pdb.gz")


@pytest.mark.parametrize("numbers", [[1, 2 ** 31], [1, -2 ** 31 - 1], [1.5, 2], [math.nan, 2],
                                     [1, 2 ** 64], ["1", "2"], [True, False]],
                         ids=["2**31", "-2**31-1", "fraction", "nan", "2**64", "strings", "booleans"])
@pytest.mark.parametrize("column", ["residue_numbers", "models", "serials"])
def test_integer_columns_refuse_what_is_no_int(column, numbers):
    columns = {"residue_numbers": [1, 2], column: numbers}
    with pytest.raises(ValueError, match="^" + column + ": whole numbers"):
        pairfit.Structure(np.zeros((2, 3)), **columns)


def test_integer_columns_take_whole_numbers_of_any_type():
    s = pairfit.Structure(np.zeros((2, 3)), residue_numbers=np.array([-2 ** 31, 2 ** 31 - 1.0]),
                          models=np.array([1, 2], dtype=np.uint8))
    assert list(s.residue_numbers) == [-2 ** 31, 2 ** 31 - 1]
    assert list(s.models) == [1, 2]


@pytest.mark.parametrize("call, error, message", [
    (lambda: pairfit.read(UBQ1 + "\0ignored"), ValueError, "^path: the path .* holds a NUL byte"),
    (lambda: pairfit.compare(UBQ1, UBQ2 + "\0"), ValueError, "^b: "),
    (lambda: pairfit.compare_many(UBQ1, [UBQ2, UBQ2.encode() + b"\0x"]), ValueError, r"^models\[1\]: "),
    (lambda: pairfit.compare_many(UBQ1, UBQ2), TypeError, "^models: a list of Structures or paths, not the single"),
    (lambda: pairfit.compare_all(UBQ1), TypeError, "^structures: "),
    (lambda: pairfit.compare_pairs([UBQ1 + UBQ2[:1]]), ValueError, r"^pairs\[0\]: an \(a, b\) tuple"),
    (lambda: pairfit.compare_many(UBQ1, [7]), TypeError, r"^models\[0\]: a Structure or a path, not 7"),
    (lambda: pairfit.compare(UBQ1, UBQ2, pairing=([0, 2 ** 40], [0, 1])), ValueError, "^pairing: "),
] + [(call, ValueError, r"^threads: 0 \(every core\) or more, not -1$") for call in (
    lambda: pairfit.compare(UBQ1, UBQ2, threads=-1),
    lambda: pairfit.compare(UBQ1, UBQ2, mode="fast", threads=-1),
    lambda: pairfit.compare_many(UBQ1, [UBQ2], threads=-1),
    lambda: pairfit.compare_pairs([(UBQ1, UBQ2)], threads=-1),
    lambda: pairfit.compare_all([UBQ1, UBQ2], threads=-1))],
    ids=["NUL in path", "NUL in b", "NUL in a model", "one path for a list", "one path for structures",
         "pair not a tuple", "model not a path", "index beyond int"] +
        ["negative threads in " + f for f in ("compare", "compare fast", "compare_many", "compare_pairs",
                                              "compare_all")])
def test_argument_errors_name_the_argument(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_model_numbers_beyond_the_int_range_name_no_model():
    nmr = str(DATA / "ubiquitin_1d3z_nmr.pdb.gz")
    for number in ("4294967298", "99999999999"):
        with pytest.raises(pairfit.NothingSelectedError, match="no model " + number + " "):
            pairfit.read(nmr, "/" + number)
        with pytest.raises(pairfit.NothingSelectedError, match="no model " + number + " "):
            pairfit.compare(UBQ1, nmr + "@/" + number)


def test_atom_limits_of_both_modes():
    assert pairfit.FAST_MAX_ATOMS == 4000000
    assert pairfit.compare(BIG, UBQ1, mode="fast").max_natoms == 8816
    with pytest.raises(pairfit.TooManyAtomsError, match=r"\(at most 8000\)"):
        pairfit.compare(BIG, UBQ1, mode="fast", max_atoms=8000)
    with pytest.raises(pairfit.TooManyAtomsError, match=r"\(at most 70\)"):
        pairfit.compare_many(UBQ1, [UBQ2], max_atoms=70)
    with pytest.raises(ValueError, match="^max_atoms: "):
        pairfit.compare(UBQ1, UBQ2, max_atoms=0)


def test_collinear_structures_print_nothing(capfd):
    line = np.array([[1.5 * i, 0.0, 0.0] for i in range(40)])
    a = pairfit.Structure(line, residue_numbers=np.arange(1, 41))
    b = pairfit.Structure(line[:, [1, 0, 2]], residue_numbers=np.arange(1, 41))
    for mode in ("exact", "fast"):
        assert pairfit.compare(a, b, mode=mode).size == 40
    out, err = capfd.readouterr()
    assert (out, err) == ("", "")
