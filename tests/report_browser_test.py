"""The report pages as a browser shows them: pairfit -html on the example
pair and pairfit-batch --html on the ten ubiquitin NMR models, opened in
headless Chromium. Checks the DOM after the scripts ran, the console, and
that the 3-D view draws.

Usage: report_browser_test.py PAIRFIT PAIRFIT_BATCH SOURCE_DIR
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium_page import Browser, decode_png  # noqa: E402

PAIRFIT, BATCH, SOURCE = sys.argv[1:4] if len(sys.argv) >= 4 else (None, None, None)


def ca_residue_numbers(path):
    """Residue numbers of the C-alpha ATOM records, in file order."""
    numbers = []
    with open(path) as f:
        for line in f:
            if line.startswith("ATOM") and line[12:16].strip() == "CA":
                numbers.append(int(line[22:26]))
    return numbers


def pair_count(first, second):
    """Pairs by residue number in one forward walk, as pairfit pairs them."""
    i = j = n = 0
    while i < len(first) and j < len(second):
        if first[i] < second[j]:
            i += 1
        elif second[j] < first[i]:
            j += 1
        else:
            i, j, n = i + 1, j + 1, n + 1
    return n


class ReportPages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="pairfit-report-")
        cls.browser = Browser(1100, 900)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        shutil.rmtree(cls.dir, ignore_errors=True)

    def test_pair_report(self):
        one = os.path.join(SOURCE, "examples", "demo_ldh_6ldh_A.pdb")
        two = os.path.join(SOURCE, "examples", "demo_ldh_1ldm_A.pdb")
        page = os.path.join(self.dir, "pair.html")
        out = subprocess.run([PAIRFIT, "-html", page, one, two], check=True, capture_output=True, text=True).stdout
        score = out.split("\n")[0].split("\t")
        self.assertEqual(score[0], "SCORE:")
        size = int(score[2])
        pairs = pair_count(ca_residue_numbers(one), ca_residue_numbers(two))
        self.assertLess(os.path.getsize(page), 3 << 20)

        b = self.browser
        b.events.clear()
        b.open("file://" + page)
        self.assertTrue(b.wait_until("document.getElementById('viewer').getAttribute('data-drawn') === 'yes'"),
                        "the 3-D view never drew")
        count = lambda selector: b.evaluate("document.querySelectorAll(%r).length" % selector)
        self.assertEqual(count("svg.distance-plot circle.pair"), pairs)
        self.assertEqual(count("svg.distance-plot circle.pair.in"), size)
        self.assertEqual(count("svg.distance-plot circle.pair > title"), pairs)
        self.assertEqual(b.evaluate("document.getElementById('subset-size').textContent"), str(size))
        self.assertEqual(b.evaluate("document.getElementById('score-line').textContent"), out.split("\n")[0])
        self.assertEqual(count("svg.distance-plot line.limit"), 1)
        self.assertEqual(count("svg.size-plot line.chosen"), 1)
        self.assertEqual(count("#viewer canvas"), 1)
        # Without -metrics or -json the standard scores are not computed, nor shown.
        self.assertEqual(count("#metrics") + count("#tm-score") + count("svg.lddt-plot"), 0)

        # Every pair in the table; a click on the distance heading sorts it.
        self.assertEqual(count("#pair-table tbody tr"), pairs)
        distances = ("Array.prototype.map.call(document.querySelectorAll('#pair-table tbody tr'),"
                     " function (r) { return parseFloat(r.cells[3].getAttribute('data-value')); })")
        b.evaluate("document.querySelectorAll('#pair-table th')[3].click()")
        ascending = b.evaluate(distances)
        self.assertEqual(ascending, sorted(ascending))
        b.evaluate("document.querySelectorAll('#pair-table th')[3].click()")
        self.assertEqual(b.evaluate(distances), sorted(ascending, reverse=True))

        # The view is drawn: many colours where a blank canvas has one.
        width, height, rows = decode_png(b.screenshot("#viewer"))
        pixels = [p for row in rows for p in row]
        colours = set(pixels)
        drawn = sum(1 for p in pixels if p != (255, 255, 255))
        self.assertGreater(len(colours), 50, "the 3-D view looks blank")
        self.assertGreater(drawn, 0.02 * width * height, "the 3-D view looks blank")
        # Both kinds of pair show: blue best subset and orange pairs outside it.
        self.assertTrue(any(b_ > r + 40 for r, g, b_ in colours), "no best-subset colour in the view")
        self.assertTrue(any(r > b_ + 80 for r, g, b_ in colours), "no outside colour in the view")
        self.assertEqual(b.console_errors(), [])

    def test_pair_report_shows_the_standard_scores(self):
        """With -metrics or -json the page shows the four scores as computed
        and plots the lDDT of every residue of structure 1, unpaired ones at 0."""
        data = os.path.join(SOURCE, "tests", "data")
        examples = os.path.join(SOURCE, "examples")
        cases = [
            # Hemoglobin beta (146 residues) against alpha (141): 5 residues of structure 1 unpaired.
            ("metrics", [os.path.join(data, "hemoglobin_2hhb_chainB_ca.pdb"),
                         os.path.join(data, "hemoglobin_2hhb_chainA_ca.pdb")]),
            ("json", [os.path.join(examples, "demo_ldh_6ldh_A.pdb"), os.path.join(examples, "demo_ldh_1ldm_A.pdb")]),
        ]
        b = self.browser
        count = lambda selector: b.evaluate("document.querySelectorAll(%r).length" % selector)
        for option, files in cases:
            page = os.path.join(self.dir, "scores_%s.html" % option)
            document = os.path.join(self.dir, "scores.json")
            extra = ["-metrics"] if option == "metrics" else ["-json", document]
            out = subprocess.run([PAIRFIT, *extra, "-html", page, *files], check=True, capture_output=True,
                                 text=True).stdout
            if option == "metrics":
                values = out.splitlines()[-1].split("\t")
                self.assertEqual(values[0], "METRICS:")
                scores, pairs, length = values[1:5], int(values[6]), int(values[7])
                lddt_of_pairs = None
            else:
                with open(document) as f:
                    doc = json.load(f)
                m = doc["metrics"]
                scores = ["%.4f" % m[key] for key in ("tm_score", "gdt_ts", "gdt_ha", "lddt")]
                pairs, length = m["pairs"], m["reference_length"]
                lddt_of_pairs = ["%.3f" % p["lddt"] for p in doc["pairs"]]
            b.events.clear()
            b.open("file://" + page)
            self.assertEqual(count("#metrics"), 1, option)
            shown = [b.evaluate("document.getElementById(%r).textContent" % key)
                     for key in ("tm-score", "gdt-ts", "gdt-ha", "lddt")]
            self.assertEqual(shown, scores, option)
            # One circle a residue of structure 1, the unpaired ones marked, all between 0 and 1.
            self.assertEqual(count("svg.lddt-plot circle"), length, option)
            self.assertEqual(count("svg.lddt-plot circle.pair"), pairs, option)
            self.assertEqual(count("svg.lddt-plot circle.residue.unpaired"), length - pairs, option)
            titles = b.evaluate("Array.prototype.map.call(document.querySelectorAll('svg.lddt-plot circle > title'),"
                                " function (t) { return t.textContent; })")
            values = [t.split(": ")[1].split(",")[0] for t in titles]
            self.assertTrue(all(0 <= float(v) <= 1 for v in values), option)
            self.assertTrue(all(t.endswith(": 0.000, not paired") for t in titles if "/" not in t), option)
            if lddt_of_pairs is not None:
                self.assertEqual([v for t, v in zip(titles, values) if "/" in t], lddt_of_pairs)
            # Drawn: the circles lie inside the plot, at heights that follow their values.
            heights = b.evaluate("Array.prototype.map.call(document.querySelectorAll('svg.lddt-plot circle'),"
                                 " function (c) { return c.getBoundingClientRect().top; })")
            order = sorted(range(len(values)), key=lambda i: float(values[i]))
            self.assertGreaterEqual(heights[order[0]], heights[order[-1]], option)
            self.assertGreater(b.evaluate("document.querySelector('svg.lddt-plot').getBoundingClientRect().height"), 100)
            self.assertEqual(b.console_errors(), [])

    def test_pair_report_shows_warnings_and_far_pairs_of_the_subset(self):
        data = os.path.join(SOURCE, "tests", "data")
        # A whole NMR file against a whole four-chain file: every kind of warning.
        one = os.path.join(data, "ubiquitin_1d3z_nmr.pdb.gz")
        two = os.path.join(data, "hemoglobin_2hhb_4chains.pdb.gz")
        page = os.path.join(self.dir, "warned.html")
        run = subprocess.run([PAIRFIT, "-o", "-html", page, one, two], check=True, capture_output=True, text=True)
        printed = [line for line in run.stderr.split("\n") if line.startswith("Warning: ")]
        self.assertEqual(len(printed), 2, run.stderr)
        # The -o table's rows are the subset's pairs, the distance last.
        table = [line.split("\t") for line in run.stdout.split("\n")
                 if line.count("\t") == 7 and line.split("\t")[0].strip().isdigit()]
        far = [float(row[-1]) for row in table if float(row[-1]) > 5]
        self.assertGreater(len(far), 0)

        b = self.browser
        b.events.clear()
        b.open("file://" + page)
        count = lambda selector: b.evaluate("document.querySelectorAll(%r).length" % selector)
        box = b.evaluate("Array.prototype.map.call(document.querySelectorAll('#warnings p'),"
                         " function (p) { return p.textContent; })")
        self.assertEqual(box[:2], printed)
        self.assertEqual(len(box), 3)
        self.assertIn("the chains of %s (A,B,C,D) are merged" % two, box[2])
        # The box is at the top, visible without scrolling.
        top = b.evaluate("document.getElementById('warnings').getBoundingClientRect().top")
        self.assertLess(top, 200)

        self.assertEqual(count("svg.distance-plot circle.pair.in.far"), len(far))
        self.assertEqual(count("#pair-table tbody tr.far"), len(far))
        titles = b.evaluate("Array.prototype.map.call(document.querySelectorAll('svg.distance-plot circle.far > title'),"
                            " function (t) { return t.textContent; })")
        self.assertEqual(sorted(t.split(": ")[-1] for t in titles),
                         sorted("in the subset, %.2f \u00c5 apart" % d for d in far))
        cells = b.evaluate("Array.prototype.map.call(document.querySelectorAll('#pair-table tr.far'),"
                           " function (r) { return r.cells[4].textContent; })")
        self.assertEqual(sorted(cells), sorted("in the subset, %.2f \u00c5 apart" % d for d in far))
        self.assertIn("%d pairs in the best subset lie farther apart than 5" % len(far),
                      b.evaluate("document.getElementById('far-pairs').textContent"))
        # Residues outside the subset as ranges per chain; "best subset", never "core".
        outside = b.evaluate("document.getElementById('outside').textContent")
        self.assertRegex(outside, r"structure 2: chain A: \d+\u2013\d+")
        self.assertNotRegex(b.evaluate("document.body.innerText"), r"\bcore\b")
        self.assertEqual(b.console_errors(), [])

    def open_report(self, name, *arguments):
        """pairfit -html NAME ARGUMENTS, opened once its 3-D view drew."""
        page = os.path.join(self.dir, name)
        subprocess.run([PAIRFIT, "-html", page, *arguments], check=True, capture_output=True)
        b = self.browser
        b.events.clear()
        b.open("file://" + page)
        self.assertTrue(b.wait_until("document.getElementById('viewer').getAttribute('data-drawn') === 'yes'"),
                        "the 3-D view never drew")
        return b

    def test_chain_map_report(self):
        hemoglobin = os.path.join(SOURCE, "tests", "data", "hemoglobin_2hhb_4chains.pdb.gz")
        b = self.open_report("complex.html", "-complex", "-fast", hemoglobin + "@//B,A,D,C", hemoglobin)
        rows = b.evaluate("Array.prototype.map.call(document.querySelectorAll('#chain-map tr'),"
                          " function (r) { return r.cells[1].textContent + '=' + r.cells[2].textContent; })")
        self.assertEqual(rows[1:], ["B=B", "A=A", "D=D", "C=C"])
        # Each chain pair has its own colour, in the map and in the view:
        # the four chain colours appear among the view's pixels.
        swatches = b.evaluate("Array.prototype.map.call(document.querySelectorAll('#chain-map .swatch'),"
                              " function (s) { return getComputedStyle(s).backgroundColor; })")
        self.assertEqual(len(set(swatches)), 4)
        width, height, pixels = decode_png(b.screenshot("#viewer"))
        seen = set(p for row in pixels for p in row)
        for swatch in swatches:
            r, g, b_ = (int(v) for v in swatch[swatch.index("(") + 1:-1].split(","))
            self.assertTrue(any(abs(r - p[0]) + abs(g - p[1]) + abs(b_ - p[2]) < 60 and
                                max(p) - min(p) > 0.5 * (max(r, g, b_) - min(r, g, b_)) for p in seen),
                            "no atom in the view has the colour of " + swatch)
        self.assertEqual(b.console_errors(), [])

    def test_domain_report(self):
        fab = os.path.join(SOURCE, "tests", "data", "fab_1a0q_inscodes.pdb.gz")
        b = self.open_report("domains.html", "-domains", "-seq", fab + "@//H", fab + "@//L")
        cells = lambda table: b.evaluate(
            "Array.prototype.map.call(document.querySelectorAll('#%s tr'), function (r) {"
            " return Array.prototype.map.call(r.cells, function (c) { return c.textContent; }); })" % table)
        self.assertEqual([row[1] for row in cells("domains")[1:]], ["1", "2"])
        self.assertIn(["H:113", "H:140", "1", "2"], cells("hinges")[1:])
        # The plot's pairs in the colours of both domains, as their swatches.
        swatches = b.evaluate("Array.prototype.map.call(document.querySelectorAll('#domains .swatch'),"
                              " function (s) { return getComputedStyle(s).backgroundColor; })")
        fills = b.evaluate("Array.prototype.map.call(document.querySelectorAll('svg.distance-plot circle.pair'),"
                           " function (c) { return getComputedStyle(c).fill; })")
        self.assertEqual(len(set(swatches)), 2)
        for swatch in swatches:
            self.assertIn(swatch, fills)
        # Domain 2's screw axis is drawn as an arrow of its colour.
        self.assertEqual(b.evaluate("document.getElementById('viewer').getAttribute('data-axes-drawn')"), "1")
        self.assertEqual(b.console_errors(), [])

    def test_batch_heat_map(self):
        models = os.path.join(self.dir, "ubq")
        os.mkdir(models)
        # One file a model, as the README's awk splits the NMR entry.
        subprocess.run("zcat %s | awk '/^MODEL/ { n = $2 } /^ATOM/ { print > sprintf(\"%s/model%%02d.pdb\", n) }'"
                       % (os.path.join(SOURCE, "tests", "data", "ubiquitin_1d3z_nmr.pdb.gz"), models),
                       shell=True, check=True)
        names = sorted(os.path.join(models, name) for name in os.listdir(models))
        self.assertEqual(len(names), 10)
        page = os.path.join(self.dir, "all.html")
        subprocess.run([BATCH, "-j", "2", "--all", "--html", page, *names], check=True, capture_output=True)

        b = self.browser
        b.events.clear()
        b.open("file://" + page)
        count = lambda selector: b.evaluate("document.querySelectorAll(%r).length" % selector)
        self.assertEqual(count("svg.heat-map rect.cell"), 100)
        self.assertEqual(count("svg.heat-map rect.cell > title"), 100)
        self.assertEqual(count("svg.heat-map rect.cell.self"), 10)
        self.assertEqual(count("svg.heat-map .row-label"), 10)
        self.assertEqual(count("#pair-table tbody tr"), 90)
        self.assertEqual(b.console_errors(), [])
        self.check_batch_page_is_explicit(b, "-min 19")

        # An interrupted run resumed with --html shows every row; the rows
        # drawn again with --html-from give the same table.
        rows = os.path.join(self.dir, "rows.tsv")
        subprocess.run([BATCH, "-j", "2", "--all", "--resume", rows, *names], check=True, capture_output=True)
        with open(rows) as f:
            whole = f.read()
        with open(rows, "w") as f:
            f.write("".join(whole.splitlines(True)[:6]))
        resumed = os.path.join(self.dir, "resumed.html")
        subprocess.run([BATCH, "-j", "2", "--all", "--resume", rows, "--html", resumed, "--scale", "-10:60", *names],
                       check=True, capture_output=True)
        with open(rows) as f:
            self.assertEqual(f.read(), whole)
        redrawn = os.path.join(self.dir, "redrawn.html")
        subprocess.run([BATCH, "--html-from", rows, redrawn], check=True, capture_output=True)
        tables = []
        for path, options in ((resumed, "-min 19"), (redrawn, None)):
            b.open("file://" + path)
            self.assertEqual(count("svg.heat-map rect.cell"), 100, path)
            tables.append(b.evaluate("document.querySelector('#pair-table tbody').textContent"))
            self.check_batch_page_is_explicit(b, options)
        self.assertEqual(tables[0], tables[1])
        b.open("file://" + resumed)
        self.assertIn("Colours run from -10.0 (lightest) to 60.0 (darkest), the bounds given with --scale",
                      b.evaluate("document.getElementById('colour-range').textContent"))

    def test_batch_page_shows_the_warnings_column(self):
        data = os.path.join(SOURCE, "tests", "data")
        nmr, model1 = os.path.join(data, "ubiquitin_1d3z_nmr.pdb.gz"), os.path.join(data, "ubiquitin_1d3z_model1.pdb")
        four, chain_a = os.path.join(data, "hemoglobin_2hhb_4chains.pdb.gz"), os.path.join(data, "hemoglobin_2hhb_chainA_ca.pdb")
        missing = os.path.join(self.dir, "missing.pdb")
        pairs = os.path.join(self.dir, "pairs.txt")
        with open(pairs, "w") as f:
            f.write("%s %s\n%s %s\n%s %s\n" % (nmr, model1, four, chain_a, missing, model1))
        rows, page, redrawn = (os.path.join(self.dir, name) for name in ("warned.tsv", "warned.html", "warned-from.html"))
        run = subprocess.run([BATCH, "--warnings", "--pairs", pairs, "--html", page], capture_output=True, text=True)
        self.assertEqual(run.returncode, 1)  # the missing file
        with open(rows, "w") as f:
            f.write(run.stdout)
        subprocess.run([BATCH, "--html-from", rows, redrawn], check=True, capture_output=True)
        expected = [line.split("\t")[-1].split(" | ") for line in run.stdout.splitlines()[1:]]
        self.assertIn("10 models read as one structure", expected[0][0])
        self.assertIn("are merged in file order", expected[1][0])
        self.assertEqual(expected[2], [""])
        b = self.browser
        for path in (page, redrawn):
            b.open("file://" + path)
            headings = b.evaluate("Array.prototype.map.call(document.querySelectorAll('#pair-table th'),"
                                  " function (th) { return th.textContent; })")
            self.assertEqual(headings[-1], "warnings", path)
            # One line a warning, in row order (the table is not sorted yet).
            shown = b.evaluate("Array.prototype.map.call(document.querySelectorAll('#pair-table tbody tr'),"
                               " function (tr) { return tr.lastElementChild.innerText.split('\\n'); })")
            self.assertEqual(shown, expected, path)
            self.assertEqual(b.console_errors(), [])

    def check_batch_page_is_explicit(self, b, options):
        """The options of the run, the colour range, labels inside the
        picture and a table that scrolls."""
        text = b.evaluate("document.getElementById('run-options').textContent")
        if options is None:
            self.assertIn("not recorded", text)
        else:
            self.assertIn("pairfit %s file1 file2" % options, text)
        self.assertRegex(b.evaluate("document.getElementById('colour-range').textContent"),
                         r"Colours run from -?[\d.]+ \(lightest\) to -?[\d.]+ \(darkest\)")
        # Every label lies inside the drawing, none cut off at its edge.
        outside = b.evaluate("""Array.prototype.filter.call(
            document.querySelectorAll('svg.heat-map .row-label, svg.heat-map .column-label'),
            function (t) { var r = t.getBoundingClientRect(), s = t.ownerSVGElement.getBoundingClientRect();
                           return r.left < s.left - 0.5 || r.top < s.top - 0.5; }).length""")
        self.assertEqual(outside, 0)
        scroll = "document.getElementById('pair-table-scroll')"
        self.assertEqual(b.evaluate("getComputedStyle(%s).overflowY" % scroll), "auto")
        self.assertTrue(b.evaluate("%s.scrollHeight > %s.clientHeight" % (scroll, scroll)))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
