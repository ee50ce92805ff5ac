"""The package as users meet it: its version and its public names."""
import subprocess

import pairfit


def test_version_is_the_programs_version(pairfit_binary):
    printed = subprocess.run([pairfit_binary, "--version"], capture_output=True, text=True, check=True).stdout
    assert printed == "pairfit %s\n" % pairfit.__version__
    assert pairfit.__version__.count(".") == 2


def test_public_names_only():
    assert dir(pairfit) == sorted(pairfit.__all__)
    assert all(hasattr(pairfit, name) for name in pairfit.__all__)
    assert [name for name in dir(pairfit) if name.startswith("_")] == ["__version__"]
    namespace = {}
    exec("from pairfit import *", namespace)
    assert set(namespace) - {"__builtins__"} == set(pairfit.__all__)
