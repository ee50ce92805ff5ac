"""pairfit.read: the columns of real files, the errors and the warnings,
with the messages of the command-line program."""

import pickle
import subprocess
import warnings

import gemmi
import numpy as np
import pytest

import pairfit
from conftest import DATA, EXAMPLES

# Some comparisons here pair different proteins by number on purpose.
pytestmark = pytest.mark.filterwarnings("ignore::pairfit.PairingWarning")


def _gemmi_ca_atoms(path):
    """The C-alpha atoms of ATOM records as gemmi reads them, by model,
    chain and residue: an independent reader of the same files."""
    st = gemmi.read_structure(str(path))
    rows = []
    for model in st:
        for chain in model:
            for residue in chain:
                if residue.het_flag != "A":
                    continue
                for atom in residue:
                    if atom.name == "CA":
                        rows.append((atom.serial, residue.seqid.num, residue.seqid.icode.strip(),
                                     atom.altloc.strip("\0") + residue.name, chain.name,
                                     int(model.name), atom.pos.tolist()))
    return rows


@pytest.mark.parametrize("name", [
    "fab_1a0q_inscodes.pdb.gz",       # insertion codes
    "crambin_1ejg_altloc.pdb",        # alternate locations
    "ubiquitin_1d3z_nmr.pdb.gz",      # ten models
    "large_glua3ntd_3o21_CD.pdb.gz",  # two chains
    "ubiquitin_1d3z_nmr.cif.gz",      # mmCIF, ten models
], ids=["insertion codes", "alternate locations", "models", "chains", "mmCIF models"])
def test_columns_agree_with_an_independent_reader(name):
    s = pairfit.read(DATA / name)
    expected = _gemmi_ca_atoms(DATA / name)
    assert len(s) == len(expected)
    assert s.serials.tolist() == [e[0] for e in expected]
    assert s.residue_numbers.tolist() == [e[1] for e in expected]
    assert s.insertion_codes == [e[2] for e in expected]
    assert s.residue_names == [e[3] for e in expected]
    assert s.chain_ids == [e[4] for e in expected]
    assert s.models.tolist() == [e[5] for e in expected]
    assert np.abs(s.coordinates - np.array([e[6] for e in expected])).max() < 1e-9
    assert s.atom_names == ["CA"] * len(s)
    assert s.coordinates.shape == (len(s), 3) and s.coordinates.dtype == np.float64
    assert s.source == str(DATA / name)


def _program_message(binary, path):
    """What pairfit prints for a file it cannot read (as file 1)."""
    run = subprocess.run([binary, str(path), str(EXAMPLES / "demo_ldh_1ldm_A.pdb")],
                         capture_output=True, text=True)
    assert run.returncode == 1
    return run.stdout.rstrip("\n")


def _truncated_gzip(tmp_path):
    data = (DATA / "demo_ldh_6ldh_A.pdb.gz").read_bytes()
    path = tmp_path / "truncated.pdb.gz"
    path.write_bytes(data[:len(data) // 2])
    return path


@pytest.mark.parametrize("make, error", [
    (lambda tmp: tmp / "missing.pdb", pairfit.CannotOpenError),
    (_truncated_gzip, pairfit.UnreadableFileError),
    (lambda tmp: tmp, pairfit.UnreadableFileError),  # a directory
    (lambda tmp: DATA / "overcap_ubiquitin_2k39_ca.pdb.gz", pairfit.TooManyAtomsError),
], ids=["missing", "truncated gzip", "directory", "too many atoms"])
def test_read_errors_carry_the_programs_message(make, error, tmp_path, pairfit_binary):
    path = make(tmp_path)
    for call in (lambda: pairfit.read(path),
                 lambda: pairfit.compare(path, EXAMPLES / "demo_ldh_1ldm_A.pdb"),
                 lambda: pairfit.compare_many(EXAMPLES / "demo_ldh_1ldm_A.pdb", [path], threads=2)):
        with pytest.raises(error) as raised:
            call()
        assert str(raised.value) == _program_message(pairfit_binary, path)
        assert raised.value.path == str(path)
        assert all(isinstance(raised.value, t) for t in (pairfit.ReadError, pairfit.Error, OSError))


def _file_with_unreadable_lines(tmp_path):
    """The example file with two C-alpha lines whose numbers do not read."""
    lines = (EXAMPLES / "demo_ldh_6ldh_A.pdb").read_text().splitlines(keepends=True)
    ca = [k for k, line in enumerate(lines) if line.startswith("ATOM") and line[12:16] == " CA "]
    for k in (ca[3], ca[10]):
        lines[k] = lines[k][:30] + "   x.xxx" + lines[k][38:]
    path = tmp_path / "damaged.pdb"
    path.write_text("".join(lines))
    return path


def test_reader_warnings_go_through_warnings_module(tmp_path, pairfit_binary):
    path = _file_with_unreadable_lines(tmp_path)
    run = subprocess.run([pairfit_binary, str(path), str(path)], capture_output=True, text=True)
    program = run.stderr.splitlines()
    assert len(program) == 4  # two lines, each reported for file 1 and file 2
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        s = pairfit.read(path)
    assert [str(w.message) for w in caught] == program[:2]
    assert all(w.category is pairfit.ReaderWarning for w in caught)
    assert caught[0].filename == __file__  # attributed to the caller
    assert len(s) == len(pairfit.read(EXAMPLES / "demo_ldh_6ldh_A.pdb")) - 2

    # From worker threads: emitted on this thread, file by file in input order.
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        pairfit.compare_many(EXAMPLES / "demo_ldh_1ldm_A.pdb", [path, EXAMPLES / "demo_ldh_1ldm_A.pdb", path],
                             threads=2)
    assert [str(w.message) for w in caught] == program[:2]  # each path read once
    assert all(w.filename == __file__ for w in caught)

    with warnings.catch_warnings():
        warnings.simplefilter("error", pairfit.ReaderWarning)
        with pytest.raises(pairfit.ReaderWarning):
            pairfit.compare(path, path)


def test_chain_taken_by_mask_equals_the_file_of_that_chain():
    four = pairfit.read(DATA / "hemoglobin_2hhb_4chains.pdb.gz")
    chain_a = four[np.array(four.chain_ids) == "A"]
    alone = pairfit.read(DATA / "hemoglobin_2hhb_chainA_ca.pdb")
    for column in ("serials", "residue_numbers", "models", "coordinates"):
        assert np.array_equal(getattr(chain_a, column), getattr(alone, column))
    for column in ("residue_names", "chain_ids", "insertion_codes"):
        assert getattr(chain_a, column) == getattr(alone, column)
    other = DATA / "hemoglobin_2hhb_chainB_ca.pdb"
    assert pairfit.compare(chain_a, other).score_line() == pairfit.compare(alone, other).score_line()
    assert four[2:4].serials.tolist() == four.serials[2:4].tolist()
    assert four[[5, 0]].residue_numbers.tolist() == [four.residue_numbers[5], four.residue_numbers[0]]


def test_a_structure_taken_from_another_is_named_by_what_was_taken():
    path = str(DATA / "hemoglobin_2hhb_4chains.pdb.gz")
    four = pairfit.read(path)
    chains = np.array(four.chain_ids)
    # Whole chains are named as the selection that reads them.
    assert four[chains == "A"].name == path + "@//A"
    assert four[np.isin(chains, ["B", "C"])].name == path + "@//B,C"
    assert four[chains == "A"].name == pairfit.read(path, "//A").name
    nmr_path = str(DATA / "ubiquitin_1d3z_nmr.pdb.gz")
    nmr = pairfit.read(nmr_path)
    assert nmr[nmr.models == 2].name == nmr_path + "@/2"
    # Anything else by the positions taken, after the selection read.
    assert four[2:4].name == path + "@[2:4]"
    assert four[[5, 0, 1, 2, 9]].name == path + "@[5,0:3,9]"
    b_then_a = np.concatenate([np.flatnonzero(chains == "B"), np.flatnonzero(chains == "A")])
    assert four[b_then_a].name == path + "@[141:287,0:141]"
    chain_b = pairfit.read(path, "//B")
    assert chain_b[10:20].name == path + "@//B[10:20]"
    assert chain_b[10:20][0:3].name == path + "@//B[10:20][0:3]"
    assert four[:].name == path and chain_b[:].name == path + "@//B"
    assert pickle.loads(pickle.dumps(four[2:4])).name == path + "@[2:4]"


def test_structure_from_columns_and_pickle_round_trip():
    s = pairfit.read(DATA / "fab_1a0q_inscodes.pdb.gz")
    columns = {c: getattr(s, c) for c in ("residue_numbers", "residue_names", "chain_ids",
                                          "insertion_codes", "models", "serials", "atom_names",
                                          "source")}
    for copy in (pairfit.Structure(s.coordinates, **columns), pickle.loads(pickle.dumps(s))):
        for column, value in columns.items():
            assert np.array_equal(getattr(copy, column), value), column
        assert np.array_equal(copy.coordinates, s.coordinates)
    r1 = pairfit.compare(s, EXAMPLES / "demo_ldh_1ldm_A.pdb")
    r2 = pairfit.compare(pickle.loads(pickle.dumps(s)), EXAMPLES / "demo_ldh_1ldm_A.pdb")
    assert r1.score_line() == r2.score_line()
    bare = pairfit.Structure(s.coordinates, residue_numbers=s.residue_numbers)
    assert pairfit.compare(bare, s).score_line() == pairfit.compare(s, s).score_line()
    assert bare.residue_names[0] == "UNK" and bare.serials[:3].tolist() == [1, 2, 3]


@pytest.mark.parametrize("arguments", [
    dict(coordinates=np.zeros((3, 2)), residue_numbers=[1, 2, 3]),
    dict(coordinates=np.zeros((3, 3))),
    dict(coordinates=np.zeros((3, 3)), residue_numbers=[1, 2]),
    dict(coordinates=np.zeros((3, 3)), residue_numbers=[1, 2, 3], chain_ids=["A"]),
    dict(coordinates=np.zeros((3, 3)), residue_numbers=[1, 2, 3], insertion_codes=["", "AB", ""]),
], ids=["two columns", "no residue numbers", "too few numbers", "too few chains", "two-letter code"])
def test_structure_from_bad_columns_raises_value_error(arguments):
    with pytest.raises(ValueError):
        pairfit.Structure(**arguments)
