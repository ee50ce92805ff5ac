"""The report pages as a browser shows them: pairfit -html and pairfit-batch
--html on real structures, opened in headless Chromium. Checks the DOM after
the scripts ran, the console of every page, and that the 3-D view draws.
(The page's markup itself is recorded in tests/expected/small_pair_page.html.)

Usage: report_browser_test.py PAIRFIT PAIRFIT_BATCH SOURCE_DIR
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chromium_page import Browser, pixels  # noqa: E402

PAIRFIT, BATCH, SOURCE = sys.argv[1:4] if len(sys.argv) >= 4 else ("", "", "")
DATA = os.path.join(SOURCE, "tests", "data")
LDH = [os.path.join(SOURCE, "examples", name) for name in ("demo_ldh_6ldh_A.pdb", "demo_ldh_1ldm_A.pdb")]
HB4, NMR = os.path.join(DATA, "hemoglobin_2hhb_4chains.pdb.gz"), os.path.join(DATA, "ubiquitin_1d3z_nmr.pdb.gz")
FAR = "in the subset, %.2f \u00c5 apart"


def run(*arguments, status=0):
    done = subprocess.run(arguments, capture_output=True, text=True)
    assert done.returncode == status, done.stderr
    return done


class ReportPages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.mkdtemp(prefix="pairfit-report-")
        cls.browser = Browser(1100, 900)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        shutil.rmtree(cls.dir, ignore_errors=True)

    def tearDown(self):
        self.assertEqual(self.browser.console_errors(), [])

    def show(self, page, drawn=True):
        """The page opened (the one before had no console error); with
        drawn, once its 3-D view drew."""
        self.assertEqual(self.browser.console_errors(), [])
        self.browser.open("file://" + page)
        if drawn:
            self.assertTrue(self.browser.wait_until(
                "document.getElementById('viewer').getAttribute('data-drawn') === 'yes'"), "the 3-D view never drew")
        return self.browser

    def pair_page(self, name, *arguments):
        page = os.path.join(self.dir, name)
        return page, run(PAIRFIT, "-html", page, *arguments)

    def text(self, element_id):
        return self.browser.evaluate("document.getElementById(%r).textContent" % element_id)

    def test_pair_report_with_its_scores(self):
        document = os.path.join(self.dir, "ldh.json")
        page, done = self.pair_page("pair.html", "-json", document, *LDH)
        with open(document) as f:
            doc = json.load(f)
        score, pairs = done.stdout.split("\n")[0], len(doc["pairs"])
        size = int(score.split("\t")[2])
        self.assertLess(os.path.getsize(page), 3 << 20)
        b = self.show(page)
        self.assertEqual([b.count(s) for s in ("svg.distance-plot circle.pair", "svg.distance-plot circle.pair.in",
                                               "#pair-table tbody tr", "#viewer canvas")], [pairs, size, pairs, 1])
        self.assertEqual([self.text("subset-size"), self.text("score-line")], [str(size), score])
        # A click on the distance heading sorts the table, a second one the other way.
        distances = lambda: b.each("#pair-table tbody tr", "parseFloat(x.cells[3].getAttribute('data-value'))")
        b.evaluate("document.querySelectorAll('#pair-table th')[3].click()")
        ascending = distances()
        self.assertEqual(ascending, sorted(ascending))
        b.evaluate("document.querySelectorAll('#pair-table th')[3].click()")
        self.assertEqual(distances(), sorted(ascending, reverse=True))
        # The view is drawn: many colours, blue best subset and orange pairs outside it.
        shown, area = pixels(b.screenshot("#viewer"))
        colours = set(shown)
        self.assertGreater(len(colours), 50, "the 3-D view looks blank")
        self.assertGreater(sum(p != (255, 255, 255) for p in shown), 0.02 * area, "the 3-D view looks blank")
        self.assertTrue(any(b_ > r + 40 for r, g, b_ in colours), "no best-subset colour in the view")
        self.assertTrue(any(r > b_ + 80 for r, g, b_ in colours), "no outside colour in the view")
        # The document's scores, and its lDDT of every pair, as the page shows them.
        m = doc["metrics"]
        self.assertEqual([self.text(k) for k in ("tm-score", "gdt-ts", "gdt-ha", "lddt")],
                         ["%.4f" % m[k] for k in ("tm_score", "gdt_ts", "gdt_ha", "lddt")])
        titles = b.each("svg.lddt-plot circle > title", "x.textContent")
        self.assertEqual([t.split(": ")[1].split(",")[0] for t in titles if "/" in t],
                         ["%.3f" % p["lddt"] for p in doc["pairs"]])

    def test_lddt_plot_of_unpaired_residues(self):
        # Hemoglobin beta (146 residues) against alpha (141): 5 residues of structure 1 unpaired.
        page, done = self.pair_page("metrics.html", "-metrics", os.path.join(DATA, "hemoglobin_2hhb_chainB_ca.pdb"),
                                    os.path.join(DATA, "hemoglobin_2hhb_chainA_ca.pdb"))
        values = done.stdout.splitlines()[-1].split("\t")
        self.assertEqual(values[0], "METRICS:")
        pairs, length = int(values[6]), int(values[7])
        b = self.show(page, drawn=False)
        self.assertEqual([self.text(k) for k in ("tm-score", "gdt-ts", "gdt-ha", "lddt")], values[1:5])
        self.assertEqual([b.count("svg.lddt-plot circle" + s) for s in ("", ".pair", ".residue.unpaired")],
                         [length, pairs, length - pairs])
        titles = b.each("svg.lddt-plot circle > title", "x.textContent")
        lddt = [float(t.split(": ")[1].split(",")[0]) for t in titles]
        self.assertTrue(all(0 <= v <= 1 for v in lddt))
        self.assertEqual(sum(t.endswith(": 0.000, not paired") for t in titles if "/" not in t), length - pairs)
        # Drawn: the lowest value lowest in the plot.
        heights = b.each("svg.lddt-plot circle", "x.getBoundingClientRect().top")
        order = sorted(range(len(lddt)), key=lambda i: lddt[i])
        self.assertGreaterEqual(heights[order[0]], heights[order[-1]])
        self.assertGreater(b.evaluate("document.querySelector('svg.lddt-plot').getBoundingClientRect().height"), 100)

    def test_pair_report_shows_warnings_and_far_pairs_of_the_subset(self):
        # A whole NMR file against a whole four-chain file: every kind of warning.
        page, done = self.pair_page("warned.html", "-o", NMR, HB4)
        printed = [line for line in done.stderr.split("\n") if line.startswith("Warning: ")]
        self.assertEqual(len(printed), 2, done.stderr)
        # The -o table's rows are the subset's pairs, the distance last.
        far = [float(row[-1]) for row in (line.split("\t") for line in done.stdout.split("\n"))
               if len(row) == 8 and row[0].strip().isdigit() and float(row[-1]) > 5]
        self.assertGreater(len(far), 0)
        b = self.show(page, drawn=False)
        box = b.each("#warnings p", "x.textContent")
        self.assertEqual((len(box), box[:2]), (3, printed))
        self.assertIn("the chains of %s (A,B,C,D) are merged" % HB4, box[2])
        self.assertLess(b.evaluate("document.getElementById('warnings').getBoundingClientRect().top"), 200)
        expected = sorted(FAR % d for d in far)
        self.assertEqual(sorted(t.split(": ")[-1] for t in b.each("svg.distance-plot circle.pair.in.far > title",
                                                                  "x.textContent")), expected)
        self.assertEqual(sorted(b.each("#pair-table tr.far", "x.cells[4].textContent")), expected)
        self.assertIn("%d pairs in the best subset lie farther apart than 5" % len(far), self.text("far-pairs"))
        # Residues outside the subset as ranges per chain; "best subset", never "core";
        # without -metrics or -json no standard scores.
        self.assertRegex(self.text("outside"), r"structure 2: chain A: \d+\u2013\d+")
        self.assertNotRegex(b.evaluate("document.body.innerText"), r"\bcore\b")
        self.assertEqual(b.count("#metrics") + b.count("svg.lddt-plot"), 0)

    def test_chain_map_and_domain_colours_reach_the_view(self):
        page, _ = self.pair_page("complex.html", "-complex", "-fast", HB4 + "@//B,A,D,C", HB4)
        b = self.show(page)
        self.assertEqual(b.each("#chain-map tr", "x.cells[1].textContent + '=' + x.cells[2].textContent")[1:],
                         ["B=B", "A=A", "D=D", "C=C"])
        # Each chain pair has its own colour, in the map and among the view's pixels.
        swatches = b.each("#chain-map .swatch", "getComputedStyle(x).backgroundColor")
        self.assertEqual(len(set(swatches)), 4)
        seen = set(pixels(b.screenshot("#viewer"))[0])
        for r, g, b_ in (map(int, re.findall(r"\d+", swatch)) for swatch in swatches):
            self.assertTrue(any(abs(r - p[0]) + abs(g - p[1]) + abs(b_ - p[2]) < 60 and
                                max(p) - min(p) > 0.5 * (max(r, g, b_) - min(r, g, b_)) for p in seen),
                            "no atom in the view has the colour %s" % ((r, g, b_),))

        fab = os.path.join(DATA, "fab_1a0q_inscodes.pdb.gz")
        page, _ = self.pair_page("domains.html", "-domains", "-seq", fab + "@//H", fab + "@//L")
        b = self.show(page)
        cells = lambda table: b.each("#%s tr" % table, "Array.prototype.map.call(x.cells, c => c.textContent)")[1:]
        self.assertEqual([row[1] for row in cells("domains")], ["1", "2"])
        self.assertIn(["H:113", "H:140", "1", "2"], cells("hinges"))
        # The plot's pairs in the colours of both domains; domain 2's screw axis drawn.
        swatches = b.each("#domains .swatch", "getComputedStyle(x).backgroundColor")
        fills = b.each("svg.distance-plot circle.pair", "getComputedStyle(x).fill")
        self.assertEqual(len(set(swatches)), 2)
        self.assertTrue(set(swatches) <= set(fills))
        self.assertEqual(b.evaluate("document.getElementById('viewer').getAttribute('data-axes-drawn')"), "1")

    def check_batch_page(self, page, options):
        """The heat map's cells and the options of the run, labels inside
        the picture, a table that scrolls."""
        b = self.show(page, drawn=False)
        self.assertEqual(b.count("svg.heat-map rect.cell"), 100)
        self.assertIn("not recorded" if options is None else "pairfit %s file1 file2" % options, self.text("run-options"))
        self.assertRegex(self.text("colour-range"), r"Colours run from -?[\d.]+ \(lightest\) to -?[\d.]+ \(darkest\)")
        self.assertEqual(b.evaluate("""Array.prototype.filter.call(
            document.querySelectorAll('svg.heat-map .row-label, svg.heat-map .column-label'),
            function (t) { var r = t.getBoundingClientRect(), s = t.ownerSVGElement.getBoundingClientRect();
                           return r.left < s.left - 0.5 || r.top < s.top - 0.5; }).length"""), 0)
        scroll = "document.getElementById('pair-table-scroll')"
        self.assertEqual(b.evaluate("getComputedStyle(%s).overflowY" % scroll), "auto")
        self.assertTrue(b.evaluate("%s.scrollHeight > %s.clientHeight" % (scroll, scroll)))
        return b.evaluate("document.querySelector('#pair-table tbody').textContent")

    def test_batch_heat_map_resumed_and_redrawn(self):
        models = ["--all", "--split", "models", NMR]  # the ten models
        page, rows = os.path.join(self.dir, "all.html"), os.path.join(self.dir, "rows.tsv")
        whole = run(BATCH, "-j", "2", "--html", page, *models).stdout
        self.check_batch_page(page, "-min 19 --split models")
        self.assertEqual([self.browser.count(s) for s in ("svg.heat-map rect.cell.self", "svg.heat-map .row-label",
                                                          "#pair-table tbody tr")], [10, 10, 90])
        # An interrupted run resumed with --html shows every row; the rows
        # drawn again with --html-from give the same table.
        with open(rows, "w") as f:
            f.write("".join(whole.splitlines(True)[:6]))
        resumed, redrawn = os.path.join(self.dir, "resumed.html"), os.path.join(self.dir, "redrawn.html")
        run(BATCH, "-j", "2", "--resume", rows, "--html", resumed, "--scale", "-10:60", *models)
        run(BATCH, "--html-from", rows, redrawn)
        self.assertEqual(self.check_batch_page(redrawn, None),
                         self.check_batch_page(resumed, "-min 19 --split models"))
        self.assertIn("Colours run from -10.0 (lightest) to 60.0 (darkest), the bounds given with --scale",
                      self.text("colour-range"))

    def test_batch_page_shows_the_warnings_column(self):
        pairs, rows = os.path.join(self.dir, "pairs.txt"), os.path.join(self.dir, "warned.tsv")
        model1 = os.path.join(DATA, "ubiquitin_1d3z_model1.pdb")
        with open(pairs, "w") as f:
            f.write("%s %s\n%s %s\n%s %s\n" % (NMR, model1, HB4, os.path.join(DATA, "hemoglobin_2hhb_chainA_ca.pdb"),
                                               os.path.join(self.dir, "missing.pdb"), model1))
        page, redrawn = os.path.join(self.dir, "warned.html"), os.path.join(self.dir, "warned-from.html")
        done = run(BATCH, "--warnings", "--pairs", pairs, "--html", page, status=1)  # the missing file
        with open(rows, "w") as f:
            f.write(done.stdout)
        run(BATCH, "--html-from", rows, redrawn)
        expected = [line.split("\t")[-1].split(" | ") for line in done.stdout.splitlines()[1:]]
        self.assertIn("10 models read as one structure", expected[0][0])
        self.assertIn("are merged in file order", expected[1][0])
        self.assertEqual(expected[2], [""])
        for path in (page, redrawn):
            b = self.show(path, drawn=False)
            self.assertEqual(b.each("#pair-table th", "x.textContent")[-1], "warnings", path)
            # One line a warning, in row order (the table is not sorted yet).
            self.assertEqual(b.each("#pair-table tbody tr", "x.lastElementChild.innerText.split('\\n')"), expected)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
