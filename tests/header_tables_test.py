#!/usr/bin/env python3
"""Every public header (include/pairfit/*.h and the generated version.h)
has its row in the header tables of README.md and docs/library.md.

Usage: header_tables_test.py SOURCE_DIR
"""

import os
import re
import sys

source = sys.argv[1]
headers = sorted(os.listdir(os.path.join(source, "include", "pairfit")) + ["version.h"])
failed = False
for page in ("README.md", os.path.join("docs", "library.md")):
    text = open(os.path.join(source, page), encoding="utf-8").read()
    rows = re.findall(r"^\| `pairfit/([a-z_]+\.h)` \|", text, re.MULTILINE)
    if sorted(rows) != headers:
        print("%s: the header table lists %s, the headers are %s" % (page, sorted(rows), headers))
        failed = True
sys.exit(1 if failed else 0)
