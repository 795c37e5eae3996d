#!/usr/bin/env python3
"""Writes samples/desktop: the files a typical desktop's Linux kernel shows
that Tessaly's hardware readers look at (PCI functions with their bound
drivers, SMBIOS table, EDID, cpuinfo, os-release, sound cards, disks, network
interfaces), and samples/machines/: smaller trees, one per graphics adapter
the driver catalogue treats differently (PCI functions, drivers, host name).

    samples/make-desktop.py                 # both
    samples/make-desktop.py target-folder   # only the desktop, there

Each tree's usr/share/misc/pci.ids links to the project's copy of the PCI id
list, so that adapters are named as the catalogue knows them. The trees are
checked in; run this only to change them.
"""
import os
import shutil
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "desktop")
PCI_IDS = os.path.join(HERE, "..", "catalogue", "pci.ids")


def write(path, data):
    full = os.path.join(ROOT, path.lstrip("/"))
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def smbios(kind, formatted, strings):
    formatted = bytearray(formatted)
    formatted[0] = kind
    formatted[1] = len(formatted)
    body = bytes(formatted)
    body += b"".join(s.encode("latin-1") + b"\0" for s in strings) if strings else b"\0"
    return body + b"\0"


def base_board(manufacturer, product, version, serial):
    formatted = bytearray(0x0F)
    formatted[4:8] = bytes([1, 2, 3, 4])
    return smbios(2, formatted, [manufacturer, product, version, serial])


def memory_device(size_mb, speed, locator, bank, manufacturer, serial, part):
    formatted = bytearray(0x28)
    struct.pack_into("<HHH", formatted, 8, 64, 64, size_mb)  # total width, data width, size
    formatted[0x0E] = 0x09  # DIMM
    formatted[0x10], formatted[0x11] = 1, 2
    formatted[0x12] = 0x1A  # DDR4
    struct.pack_into("<H", formatted, 0x15, speed)
    formatted[0x17], formatted[0x18], formatted[0x1A] = 3, 4, 5
    struct.pack_into("<H", formatted, 0x20, speed)
    return smbios(17, formatted, [locator, bank, manufacturer, serial, part])


def edid(pnp, product, name, serial):
    block = bytearray(128)
    block[0:8] = b"\x00\xff\xff\xff\xff\xff\xff\x00"
    code = (ord(pnp[0]) - 64) << 10 | (ord(pnp[1]) - 64) << 5 | (ord(pnp[2]) - 64)
    struct.pack_into(">H", block, 8, code)
    struct.pack_into("<H", block, 10, product)
    block[16], block[17] = 12, 29  # week 12 of 2019
    block[18], block[19] = 1, 4
    block[21], block[22] = 53, 30  # 53 x 30 cm
    # 1920x1200 at 60 Hz
    block[54:72] = bytes.fromhex("283c80a070b023403020360007442100001a")
    block[72:90] = b"\0\0\0\xff\0" + serial.encode().ljust(12, b"\n")[:12] + b"\n"
    block[90:108] = b"\0\0\0\xfc\0" + (name.encode() + b"\n").ljust(13, b" ")[:13]
    block[108:126] = b"\0\0\0\xfd\0" + bytes([56, 76, 30, 81, 17, 0]) + b"\n" + b" " * 6
    block[127] = (256 - sum(block[:127]) % 256) % 256
    return bytes(block)


def link(path, target):
    full = os.path.join(ROOT, path.lstrip("/"))
    os.makedirs(os.path.dirname(full), exist_ok=True)
    os.symlink(target, full)


def pci(slot, class_code, vendor, device, sub_vendor, sub_device, revision, driver=None,
        module_version=None):
    base = "/sys/bus/pci/devices/" + slot + "/"
    for name, value in (("class", "0x%06x" % class_code), ("vendor", "0x%04x" % vendor),
                        ("device", "0x%04x" % device), ("subsystem_vendor", "0x%04x" % sub_vendor),
                        ("subsystem_device", "0x%04x" % sub_device), ("revision", "0x%02x" % revision)):
        write(base + name, value + "\n")
    if driver:
        # As the kernel links it: devices/<slot>/driver -> .../bus/pci/drivers/<driver>
        link(base + "driver", "../../drivers/" + driver)
        if module_version:
            write("/sys/module/%s/version" % driver, module_version + "\n")


def pci_names():
    link("/usr/share/misc/pci.ids", os.path.relpath(PCI_IDS, os.path.join(ROOT, "usr/share/misc")))


def main():
    if os.path.isdir(ROOT):
        shutil.rmtree(ROOT)

    write("/etc/hostname", "DESKTOP-TESSALY\n")
    write("/proc/sys/kernel/hostname", "DESKTOP-TESSALY\n")
    write("/etc/os-release",
          'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nNAME="Debian GNU/Linux"\n'
          'VERSION_ID="12"\nVERSION="12 (bookworm)"\nID=debian\n')
    write("/etc/machine-id", "6f1c2d7e9a4b4c03b8d51e2f7a9c0d44\n")
    write("/proc/sys/kernel/osrelease", "6.1.0-18-amd64\n")
    write("/proc/sys/kernel/version", "#1 SMP PREEMPT_DYNAMIC Debian 6.1.76-1 (2024-02-01)\n")

    cpuinfo = ""
    for i in range(6):
        cpuinfo += ("processor\t: %d\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
                    "model name\t: Intel(R) Core(TM) i5-9400 CPU @ 2.90GHz\nstepping\t: 10\n"
                    "cpu MHz\t\t: 2900.000\ncache size\t: 9216 KB\nphysical id\t: 0\nsiblings\t: 6\n"
                    "core id\t\t: %d\ncpu cores\t: 6\n\n" % (i, i))
        write("/sys/devices/system/cpu/cpu%d/cpufreq/cpuinfo_max_freq" % i, "4100000\n")
    write("/proc/cpuinfo", cpuinfo)

    write("/sys/firmware/dmi/tables/DMI",
          base_board("ASUSTeK COMPUTER INC.", "PRIME B365M-A", "Rev X.0x", "190436845302718")
          + memory_device(8192, 2666, "DIMM_A1", "BANK 0", "Kingston", "3A2B1C0D", "KHX2666C16/8G")
          + memory_device(8192, 2666, "DIMM_B1", "BANK 2", "Kingston", "7E6F5A4B", "KHX2666C16/8G")
          + smbios(127, bytearray(4), []))

    # NVIDIA GeForce GTX 1050 Ti (MSI) and Intel UHD Graphics 630, with the
    # board's audio and Ethernet functions.
    pci("0000:01:00.0", 0x030000, 0x10DE, 0x1C82, 0x1462, 0x8C96, 0xA1, "nvidia", "580.95.05")
    pci("0000:01:00.1", 0x040300, 0x10DE, 0x0FB9, 0x1462, 0x8C96, 0xA1, "snd_hda_intel")
    pci("0000:00:02.0", 0x030000, 0x8086, 0x3E92, 0x1043, 0x8694, 0x00, "i915")
    pci("0000:00:1f.3", 0x040300, 0x8086, 0xA348, 0x1043, 0x8724, 0x10, "snd_hda_intel")
    pci("0000:00:1f.6", 0x020000, 0x8086, 0x15BC, 0x1043, 0x8672, 0x10, "e1000e")
    pci_names()

    write("/sys/block/nvme0n1/size", "976773168\n")
    write("/sys/block/nvme0n1/device/model", "Samsung SSD 970 EVO Plus 500GB\n")
    write("/sys/block/nvme0n1/device/serial", "S4EVNF0M512345\n")
    write("/sys/block/sda/size", "1953525168\n")
    write("/sys/block/sda/device/model", "ST1000DM010-2EP102\n")

    write("/sys/class/drm/card0-HDMI-A-1/status", "connected\n")
    write("/sys/class/drm/card0-HDMI-A-1/edid", edid("DEL", 0xA0F0, "DELL U2415", "7MT0195K2XSL"))
    write("/sys/class/drm/card0-DP-1/status", "disconnected\n")
    write("/sys/class/drm/card0-DP-1/edid", b"")

    write("/proc/asound/cards",
          " 0 [PCH            ]: HDA-Intel - HDA Intel PCH\n"
          "                      HDA Intel PCH at 0xa1230000 irq 130\n"
          " 1 [NVidia         ]: HDA-Intel - HDA NVidia\n"
          "                      HDA NVidia at 0xa4080000 irq 17\n")

    for name, index, kind, address, device in (
            ("lo", 1, 772, "00:00:00:00:00:00", None),
            ("enp0s31f6", 2, 1, "04:d4:c4:5a:0b:9e", "DRIVER=e1000e\nPCI_ID=8086:15BC\n"
                                                    "PCI_SLOT_NAME=0000:00:1f.6\n")):
        base = "/sys/class/net/" + name + "/"
        write(base + "ifindex", "%d\n" % index)
        write(base + "type", "%d\n" % kind)
        write(base + "address", address + "\n")
        if device:
            write(base + "device/uevent", device)


# One machine per way the catalogue answers: the display functions as
# (slot, vendor, device, subsystem vendor, subsystem device, revision,
# bound driver, the module's published version or None).
MACHINES = {
    "rtx5090-notebook": ("ROG-STRIX-SCAR", [
        ("0000:00:02.0", 0x8086, 0x7D67, 0x1043, 0x13A1, 0x06, "i915", None),
        ("0000:01:00.0", 0x10DE, 0x2C58, 0x1043, 0x13A1, 0xA1, "nvidia", "580.95.05")]),
    "gtx780": ("DESKTOP-KEPLER", [
        ("0000:01:00.0", 0x10DE, 0x1004, 0x1458, 0x3647, 0xA1, "nvidia", "470.256.02")]),
    "gtx480": ("DESKTOP-FERMI", [
        ("0000:01:00.0", 0x10DE, 0x06C0, 0x10DE, 0x075F, 0xA3, "nouveau", None)]),
    "rx9070xt": ("DESKTOP-RDNA4", [
        ("0000:03:00.0", 0x1002, 0x7550, 0x1DA2, 0xE490, 0xC0, "amdgpu", None)]),
    "radeon-vii": ("DESKTOP-VEGA", [
        ("0000:0c:00.0", 0x1002, 0x66AF, 0x1002, 0x081E, 0xC1, "amdgpu", None)]),
    "arc-b580": ("DESKTOP-BATTLEMAGE", [
        ("0000:03:00.0", 0x8086, 0xE20B, 0x8086, 0x1100, 0x00, "xe", None)]),
    "hd530": ("DESKTOP-SKYLAKE", [
        ("0000:00:02.0", 0x8086, 0x1912, 0x1043, 0x8694, 0x06, "i915", None)]),
    # A device id newer than the PCI id list: the catalogue cannot know it.
    "unknown": ("DESKTOP-NEW", [
        ("0000:01:00.0", 0x10DE, 0x2E60, 0x10DE, 0x0000, 0xA1, None, None)]),
}


def machine(hostname, functions):
    write("/etc/hostname", hostname + "\n")
    write("/proc/sys/kernel/hostname", hostname + "\n")
    write("/etc/os-release",
          'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\nNAME="Debian GNU/Linux"\nVERSION_ID="12"\nID=debian\n')
    for slot, vendor, device, sub_vendor, sub_device, revision, driver, version in functions:
        pci(slot, 0x030000, vendor, device, sub_vendor, sub_device, revision, driver, version)
    pci_names()


if __name__ == "__main__":
    main()
    if len(sys.argv) <= 1:
        machines = os.path.join(HERE, "machines")
        if os.path.isdir(machines):
            shutil.rmtree(machines)
        for key, (hostname, functions) in MACHINES.items():
            ROOT = os.path.join(machines, key)
            machine(hostname, functions)
