"""scripts/generate-catalogue: families by chip code name, the checks on the
package table, the PCI id list excerpt, and the file the pages load."""
import copy
import json
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "catalogue"))

import generator  # noqa: E402
import pciids  # noqa: E402


def read(*parts):
    with open(os.path.join(ROOT, *parts), encoding="utf-8") as f:
        return f.read()


def classify(vendor, device, name):
    return generator.classify(pciids.Device(vendor, device, name))


class Families(unittest.TestCase):
    # Branch boundaries and names the code name alone decides.
    CASES = [
        ("10de", "2c58", "GB203M / GN22-X11 [GeForce RTX 5090 Max-Q / Mobile]", ("blackwell", "GB203M", "notebook")),
        ("10de", "1f82", "TU117 [GeForce GTX 1650]", ("turing", "TU117", "")),
        ("10de", "1c82", "GP107 [GeForce GTX 1050 Ti]", ("pascal", "GP107", "")),
        ("10de", "1287", "GK208B [GeForce GT 730]", ("kepler", "GK208B", "")),
        ("10de", "0fd1", "GK107M [GeForce GT 650M]", ("kepler-notebook", "GK107M", "notebook")),
        ("10de", "0f00", "GF108 [GeForce GT 630]", ("fermi", "GF108", "")),
        ("10de", "0874", "C79 [ION]", ("tesla", "C79", "")),
        ("10de", "1cb3", "GP107GL [Quadro P400]", ("pascal", "GP107GL", "professional")),
        ("10de", "2531", "GA106 [RTX A2000]", ("ampere", "GA106", "professional")),
        ("10de", "2330", "GH100 [H100 SXM5 80GB]", ("nvidia-datacenter", "GH100", "")),
        ("1002", "7480", "Navi 33 [Radeon RX 7600/7600 XT/7600M XT/7600S/7700S / PRO W7600]", ("rdna3", "Navi 33", "")),
        ("1002", "7481", "Navi 33 [Steam Machine]", ("amd-embedded", "Navi 33", "")),
        ("1002", "15bf", "Phoenix1", ("rdna3", "Phoenix1", "")),
        ("1002", "66a1", "Vega 20 [Radeon Pro VII/Radeon Instinct MI50]", ("vega", "Vega 20", "professional")),
        ("1002", "15d8", "Picasso/Raven 2 [Radeon Vega Series / Radeon Vega Mobile Series]", ("vega", "Picasso", "")),
        ("1002", "682b", "Cape Verde PRO / Venus LE / Tropo PRO-L [Radeon HD 8830M / R7 250]", ("gcn", "Cape Verde", "")),
        ("1002", "9642", "SuperSumo [Radeon HD 6370D]", ("terascale2", "SuperSumo", "")),
        ("8086", "e211", "Battlemage G21 [Arc Pro B60]", ("xe2-xe3", "Battlemage G21", "professional")),
        ("8086", "46a1", "UHD Graphics", ("xe-lp", "", "")),
        ("8086", "8a52", "Iris Plus Graphics G7", ("gen11", "", "")),
        ("8086", "5921", "HD Graphics 620", ("gen9.5", "", "")),
        ("8086", "161e", "Broadwell-Y GT2 [HD Graphics 5300]", ("gen8", "Broadwell-Y GT2", "")),
        ("8086", "0162", "IvyBridge GT2 [HD Graphics 4000]", ("gen7", "IvyBridge GT2", "")),
    ]
    # Chipset and GPU companion functions whose names carry a code name.
    NOT_GPUS = [
        ("10de", "22a3", "GH100 [H100 NVSwitch]"),
        ("10de", "0868", "C79 [nForce 760i SLI]"),
        ("10de", "0abc", "MCP79 RAID Controller"),
        ("1002", "1478", "Navi 10 XL Upstream Port of PCI Express Switch"),
        ("1002", "15df", "Raven/Raven2/Fenghuang/Renoir Cryptographic Coprocessor"),
        ("8086", "a70d", "Raptor Lake PCI Express 5.0 Graphics Port (PEG010)"),
        ("8086", "7120", "82810 GMCH (Graphics Memory Controller Hub)"),
        ("8086", "3456", "Ice Lake NorthPeak"),
    ]

    def test_gpus_get_their_family(self):
        for vendor, device, name, expected in self.CASES:
            self.assertEqual(classify(vendor, device, name), expected, name)

    def test_other_devices_get_nothing(self):
        for vendor, device, name in self.NOT_GPUS:
            self.assertIsNone(classify(vendor, device, name), name)


class Building(unittest.TestCase):
    def setUp(self):
        self.packages = json.loads(read("catalogue", "packages.json"))
        self.devices = [pciids.Device("10de", "1c82", "GP107 [GeForce GTX 1050 Ti]"),
                        pciids.Device("10de", "0fd1", "GK107M [GeForce GT 650M]"),
                        pciids.Device("10de", "10f0", "GP104 High Definition Audio Controller")]

    def test_ids_name_family_chip_and_flag(self):
        catalogue, _ = generator.build(self.devices, self.packages, "2026.08.22")
        self.assertEqual(catalogue["ids"], {"VEN_10DE&DEV_0FD1": ["kepler-notebook", "GK107M", "notebook"],
                                            "VEN_10DE&DEV_1C82": ["pascal", "GP107"]})
        self.assertEqual(catalogue["families"]["kepler-notebook"]["last"]["version"], "425.31")
        self.assertEqual(catalogue["vendors"]["1002"]["signer"], "Advanced Micro Devices, Inc.")
        self.assertNotIn("note", catalogue["branches"]["nvidia-main"]["package"])

    def test_packages_off_the_vendors_hosts_are_refused(self):
        for branch, field, value in (("amd-main", "url", "https://drivers.amd.com.example.net/x.exe"),
                                     ("nvidia-main", "url", "http://us.download.nvidia.com/x.exe"),
                                     ("intel-arc", "details", "https://downloadmirror.intel.cn/x"),
                                     ("nvidia-r580", "size", 0)):
            packages = copy.deepcopy(self.packages)
            packages[branch]["package"][field] = value
            with self.assertRaises(generator.CatalogueError, msg=(branch, field)):
                generator.build(self.devices, packages, "x")
        packages = copy.deepcopy(self.packages)
        del packages["intel-6"]
        with self.assertRaises(generator.CatalogueError):
            generator.build(self.devices, packages, "x")
        packages = copy.deepcopy(self.packages)
        del packages["nvidia-r470"]["package"]["unconfirmed"]
        with self.assertRaises(generator.CatalogueError):
            generator.build(self.devices, packages, "x")

    def test_the_pages_file_holds_the_catalogue(self):
        catalogue, _ = generator.build(self.devices, self.packages, "2026.08.22")
        text = generator.to_javascript(catalogue)
        prefix = "window.TessalyCatalogue = "
        body = text[text.index(prefix) + len(prefix):].rstrip().rstrip(";")
        self.assertEqual(json.loads(body), catalogue)
        self.assertIn('\n  "VEN_10DE&DEV_1C82": ["pascal", "GP107"]\n', text, "one id per line")

    def test_the_service_document_is_the_same_catalogue_dated_by_its_newest_part(self):
        packages = copy.deepcopy(self.packages)
        packages["nvidia-r580"]["package"]["date"] = "2026-10"
        catalogue, _ = generator.build(self.devices, packages, "2026.08.22")
        self.assertEqual(json.loads(generator.to_json(catalogue)), catalogue)
        self.assertEqual(catalogue["date"], "2026-10")
        catalogue, _ = generator.build(self.devices, packages, "2026.11.02")
        self.assertEqual(catalogue["date"], "2026-11-02")

    def test_the_checked_in_catalogue_is_up_to_date(self):
        catalogue, _ = generator.generate(read("catalogue", "pci.ids"),
                                          json.loads(read("catalogue", "packages.json")))
        self.assertEqual(read("html", "data", "catalogue.js"), generator.to_javascript(catalogue),
                         "run scripts/generate-catalogue")


class PciIds(unittest.TestCase):
    LIST = (
        "#\n#\tVersion: 2026.08.22\n#\tThis file can be distributed under either the GNU General Public"
        " License\n#\n\n# Syntax:\n0001  SafeNet\n\t8139  AT-2500TX\n"
        "1002  Advanced Micro Devices, Inc. [AMD/ATI]\n\t66af  Vega 20 [Radeon VII]\n"
        "\t\t1002 081e  Radeon VII\n"
        "10de  NVIDIA Corporation\n# a comment inside\n\t1c82  GP107 [GeForce GTX 1050 Ti]\n"
        "1022  Advanced Micro Devices, Inc. [AMD]\n\t1480  Starship/Matisse Root Complex\n"
        "8086  Intel Corporation\n\t3e92  CoffeeLake-S GT2 [UHD Graphics 630]\n"
        "C 03  Display controller\n\t00  VGA compatible controller\n"
    )

    def test_excerpt_keeps_the_licence_note_and_the_three_vendors(self):
        text = pciids.excerpt(self.LIST)
        self.assertTrue(text.startswith("#\n#\tVersion: 2026.08.22\n#\tThis file can be distributed"))
        self.assertNotIn("SafeNet", text)
        self.assertNotIn("Starship", text)
        self.assertNotIn("Display controller", text)
        self.assertIn("\t\t1002 081e  Radeon VII\n", text)
        self.assertEqual(pciids.version_of(text), "2026.08.22")
        devices = pciids.read_devices(text)
        self.assertEqual([(d.vendor, d.device) for d in devices],
                         [("1002", "66af"), ("10de", "1c82"), ("8086", "3e92")])
        self.assertEqual(devices[0].subsystems, {"1002081e": "Radeon VII"})
        with self.assertRaises(ValueError):
            pciids.excerpt(self.LIST.replace("8086  Intel", "8087  Intel"))

    def test_reading_stops_at_the_classes_and_skips_other_vendors(self):
        devices = pciids.read_devices(self.LIST)
        self.assertEqual(len(devices), 3)
        self.assertNotIn("1480", [d.device for d in devices])


if __name__ == "__main__":
    unittest.main()
