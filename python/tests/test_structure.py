"""pairfit.read and pairfit.Structure: the columns of real files, the
errors and warnings with the command-line program's messages, structures
taken from others, and the columns and arguments the module refuses; the
package's version and public names."""

import math
import pickle
import warnings

import gemmi
import numpy as np
import pytest

import pairfit
from conftest import DATA, EXAMPLES, HB, LDH, NMR, UBQ1, UBQ2, run

# Some comparisons here pair different proteins by number on purpose.
pytestmark = [pytest.mark.filterwarnings("ignore::pairfit.PairingWarning"),
              pytest.mark.filterwarnings("ignore::pairfit.ReaderWarning")]


@pytest.mark.parametrize("name", ["fab_1a0q_inscodes.pdb.gz", "crambin_1ejg_altloc.pdb", "ubiquitin_1d3z_nmr.pdb.gz",
                                  "large_glua3ntd_3o21_CD.pdb.gz", "ubiquitin_1d3z_nmr.cif.gz"],
                         ids=["insertion codes", "alternate locations", "models", "chains", "mmCIF models"])
def test_columns_agree_with_an_independent_reader(name):
    s = pairfit.read(DATA / name)
    # The C-alpha atoms of ATOM records as gemmi reads them.
    st = gemmi.read_structure(str(DATA / name))
    rows = [(a.serial, r.seqid.num, r.seqid.icode.strip(), a.altloc.strip("\0") + r.name, c.name, int(m.name),
             a.pos.tolist()) for m in st for c in m for r in c if r.het_flag == "A" for a in r if a.name == "CA"]
    columns = list(zip(s.serials.tolist(), s.residue_numbers.tolist(), s.insertion_codes, s.residue_names,
                       s.chain_ids, s.models.tolist()))
    assert columns == [row[:6] for row in rows]
    assert np.abs(s.coordinates - np.array([row[6] for row in rows])).max() < 1e-9
    assert s.atom_names == ["CA"] * len(s) and s.source == str(DATA / name)


def _truncated_gzip(tmp_path):
    data = (DATA / "demo_ldh_6ldh_A.pdb.gz").read_bytes()
    (tmp_path / "truncated.pdb.gz").write_bytes(data[:len(data) // 2])
    return tmp_path / "truncated.pdb.gz"


@pytest.mark.parametrize("make, error", [
    (lambda tmp: tmp / "missing.pdb", pairfit.CannotOpenError),
    (_truncated_gzip, pairfit.UnreadableFileError),
    (lambda tmp: tmp, pairfit.UnreadableFileError),
    (lambda tmp: DATA / "overcap_ubiquitin_2k39_ca.pdb.gz", pairfit.TooManyAtomsError),
], ids=["missing", "truncated gzip", "directory", "too many atoms"])
def test_read_errors_carry_the_programs_message(make, error, tmp_path, pairfit_binary):
    path = make(tmp_path)
    program = run(pairfit_binary, path, LDH[1])
    assert program.returncode == 1
    for call in (lambda: pairfit.read(path), lambda: pairfit.compare(path, LDH[1]),
                 lambda: pairfit.compare_many(LDH[1], [path], threads=2)):
        with pytest.raises(error) as raised:
            call()
        assert str(raised.value) == program.stdout.rstrip("\n") and raised.value.path == str(path)
        assert all(isinstance(raised.value, t) for t in (pairfit.ReadError, pairfit.Error, OSError))


def test_reader_warnings_go_through_warnings_module(tmp_path, pairfit_binary):
    # The example file with two C-alpha lines whose numbers do not read.
    lines = (EXAMPLES / "demo_ldh_6ldh_A.pdb").read_text().splitlines(keepends=True)
    ca = [k for k, line in enumerate(lines) if line.startswith("ATOM") and line[12:16] == " CA "]
    for k in (ca[3], ca[10]):
        lines[k] = lines[k][:30] + "   x.xxx" + lines[k][38:]
    path = tmp_path / "damaged.pdb"
    path.write_text("".join(lines))
    program = run(pairfit_binary, path, path).stderr.splitlines()
    assert len(program) == 4  # two lines, each reported for file 1 and file 2
    for call in (lambda: pairfit.read(path), lambda: pairfit.compare_many(LDH[1], [path, LDH[1], path], threads=2)):
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            call()
        # From worker threads too: emitted on this thread, each path read once.
        assert [(str(w.message), w.category, w.filename) for w in caught] == \
            [(line, pairfit.ReaderWarning, __file__) for line in program[:2]]
    assert len(pairfit.read(path)) == len(pairfit.read(LDH[0])) - 2
    with warnings.catch_warnings():
        warnings.simplefilter("error", pairfit.ReaderWarning)
        with pytest.raises(pairfit.ReaderWarning):
            pairfit.compare(path, path)


def test_structures_taken_from_others_keep_columns_names_and_scores():
    four = pairfit.read(HB)
    chains = np.array(four.chain_ids)
    chain_a, alone = four[chains == "A"], pairfit.read(DATA / "hemoglobin_2hhb_chainA_ca.pdb")
    for column in ("serials", "residue_numbers", "models", "coordinates", "residue_names", "chain_ids"):
        assert np.array_equal(getattr(chain_a, column), getattr(alone, column)), column
    other = DATA / "hemoglobin_2hhb_chainB_ca.pdb"
    assert pairfit.compare(chain_a, other).score_line() == pairfit.compare(alone, other).score_line()
    assert four[[5, 0]].residue_numbers.tolist() == [four.residue_numbers[5], four.residue_numbers[0]]
    # Whole chains and models are named as the selection that reads them,
    # anything else by the positions taken after the selection read.
    chain_b = pairfit.read(HB, "//B")
    nmr = pairfit.read(NMR)
    b_then_a = np.concatenate([np.flatnonzero(chains == "B"), np.flatnonzero(chains == "A")])
    names = [(chain_a, "@//A"), (pairfit.read(HB, selection="//A"), "@//A"), (four[2:4], "@[2:4]"),
             (four[np.isin(chains, ["B", "C"])], "@//B,C"), (four[[5, 0, 1, 2, 9]], "@[5,0:3,9]"),
             (four[b_then_a], "@[141:287,0:141]"),
             (chain_b[10:20][0:3], "@//B[10:20][0:3]"), (four[:], ""), (chain_b[:], "@//B"),
             (pickle.loads(pickle.dumps(four[2:4])), "@[2:4]")]
    assert [s.name for s, _ in names] == [HB + suffix for _, suffix in names]
    assert (chain_b.source, chain_b.selection, four.selection) == (HB, "//B", "")
    assert nmr[nmr.models == 2].name == NMR + "@/2"


def test_structure_from_columns_and_pickle_round_trip():
    s = pairfit.read(DATA / "fab_1a0q_inscodes.pdb.gz")
    columns = {c: getattr(s, c) for c in ("residue_numbers", "residue_names", "chain_ids", "insertion_codes",
                                          "models", "serials", "atom_names", "source")}
    for copy in (pairfit.Structure(s.coordinates, **columns), pickle.loads(pickle.dumps(s))):
        for column, value in dict(columns, coordinates=s.coordinates).items():
            assert np.array_equal(getattr(copy, column), value), column
        assert pairfit.compare(copy, LDH[1]).score_line() == pairfit.compare(s, LDH[1]).score_line()
    bare = pairfit.Structure(s.coordinates, residue_numbers=s.residue_numbers)
    assert pairfit.compare(bare, s).score_line() == pairfit.compare(s, s).score_line()
    assert bare.residue_names[0] == "UNK" and bare.serials[:3].tolist() == [1, 2, 3]
    # Whole numbers of any type.
    s = pairfit.Structure(np.zeros((2, 3)), residue_numbers=np.array([-2 ** 31, 2 ** 31 - 1.0]),
                          models=np.array([1, 2], dtype=np.uint8))
    assert (list(s.residue_numbers), list(s.models)) == ([-2 ** 31, 2 ** 31 - 1], [1, 2])


Z = np.zeros((3, 3))
BAD_COLUMNS = {"two columns": (dict(coordinates=np.zeros((3, 2)), residue_numbers=[1, 2, 3]), ""),
               "no residue numbers": (dict(coordinates=Z), ""),
               "too few numbers": (dict(coordinates=Z, residue_numbers=[1, 2]), ""),
               "too few chains": (dict(coordinates=Z, residue_numbers=[1, 2, 3], chain_ids=["A"]), ""),
               "two-letter code": (dict(coordinates=Z, residue_numbers=[1, 2, 3], insertion_codes=["", "AB", ""]), "")}
for name, numbers in {"2**31": [1, 2 ** 31], "-2**31-1": [1, -2 ** 31 - 1], "fraction": [1.5, 2], "nan": [math.nan, 2],
                      "2**64": [1, 2 ** 64], "strings": ["1", "2"], "booleans": [True, False]}.items():
    for column in ("residue_numbers", "models", "serials"):
        BAD_COLUMNS[column + " " + name] = (dict(coordinates=Z[:2], **{"residue_numbers": [1, 2], column: numbers}),
                                           "^" + column + ": whole numbers")


@pytest.mark.parametrize("arguments, message", BAD_COLUMNS.values(), ids=BAD_COLUMNS.keys())
def test_structure_from_bad_columns_raises_value_error(arguments, message):
    with pytest.raises(ValueError, match=message):
        pairfit.Structure(**arguments)


@pytest.mark.parametrize("call, error, message", [
    (lambda: pairfit.read(UBQ1 + "\0ignored"), ValueError, "^path: the path .* holds a NUL byte"),
    (lambda: pairfit.compare(UBQ1, UBQ2 + "\0"), ValueError, "^b: "),
    (lambda: pairfit.compare_many(UBQ1, [UBQ2, UBQ2.encode() + b"\0x"]), ValueError, r"^models\[1\]: "),
    (lambda: pairfit.compare_many(UBQ1, UBQ2), TypeError, "^models: a list of Structures or paths, not the single"),
    (lambda: pairfit.compare_all(UBQ1), TypeError, "^structures: "),
    (lambda: pairfit.compare_pairs([UBQ1 + UBQ2[:1]]), ValueError, r"^pairs\[0\]: an \(a, b\) tuple"),
    (lambda: pairfit.compare_many(UBQ1, [7]), TypeError, r"^models\[0\]: a Structure or a path, not 7"),
    (lambda: pairfit.compare(UBQ1, UBQ2, pairing=([0, 2 ** 40], [0, 1])), ValueError, "^pairing: "),
    (lambda: pairfit.compare(UBQ1, UBQ2, max_atoms=0), ValueError, "^max_atoms: "),
    (lambda: pairfit.compare(UBQ1, UBQ2, threads=-1), ValueError, r"^threads: 0 \(every core\) or more, not -1$"),
    (lambda: pairfit.compare(UBQ1, UBQ2, mode="fast", threads=-1), ValueError, "^threads: "),
    (lambda: pairfit.compare_all([UBQ1, UBQ2], threads=-1), ValueError, "^threads: "),
    (lambda: pairfit.read(NMR, "/4294967298"), pairfit.NothingSelectedError, "no model 4294967298 "),
    (lambda: pairfit.compare(UBQ1, NMR + "@/99999999999"), pairfit.NothingSelectedError, "no model 99999999999 "),
    (lambda: pairfit.compare(DATA / "overcap_ubiquitin_2k39_ca.pdb.gz", UBQ1, mode="fast", max_atoms=8000),
     pairfit.TooManyAtomsError, r"\(at most 8000\)"),
    (lambda: pairfit.compare_many(UBQ1, [UBQ2], max_atoms=70), pairfit.TooManyAtomsError, r"\(at most 70\)"),
], ids=["NUL in path", "NUL in b", "NUL in a model", "one path for a list", "one path for structures",
        "pair not a tuple", "model not a path", "index beyond int", "no atoms allowed"] +
    ["negative threads in " + f for f in ("compare", "compare fast", "compare_all")] +
    ["model beyond int", "model beyond int in a name", "fast atom limit", "exact atom limit"])
def test_argument_errors_name_the_argument(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_atom_limit_of_the_fast_mode_and_collinear_structures_print_nothing(capfd):
    assert pairfit.FAST_MAX_ATOMS == 4000000
    assert pairfit.compare(DATA / "overcap_ubiquitin_2k39_ca.pdb.gz", UBQ1, mode="fast").max_natoms == 8816
    line = np.array([[1.5 * i, 0.0, 0.0] for i in range(40)])
    a = pairfit.Structure(line, residue_numbers=np.arange(1, 41))
    b = pairfit.Structure(line[:, [1, 0, 2]], residue_numbers=np.arange(1, 41))
    assert [pairfit.compare(a, b, mode=mode).size for mode in ("exact", "fast")] == [40, 40]
    assert capfd.readouterr() == ("", "")


def test_version_and_public_names(pairfit_binary):
    assert run(pairfit_binary, "--version").stdout == "pairfit %s\n" % pairfit.__version__
    assert dir(pairfit) == sorted(pairfit.__all__)
    assert [name for name in dir(pairfit) if name.startswith("_")] == ["__version__"]
    namespace = {}
    exec("from pairfit import *", namespace)
    assert set(namespace) - {"__builtins__"} == set(pairfit.__all__)
