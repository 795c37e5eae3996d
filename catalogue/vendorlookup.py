"""Asks NVIDIA's and AMD's driver lookups for each branch's newest package
and rewrites the package table (packages.json) with what they answer.
Intel has no lookup service: its entries stay as they are kept by hand.

The network is reached only through a fetch function (url, headers) ->
(status, headers, body bytes), so that the parsing can be tested against
recorded answers.
"""
import datetime
import json
import re
import urllib.parse
import xml.etree.ElementTree as ElementTree

NVIDIA_LOOKUP = ("https://gfwsl.geforce.com/services_toolkit/services/com/nvidia/services/"
                 "AjaxDriverService.php?func=DriverManualLookup&psid={psid}&pfid={pfid}&osID=57"
                 "&languageCode=1033&beta=0&isWHQL=0&dltype=-1&dch=1&upCRD=0&qnf=0&sort1=0"
                 "&numberOfResults=1")
NVIDIA_VALUES = "https://www.nvidia.com/Download/API/lookupValueSearch.aspx?TypeID={type}"
AMD_LISTS = "https://drivers.amd.com/drivers/installer/json/DrvDldDetails_{name}.json"
AMD_REFERER = "https://www.amd.com/"

# Which product stands for each NVIDIA package when asking the lookup. The
# service needs a product number: without one it has answered with the R580
# branch since 2026. The version range guards against such a wrong answer.
NVIDIA_PRODUCTS = {
    ("nvidia-main", "package"): ("GeForce RTX 50 Series", "GeForce RTX 5090", (590, 10000)),
    ("nvidia-main", "notebook"): ("GeForce RTX 50 Series (Notebooks)", "GeForce RTX 5090 Laptop GPU",
                                  (590, 10000)),
    ("nvidia-r580", "package"): ("GeForce 10 Series", "GeForce GTX 1080", (580, 590)),
    ("nvidia-r580", "notebook"): ("GeForce 10 Series (Notebooks)", "GeForce GTX 1080", (580, 590)),
    ("nvidia-r470", "package"): ("GeForce 700 Series", "GeForce GTX 780", (470, 480)),
}

# Which AMD list holds each branch, and how its installers are named.
AMD_BRANCHES = {
    "amd-main": ("Consumer_WHQL_Win11", re.compile(r"adrenalin-edition-[\d.]+-win1[01]", re.I),
                 re.compile(r"vega|polaris|legacy", re.I)),
    "amd-polaris-vega": ("Consumer_WHQL_Win10", re.compile(r"vega-polaris|polaris-vega", re.I), None),
    "amd-gcn-legacy": ("Legacy_Win10", re.compile(r"legacy", re.I), None),
}


class LookupFailed(Exception):
    pass


def _text(value):
    """The lookup's text fields are URL-encoded."""
    return urllib.parse.unquote(value) if isinstance(value, str) else ""


def _version_key(version):
    return tuple(int(p) for p in re.findall(r"\d+", version or ""))


def parse_nvidia_date(text):
    """"Tue Jul 14, 2026", "Jul 14, 2026", "2026-07-14" -> "2026-07-14"; "" if unreadable."""
    text = re.sub(r"\s+", " ", _text(text)).strip()
    for fmt in ("%Y-%m-%d", "%a %b %d, %Y", "%b %d, %Y", "%d %b %Y", "%m/%d/%Y", "%Y-%m-%dT%H:%M:%S"):
        try:
            return datetime.datetime.strptime(text, fmt).strftime("%Y-%m-%d")
        except ValueError:
            continue
    return ""


def parse_nvidia_lookup(body):
    """The newest package of a DriverManualLookup answer: version, address,
    date, details page and Windows versions. Its size ("895.77 MB") is not
    exact; the server's own answer gives that."""
    try:
        answer = json.loads(body)
        info = answer["IDS"][0]["downloadInfo"]
    except (ValueError, KeyError, IndexError, TypeError):
        raise LookupFailed("the NVIDIA lookup answered without IDS[0].downloadInfo")
    version = _text(info.get("Version"))
    url = _text(info.get("DownloadURL"))
    if not re.match(r"^\d+\.\d+$", version) or not url.startswith("https://"):
        raise LookupFailed("the NVIDIA lookup answered without a version and address")
    return {
        "version": version,
        "url": url,
        "date": parse_nvidia_date(info.get("ReleaseDateTime")),
        "details": _text(info.get("DetailsURL")),
        "windows": _nvidia_windows(info.get("OSList")),
    }


def _nvidia_windows(os_list):
    names = []
    for entry in os_list if isinstance(os_list, list) else []:
        text = _text(entry.get("OSName") if isinstance(entry, dict) else entry)
        names.extend(re.findall(r"Windows (\d+)", text))
    return sorted(set(names), key=int)


def parse_nvidia_values(body, name, parent=None):
    """The number lookupValueSearch gives a series or product name (of the
    series numbered parent, when given), or None."""
    try:
        root = ElementTree.fromstring(body)
    except ElementTree.ParseError:
        raise LookupFailed("lookupValueSearch answered with no XML")
    for value in root.iter("LookupValue"):
        if parent is not None and value.get("ParentID") != parent:
            continue
        if (value.findtext("Name") or "").strip().lower() == name.lower():
            number = (value.findtext("Value") or "").strip()
            if number.isdigit():
                return number
    return None


def parse_amd_list(body, include, exclude=None):
    """The entry with the highest version whose installer address matches
    include (and not exclude): {"version", "url"}."""
    try:
        entries = json.loads(body)
    except ValueError:
        raise LookupFailed("the AMD list is not JSON")
    if not isinstance(entries, list):
        raise LookupFailed("the AMD list is not an array")
    best = None
    for entry in entries:
        if not isinstance(entry, dict):
            continue
        version = str(entry.get("externalbuildversion") or "").strip()
        url = str(entry.get("fullbuild") or "").strip()
        if not version or not url.startswith("https://"):
            continue
        if not include.search(url) or (exclude is not None and exclude.search(url)):
            continue
        if best is None or _version_key(version) > _version_key(best["version"]):
            best = {"version": version, "url": url}
    if best is None:
        raise LookupFailed("the AMD list names no installer of this branch")
    return best


def _size_of(fetch, url, referer):
    """The exact size from the server's own answer (HEAD), or None."""
    headers = {"Referer": referer} if referer else {}
    status, answer_headers, _ = fetch(url, headers, "HEAD")
    if status != 200:
        return None
    length = {k.lower(): v for k, v in answer_headers.items()}.get("content-length", "")
    return int(length) if length.isdigit() and int(length) > 0 else None


def _merge(old, found, size):
    """The package entry after an update: what the lookup said, and the size
    the vendor's server confirmed. What the old entry knew of its own version
    (date, size, driver version) is dropped when the version changes."""
    new = dict(old)
    new.pop("note", None)
    if old.get("version") != found["version"]:
        new.pop("driverVersion", None)
        new["date"] = ""
        new["size"] = "unknown"
    new["version"] = found["version"]
    new["url"] = found["url"]
    for field in ("date", "details", "windows"):
        if found.get(field):
            new[field] = found[field]
    if size:
        new["size"] = size
    new["unconfirmed"] = size is None
    return new


def update(packages, fetch, log=print):
    """packages.json's table with NVIDIA's and AMD's packages refreshed.
    A branch whose lookup fails keeps its entry; log says why."""
    result = json.loads(json.dumps(packages))

    answers = {}

    def nvidia_number(type_id, name, parent=None):
        if type_id not in answers:
            status, _, body = fetch(NVIDIA_VALUES.format(type=type_id), {}, "GET")
            if status != 200:
                raise LookupFailed("lookupValueSearch answered %d" % status)
            answers[type_id] = body
        return parse_nvidia_values(answers[type_id], name, parent)

    for (branch, variant), (series, product, (low, high)) in NVIDIA_PRODUCTS.items():
        if branch not in result or variant not in result[branch]:
            continue
        try:
            psid = nvidia_number(2, series)
            pfid = nvidia_number(3, product, psid) if psid else None
            if not psid or not pfid:
                raise LookupFailed("no series or product number for %s / %s" % (series, product))
            status, _, body = fetch(NVIDIA_LOOKUP.format(psid=psid, pfid=pfid), {}, "GET")
            if status != 200:
                raise LookupFailed("the NVIDIA lookup answered %d" % status)
            found = parse_nvidia_lookup(body)
            major = _version_key(found["version"])[0]
            if not low <= major < high:
                raise LookupFailed("answered %s, which is not of this branch" % found["version"])
        except LookupFailed as e:
            log("%s %s: kept (%s)" % (branch, variant, e))
            continue
        old = result[branch][variant]
        size = _size_of(fetch, found["url"], old.get("referer", ""))
        result[branch][variant] = _merge(old, found, size)
        log("%s %s: %s -> %s%s" % (branch, variant, old.get("version"), found["version"],
                                   "" if size else " (address not confirmed)"))

    lists = {}
    for branch, (list_name, include, exclude) in AMD_BRANCHES.items():
        if branch not in result:
            continue
        try:
            if list_name not in lists:
                status, _, body = fetch(AMD_LISTS.format(name=list_name), {"Referer": AMD_REFERER}, "GET")
                if status != 200:
                    raise LookupFailed("the AMD list %s answered %d" % (list_name, status))
                lists[list_name] = body
            found = parse_amd_list(lists[list_name], include, exclude)
        except LookupFailed as e:
            log("%s: kept (%s)" % (branch, e))
            continue
        old = result[branch]["package"]
        if _version_key(found["version"]) < _version_key(old.get("version")):
            log("%s: kept %s (the list's newest is %s)" % (branch, old.get("version"), found["version"]))
            continue
        size = _size_of(fetch, found["url"], old.get("referer", AMD_REFERER))
        result[branch]["package"] = _merge(old, found, size)
        log("%s: %s -> %s%s" % (branch, old.get("version"), found["version"],
                                "" if size else " (address not confirmed)"))
    return result
