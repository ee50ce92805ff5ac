"""pairfit -pml run by PyMOL itself, headless: the script loads the -sup
file as two objects and the rendered picture shows all four colours.

Usage: pymol_script_test.py PAIRFIT SOURCE_DIR
"""

import colorsys
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

import matplotlib.image

PAIRFIT, SOURCE = sys.argv[1:3] if len(sys.argv) >= 3 else (None, None)
# PyMOL's launcher runs "python3": Debian's, which has the pymol module.
PYMOL_ENV = dict(os.environ, PATH="/usr/bin:/bin")


def hue(red, green, blue):
    return colorsys.rgb_to_hsv(red, green, blue)[0] * 360.0


class PymolScript(unittest.TestCase):
    def setUp(self):
        # A comma in the directory: PyMOL's command syntax would split the path.
        self.dir = tempfile.mkdtemp(prefix="pairfit_pml,")

    def tearDown(self):
        shutil.rmtree(self.dir)

    def run_pairfit(self, *args):
        return subprocess.run([PAIRFIT] + list(args), cwd=self.dir, capture_output=True, text=True)

    def test_script_renders_both_objects_in_four_colours(self):
        examples = os.path.join(SOURCE, "examples")
        done = self.run_pairfit("-sup", "superposed.cif", "-pml", "show.pml",
                                os.path.join(examples, "demo_ldh_6ldh_A.pdb"),
                                os.path.join(examples, "demo_ldh_1ldm_A.pdb"))
        self.assertEqual(done.returncode, 0, done.stderr)
        script = os.path.join(self.dir, "show.pml")
        colours = re.findall(r"^set_color (\w+), \[([\d.]+), ([\d.]+), ([\d.]+)\]$",
                             open(script).read(), re.M)
        self.assertEqual(len(colours), 4)
        picture = os.path.join(self.dir, "picture.png")
        # Run from elsewhere: the script names the superposed file in full.
        shown = subprocess.run(
            ["pymol", "-cq", script, "-d",
             "print('OBJECTS', cmd.get_names(), cmd.count_atoms('structure1 and name CA'),"
             " cmd.count_atoms('structure2 and name CA'))\n"
             "cmd.png(%r, width=480, height=360, ray=1)" % picture],
            cwd="/", env=PYMOL_ENV, capture_output=True, text=True, timeout=300)
        self.assertEqual(shown.returncode, 0, shown.stdout + shown.stderr)
        self.assertNotIn("Error", shown.stdout + shown.stderr)
        self.assertIn("OBJECTS ['structure1', 'structure2'] 329 329", shown.stdout)

        # Every pixel of a strong colour counts for the script colour nearest in hue.
        image = matplotlib.image.imread(picture)
        wanted = {name: hue(float(r), float(g), float(b)) for name, r, g, b in colours}
        counts = dict.fromkeys(wanted, 0)
        for row in image:
            for pixel in row:
                h, s, v = colorsys.rgb_to_hsv(*pixel[:3])
                if s < 0.4 or v < 0.25:
                    continue
                distance, name = min((min(abs(h * 360 - w), 360 - abs(h * 360 - w)), n)
                                     for n, w in wanted.items())
                if distance < 12:
                    counts[name] += 1
        for name, count in counts.items():
            self.assertGreater(count, 30, "%s: %s" % (name, counts))

    def test_pml_needs_sup(self):
        data = os.path.join(SOURCE, "tests", "data")
        done = self.run_pairfit("-pml", "show.pml", os.path.join(data, "ubiquitin_1d3z_model1.pdb"),
                                os.path.join(data, "ubiquitin_1d3z_model2.pdb"))
        self.assertEqual((done.returncode, done.stdout), (1, ""))
        self.assertEqual(done.stderr, "pairfit: -pml needs -sup FILE: the script shows that file\n")
        self.assertEqual(os.listdir(self.dir), [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
