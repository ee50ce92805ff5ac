"""The package as users meet it: its version and its public names."""
import subprocess

import pairfit


def test_version_is_the_programs_version(pairfit_binary):
    printed = subprocess.run([pairfit_binary, "--version"], capture_output=True, text=True, check=True).stdout
    assert printed == "pairfit %s\n" % pairfit.__version__
    assert pairfit.__version__.count(".") == 2
