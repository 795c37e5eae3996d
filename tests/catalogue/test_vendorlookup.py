"""scripts/update-catalogue's parsing and updating, against recorded answers
of NVIDIA's and AMD's lookups (tests/catalogue/answers)."""
import json
import os
import re
import sys
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(ROOT, "catalogue"))

import vendorlookup as V  # noqa: E402


def answer(name):
    with open(os.path.join(HERE, "answers", name), "rb") as f:
        return f.read()


def packages():
    with open(os.path.join(ROOT, "catalogue", "packages.json"), encoding="utf-8") as f:
        return json.load(f)


class Vendors:
    """Serves the recorded answers by address, like the vendors' hosts would;
    a download address answers HEAD with its size unless listed as missing."""

    def __init__(self, lookups=None, missing=(), sizes=None, status=None):
        self.lookups = {"131/1066": "nvidia-lookup-rtx50.json",
                        "133/1070": "nvidia-lookup-rtx50-notebook.json",
                        "101/815": "nvidia-lookup-gtx10.json",
                        "102/816": "nvidia-lookup-empty.json",
                        "95/695": "nvidia-lookup-empty.json"}
        self.lookups.update(lookups or {})
        self.missing = set(missing)
        self.sizes = sizes or {}
        self.status = status or {}
        self.requests = []

    def __call__(self, url, headers, method):
        self.requests.append((method, url, dict(headers)))
        for fragment, code in self.status.items():
            if fragment in url:
                return code, {}, b""
        if method == "HEAD":
            if url in self.missing:
                return 404, {}, b""
            return 200, {"Content-Length": str(self.sizes.get(url, 900000000))}, b""
        if "lookupValueSearch" in url:
            type_id = urllib.parse.parse_qs(urllib.parse.urlparse(url).query)["TypeID"][0]
            return 200, {}, answer({"2": "nvidia-series.xml", "3": "nvidia-products.xml"}[type_id])
        if "DriverManualLookup" in url:
            query = urllib.parse.parse_qs(urllib.parse.urlparse(url).query)
            key = "%s/%s" % (query["psid"][0], query["pfid"][0])
            return (200, {}, answer(self.lookups[key])) if key in self.lookups else (404, {}, b"")
        m = re.search(r"DrvDldDetails_(\w+)\.json", url)
        if m:
            name = {"Consumer_WHQL_Win11": "amd-consumer-win11.json",
                    "Consumer_WHQL_Win10": "amd-consumer-win10.json",
                    "Legacy_Win10": "amd-legacy-win10.json"}.get(m.group(1))
            return (200, {}, answer(name)) if name else (404, {}, b"")
        return 404, {}, b""


class Parsing(unittest.TestCase):
    def test_nvidia_answer_is_decoded(self):
        found = V.parse_nvidia_lookup(answer("nvidia-lookup-rtx50.json"))
        self.assertEqual(found["version"], "617.42")
        self.assertEqual(found["url"], "https://us.download.nvidia.com/Windows/617.42/"
                                       "617.42-desktop-win10-win11-64bit-international-dch-whql.exe")
        self.assertEqual(found["date"], "2026-10-13")
        self.assertEqual(found["details"], "https://www.nvidia.com/en-us/drivers/details/260001/")
        self.assertEqual(found["windows"], ["10", "11"])
        self.assertEqual([V.parse_nvidia_date(t) for t in ("Jul 14, 2026", "2026-07-14", "soon", None)],
                         ["2026-07-14", "2026-07-14", "", ""])

    def test_nvidia_answers_without_a_package_are_refused(self):
        for body in (answer("nvidia-lookup-empty.json"), b"<html>busy</html>", b"{}",
                     json.dumps({"IDS": [{"downloadInfo": {"Version": "617.42",
                                                           "DownloadURL": "http%3A%2F%2Fx"}}]}).encode(),
                     json.dumps({"IDS": [{"downloadInfo": {"Version": "latest",
                                                           "DownloadURL": "https%3A%2F%2Fx"}}]}).encode()):
            with self.assertRaises(V.LookupFailed, msg=body):
                V.parse_nvidia_lookup(body)

    def test_series_and_products_by_name_and_series(self):
        series = answer("nvidia-series.xml")
        products = answer("nvidia-products.xml")
        self.assertEqual(V.parse_nvidia_values(series, "geforce rtx 50 series"), "131")
        self.assertEqual(V.parse_nvidia_values(products, "GeForce GTX 1080", "101"), "815")
        self.assertEqual(V.parse_nvidia_values(products, "GeForce GTX 1080", "102"), "816")
        self.assertIsNone(V.parse_nvidia_values(products, "GeForce GTX 1080", "131"))
        self.assertIsNone(V.parse_nvidia_values(series, "GeForce RTX 60 Series"))
        with self.assertRaises(V.LookupFailed):
            V.parse_nvidia_values(b"not xml", "x")

    def test_amd_lists_pick_the_newest_installer_of_the_branch(self):
        main = V.AMD_BRANCHES["amd-main"]
        found = V.parse_amd_list(answer("amd-consumer-win11.json"), main[1], main[2])
        self.assertEqual(found["version"], "26.10.1", "numeric order, the Polaris/Vega file left out")
        self.assertTrue(found["url"].endswith("26.10.1-win11-a.exe"))
        polaris = V.AMD_BRANCHES["amd-polaris-vega"]
        found = V.parse_amd_list(answer("amd-consumer-win10.json"), polaris[1], polaris[2])
        self.assertEqual((found["version"], found["url"].split("/")[-1]),
                         ("26.5.2", "whql-amd-software-adrenalin-edition-26.5.2-win10-win11-may-vega-polaris.exe"))
        with self.assertRaises(V.LookupFailed):
            V.parse_amd_list(answer("amd-legacy-win10.json"), polaris[1], polaris[2])
        with self.assertRaises(V.LookupFailed):
            V.parse_amd_list(b'{"not": "a list"}', main[1])


class Updating(unittest.TestCase):
    def update(self, vendors, table=None):
        log = []
        result = V.update(table or packages(), vendors, log.append)
        return result, log

    def test_packages_follow_the_lookups_and_the_servers_sizes(self):
        vendors = Vendors(sizes={"https://us.download.nvidia.com/Windows/617.42/617.42-desktop-win10-win11"
                                 "-64bit-international-dch-whql.exe": 984282848})
        before = packages()
        result, log = self.update(vendors)
        main = result["nvidia-main"]["package"]
        self.assertEqual((main["version"], main["size"], main["unconfirmed"], main["date"]),
                         ("617.42", 984282848, False, "2026-10-13"))
        self.assertEqual(main["name"], before["nvidia-main"]["package"]["name"], "our names stay")
        self.assertNotIn("note", main)
        self.assertTrue(result["nvidia-main"]["notebook"]["url"].endswith("617.42-notebook-win10-win11-64bit-"
                                                                          "international-dch-whql.exe"))
        self.assertEqual(result["nvidia-r580"]["package"]["version"], "582.80")
        amd = result["amd-main"]["package"]
        self.assertEqual((amd["version"], amd["unconfirmed"], amd["date"]), ("26.10.1", False, ""))
        self.assertNotIn("driverVersion", amd, "26.9.2's driver version is not 26.10.1's")
        self.assertEqual(result["amd-polaris-vega"]["package"]["version"], "26.5.2")
        for branch in ("intel-arc", "intel-11-14", "intel-7-10", "intel-6"):
            self.assertEqual(result[branch], before[branch], "Intel entries are kept by hand")
        amd_requests = [r for r in vendors.requests if "amd.com" in r[1] or "ati.com" in r[1]]
        self.assertTrue(amd_requests)
        self.assertTrue(all(r[2].get("Referer") == "https://www.amd.com/" for r in amd_requests))
        self.assertTrue(any("nvidia-r470 package: kept" in line for line in log), log)

    def test_an_address_the_server_does_not_serve_is_unconfirmed(self):
        url = ("https://us.download.nvidia.com/Windows/582.80/582.80-desktop-win10-win11-64bit-"
               "international-dch-whql.exe")
        result, _ = self.update(Vendors(missing=[url]))
        r580 = result["nvidia-r580"]["package"]
        self.assertEqual((r580["version"], r580["size"], r580["unconfirmed"]), ("582.80", "unknown", True))

    def test_an_answer_from_another_branch_changes_nothing(self):
        # Without a product number the service answers with R580: the main
        # branch must not take that answer.
        before = packages()
        result, log = self.update(Vendors(lookups={"131/1066": "nvidia-lookup-gtx10.json"}))
        self.assertEqual(result["nvidia-main"]["package"], before["nvidia-main"]["package"])
        self.assertTrue(any("nvidia-main package: kept" in line and "582.80" in line for line in log), log)

    def test_failing_lookups_keep_every_entry(self):
        before = packages()
        result, log = self.update(Vendors(status={"lookupValueSearch": 503, "DrvDldDetails": 500}))
        self.assertEqual(result, before)
        self.assertEqual(len([line for line in log if ": kept" in line]), 8)

    def test_same_or_older_versions_keep_what_the_lookup_does_not_carry(self):
        table = packages()
        table["amd-main"]["package"]["version"] = "26.10.1"
        table["amd-main"]["package"]["driverVersion"] = "32.0.32015.3001"
        table["amd-main"]["package"]["date"] = "2026-10"
        table["amd-polaris-vega"]["package"]["version"] = "26.6.1"
        result, _ = self.update(Vendors(), table)
        amd = result["amd-main"]["package"]
        self.assertEqual((amd["driverVersion"], amd["date"]), ("32.0.32015.3001", "2026-10"))
        self.assertEqual(result["amd-polaris-vega"]["package"]["version"], "26.6.1", "never a downgrade")


if __name__ == "__main__":
    unittest.main()
