"""The PCI ID Project's list (pci.ids), as far as the catalogue needs it.

The repository keeps the list's header (with its licence note) and the device
sections of the three graphics vendors; read_devices() parses such a file, and
excerpt() cuts one from the whole list when a maintainer refreshes it.
"""
import re

VENDORS = ("10de", "1002", "8086")

_VENDOR_LINE = re.compile(r"^([0-9a-f]{4})  (.*)$")
_DEVICE_LINE = re.compile(r"^\t([0-9a-f]{4})  (.*)$")
_SUBSYSTEM_LINE = re.compile(r"^\t\t([0-9a-f]{4}) ([0-9a-f]{4})  (.*)$")


class Device:
    __slots__ = ("vendor", "device", "name", "subsystems")

    def __init__(self, vendor, device, name):
        self.vendor = vendor
        self.device = device
        self.name = name
        self.subsystems = {}  # "ssvvssdd" (subsystem vendor, subsystem device) -> name

    def __repr__(self):
        return "Device(%s:%s %r)" % (self.vendor, self.device, self.name)


def version_of(text):
    """The list's "Version:" line, e.g. "2026.08.22"; "" when it has none."""
    m = re.search(r"^#\s*Version:\s*(\S+)", text, re.M)
    return m.group(1) if m else ""


def read_devices(text, vendors=VENDORS):
    """Devices of the given vendors, in the list's order. Comments, the class
    section and malformed lines are skipped."""
    devices = []
    vendor = None
    current = None
    for line in text.splitlines():
        if not line or line.startswith("#"):
            continue
        if line.startswith("C "):
            break  # the device classes follow the vendors
        m = _VENDOR_LINE.match(line)
        if m:
            vendor = m.group(1) if m.group(1) in vendors else None
            current = None
            continue
        if vendor is None:
            continue
        m = _DEVICE_LINE.match(line)
        if m:
            current = Device(vendor, m.group(1), m.group(2).strip())
            devices.append(current)
            continue
        m = _SUBSYSTEM_LINE.match(line)
        if m and current is not None:
            current.subsystems[m.group(1) + m.group(2)] = m.group(3).strip()
    return devices


def excerpt(text, vendors=VENDORS):
    """The header comment (version and licence note) and the sections of the
    given vendors, verbatim, from a whole pci.ids."""
    lines = text.splitlines()
    header = []
    for line in lines:
        if not line.startswith("#") and line.strip():
            break
        header.append(line)
    while header and not header[-1].strip():
        header.pop()
    sections = []
    keep = False
    for line in lines:
        m = _VENDOR_LINE.match(line)
        if m:
            keep = m.group(1) in vendors
            if keep:
                sections.append([])
        elif line.startswith("C ") or (line and not line.startswith(("\t", "#"))):
            keep = False
        if keep and (line.startswith("\t") or m):
            sections[-1].append(line)
    if len(sections) != len(vendors):
        raise ValueError("the list lacks some of the vendors %s" % ", ".join(vendors))
    out = header + [
        "",
        "# Tessaly keeps only the sections of the graphics vendors "
        + ", ".join(vendors) + " (scripts/generate-catalogue --import-pci-ids).",
        "",
    ]
    for section in sections:
        out.extend(section)
    return "\n".join(out) + "\n"
