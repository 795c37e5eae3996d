"""Builds the driver catalogue the pages load (html/data/catalogue.js) from
the PCI id list (pci.ids), the family table (families.py) and the package
table (packages.json).

Each GPU device of the list is put in a chip family by its code name; the
family names the vendor branch whose package it gets, or the answer it gets
instead. The pages look adapters up by their Windows hardware ids.
"""
import json
import re

import families as F
import pciids

FORMAT = 2

_NON_GPU = re.compile(F.NON_GPU)
_NVIDIA_TOKEN = re.compile(r"^(%s)([A-Za-z+]*)" % F.NVIDIA_CHIP)


class CatalogueError(Exception):
    pass


def hardware_id(vendor, device):
    return "VEN_%s&DEV_%s" % (vendor.upper(), device.upper())


def _first_match(table, text, follow):
    """(family, matched text) of the first pattern that matches at the start
    of text, or (None, "")."""
    for pattern, family in table:
        m = re.match("(?:%s)%s" % (pattern, follow), text)
        if m:
            return family, m.group(0)
    return None, ""


def _nvidia(name):
    head = name.split("[")[0]
    for token in re.split(r"[\s/]+", head.strip()):
        m = _NVIDIA_TOKEN.match(token)
        if not m:
            continue
        chip, suffix = m.group(1), m.group(2)
        if re.match(F.NVIDIA_CHIPSET, chip) and not re.search(F.NVIDIA_CHIPSET_GPU, name):
            return None
        family, _ = _first_match(F.NVIDIA_CHIPS, chip + suffix, r"(?![0-9])")
        if family is None:
            continue
        flag = ""
        if "GL" in suffix or re.search(F.NVIDIA_PROFESSIONAL, name):
            flag = "professional"
        elif suffix.endswith("M") or re.search(F.NVIDIA_NOTEBOOK, name):
            flag = "notebook"
        return family, chip + suffix, flag
    return None


def _amd(name):
    head = name.split("[")[0].strip()
    first = head.split("/")[0].strip()
    family, chip = _first_match(F.AMD_CHIPS, first, r"(?![A-Za-z])")
    if family is None:
        return None
    if re.search(F.AMD_EMBEDDED_NAMES, name):
        family = "amd-embedded"
    flag = ""
    if re.search(F.AMD_PROFESSIONAL, name) and not re.search(F.AMD_CONSUMER, name):
        flag = "professional"
    return family, chip, flag


def _intel(name):
    if not re.search(F.INTEL_GPU, name):
        return None
    for pattern, family in F.INTEL_NAMES:
        if re.search(pattern, name):
            chip = name.split("[")[0].strip() if "[" in name else ""
            flag = "professional" if re.search(F.INTEL_PROFESSIONAL, name) else ""
            return family, chip, flag
    return None


def classify(device):
    """(family, chip code, flag) for a GPU device, None for anything else.
    flag is "", "notebook" or "professional"."""
    if _NON_GPU.search(device.name):
        return None
    extra = F.EXTRA_IDS.get(hardware_id(device.vendor, device.device))
    if extra:
        return extra, "", ""
    found = {"10de": _nvidia, "1002": _amd, "8086": _intel}[device.vendor](device.name)
    if found is None:
        return None
    family, chip, flag = found
    notebook_family = F.FAMILIES[family].get("notebook")
    if flag == "notebook" and notebook_family:
        family = notebook_family
    return family, chip, flag


def looks_like_gpu(device):
    """A rough second opinion, for the generator's report of devices it left
    out: names that speak of graphics products."""
    return bool(re.search(r"GeForce|Quadro|Radeon|FirePro|\bArc\b|Iris|UHD|HD Graphics|Graphics",
                          device.name)) and not _NON_GPU.search(device.name)


_PACKAGE_FIELDS = ("name", "version", "date", "url", "size", "referer", "details", "windows",
                   "unconfirmed")


def _on_vendor_host(url, domains):
    m = re.match(r"^https://([a-z0-9.-]+)(/|$)", url or "")
    return bool(m) and any(m.group(1) == d or m.group(1).endswith("." + d) for d in domains)


def _package(branch, variant, pkg, vendor):
    missing = [f for f in _PACKAGE_FIELDS if f not in pkg]
    if missing:
        raise CatalogueError("%s %s lacks %s" % (branch, variant, ", ".join(missing)))
    domains = F.VENDORS[vendor]["domains"]
    for field in ("url", "details"):
        if not _on_vendor_host(pkg[field], domains):
            raise CatalogueError("%s %s: %s %r is not on %s" % (branch, variant, field, pkg[field],
                                                                " or ".join(domains)))
    size = pkg["size"]
    if size != "unknown" and not (isinstance(size, int) and size > 0):
        raise CatalogueError("%s %s: size must be a byte count or \"unknown\"" % (branch, variant))
    out = {f: pkg[f] for f in _PACKAGE_FIELDS}
    if pkg.get("driverVersion"):
        out["driverVersion"] = pkg["driverVersion"]
    return out


def build(devices, packages, pci_version):
    """The catalogue as a dict, and the GPU-looking devices it left out."""
    vendors = {}
    for vendor, info in F.VENDORS.items():
        for page in ("search", "professional"):
            if not _on_vendor_host(info[page], info["domains"]):
                raise CatalogueError("%s %s page is not on the vendor's host" % (info["name"], page))
        vendors[vendor] = {k: info[k] for k in ("name", "signer", "search", "professional", "scheme")}

    branches = {}
    for key, info in F.BRANCHES.items():
        if key not in packages:
            raise CatalogueError("no package for branch %s in packages.json" % key)
        entry = packages[key]
        branch = {"vendor": info["vendor"], "title": info["title"],
                  "package": _package(key, "package", entry["package"], info["vendor"]),
                  "endOfLife": bool(entry.get("endOfLife"))}
        if "notebook" in entry:
            branch["notebook"] = _package(key, "notebook", entry["notebook"], info["vendor"])
        branches[key] = branch

    families = {}
    for key, info in F.FAMILIES.items():
        family = {"vendor": info["vendor"], "name": info["name"], "why": info["why"]}
        if "branch" in info:
            if info["branch"] not in branches:
                raise CatalogueError("family %s names unknown branch %s" % (key, info["branch"]))
            family["branch"] = info["branch"]
        elif info.get("answer") in ("dropped", "professional", "embedded"):
            family["answer"] = info["answer"]
            if info["answer"] == "dropped":
                family["last"] = info.get("last")
        else:
            raise CatalogueError("family %s has neither a branch nor an answer" % key)
        families[key] = family

    ids = {}
    left_out = []
    for device in devices:
        found = classify(device)
        if found is None:
            if looks_like_gpu(device):
                left_out.append(device)
            continue
        family, chip, flag = found
        ids[hardware_id(device.vendor, device.device)] = [family, chip] + ([flag] if flag else [])
    for key, value in F.OVERRIDES.items():
        parts = value.split()
        if parts[0] not in families:
            raise CatalogueError("override %s names unknown family %s" % (key, parts[0]))
        ids[key.upper()] = [parts[0], ""] + parts[1:]

    # How current the catalogue is: its newest piece of information, the id
    # list's day or a package's month, written most significant part first.
    dates = [pci_version.replace(".", "-")]
    dates += [b[v]["date"] for b in branches.values() for v in ("package", "notebook") if v in b]
    catalogue = {
        "format": FORMAT,
        "date": max(dates),
        "pciIds": pci_version,
        "base": "",
        "vendors": vendors,
        "answers": F.ANSWERS,
        "branches": branches,
        "families": families,
        "ids": dict(sorted(ids.items())),
    }
    return catalogue, left_out


HEADER = """\
// The driver catalogue: which vendor package, or which answer, each graphics
// adapter gets, looked up by its Windows hardware id (html/js/drivers.js).
//
// Generated by scripts/generate-catalogue from catalogue/ (families.py,
// packages.json and the PCI ID Project's list %s): do not edit by hand.
"""


def to_javascript(catalogue):
    """catalogue.js text: the ids one per line, so that a refresh reads well in
    a diff."""
    head = {k: v for k, v in catalogue.items() if k != "ids"}
    body = json.dumps(head, ensure_ascii=False, indent=2)
    lines = ['  %s: %s,' % (json.dumps(key), json.dumps(value, ensure_ascii=False))
             for key, value in catalogue["ids"].items()]
    ids = '"ids": {\n' + "\n".join(lines).rstrip(",") + "\n  }"
    body = body[:-2] + ",\n  " + ids + "\n}"
    return HEADER % catalogue["pciIds"] + "window.TessalyCatalogue = " + body + ";\n"


def to_json(catalogue):
    """The same catalogue as a JSON document, as the service hands it out."""
    return json.dumps(catalogue, ensure_ascii=False, separators=(",", ":")) + "\n"


def generate(pci_text, packages):
    devices = pciids.read_devices(pci_text)
    return build(devices, packages, pciids.version_of(pci_text))
