"""The exceptions and warnings of pairfit.

Every failure of the library raises pairfit.Error. Failures to read a file
raise a subclass of pairfit.ReadError, which is also an OSError, so that
``except OSError`` catches them as it catches other file errors; a
selection that cannot be applied raises a subclass of SelectionError, also
a ValueError. The text of
each exception is the message the command-line program pairfit prints.
"""


class Error(Exception):
    """A failure that the pairfit library reports."""


class ReadError(Error, OSError):
    """A structure file that cannot be read; ``path`` names it."""

    path: str = ""


class CannotOpenError(ReadError):
    """``Couldn't open file PATH``: missing, not readable, ..."""


class UnreadableFileError(ReadError):
    """``Error reading file PATH``: a read error, corrupt or truncated gzip, a
    directory, mmCIF that does not parse."""


class TooManyAtomsError(ReadError):
    """``Too many C-alpha atoms in file PATH (at most 5000)``."""


class SelectionError(Error, ValueError):
    """A selection of models and chains that cannot be applied; ``path``
    names the file."""

    path: str = ""


class BadSelectionError(SelectionError):
    """``Bad selection 'SEL' for file PATH: WHY``: it does not parse, or goes
    beyond models and chains."""


class NothingSelectedError(SelectionError):
    """``Selection 'SEL' matches no C-alpha atom in file PATH: WHY``."""


class PairingWarning(UserWarning):
    """More than a tenth of the pairs, and at least 3, join residues of
    different names: the numbering may not match (try pairing="sequence")
    or the chains may not be the ones meant. Or a structure holds several
    models read as one, of which only the first can pair (read one model:
    "FILE@/1")."""


class ReaderWarning(UserWarning):
    """A line or row of a structure file that was skipped, with the message
    the command-line program prints on standard error (without the line end)."""


class MetricsWarning(UserWarning):
    """The standard scores could not be computed (no pairs, or fewer than 5
    C-alpha atoms in structure 1): they are 0, and the message says why."""
