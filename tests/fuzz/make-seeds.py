#!/usr/bin/env python3
"""Writes the small seed corpus of every fuzz target into corpus/<target>/.

The seeds are checked in; run this again only to change them."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def write(target, name, data):
    folder = os.path.join(here, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def structure(kind, formatted, strings):
    formatted = bytearray(formatted)
    formatted[0] = kind
    formatted[1] = len(formatted)
    data = bytes(formatted)
    for text in strings:
        data += text.encode("latin-1") + b"\0"
    if not strings:
        data += b"\0"
    return data + b"\0"


def base_board(strings):
    formatted = bytearray(0x0F)
    for field in range(4):
        formatted[4 + field] = field + 1 if field < len(strings) else 0
    return structure(2, formatted, strings)


def memory_device(size_field, speed, strings, extended=0, length=0x28):
    formatted = bytearray(length)
    formatted[0x0C:0x0E] = struct.pack("<H", size_field)
    formatted[0x10] = 1
    formatted[0x11] = 2
    if length >= 0x17:
        formatted[0x15:0x17] = struct.pack("<H", speed)
    if length >= 0x19:
        formatted[0x17] = 3
        formatted[0x18] = 4
    if length >= 0x20:
        formatted[0x1C:0x20] = struct.pack("<I", extended)
    return structure(17, formatted, strings)


end_of_table = structure(127, bytes(4), [])
write("smbios", "board-and-two-modules",
      base_board(["ASUSTeK", "PRIME B450", "Rev 1.xx", "MB-123"])
      + memory_device(8192, 3200, ["DIMM_A1", "BANK 0", "Kingston", "0xABC"])
      + memory_device(0x7FFF, 2666, ["DIMM_B1", "BANK 1", "Samsung", "42"], extended=65536)
      + end_of_table)
write("smbios", "short-module", memory_device(0x8000 | 512, 0, ["A"], length=0x15) + end_of_table)
write("smbios", "empty-slot", memory_device(0, 0, []) + end_of_table)


def edid(pnp, product, name):
    block = bytearray(128)
    block[0:8] = b"\x00\xff\xff\xff\xff\xff\xff\x00"
    ident = (ord(pnp[0]) - 64) << 10 | (ord(pnp[1]) - 64) << 5 | (ord(pnp[2]) - 64)
    block[8:10] = struct.pack(">H", ident)
    block[10:12] = struct.pack("<H", product)
    block[18] = 1
    block[19] = 4
    block[54:56] = struct.pack("<H", 0x3A02)
    block[72:90] = b"\0\0\0\xff\0" + b"SN12345\n     "
    if name:
        text = name[:13]
        if len(text) < 13:
            text += b"\n"
        block[90:108] = b"\0\0\0\xfc\0" + text.ljust(13, b" ")
    block[127] = (256 - sum(block[:127]) % 256) % 256
    return bytes(block)


write("edid", "named", edid("DEL", 0xA0F0, b"DELL U2415"))
write("edid", "unnamed", edid("SAM", 0x0F00, b""))
write("edid", "with-extension", edid("GSM", 0x5B8E, b"LG ULTRAGEAR") + bytes(128))

# The proc/sys target takes a selector byte: 0 os-release, 1 cpuinfo, 2 sound cards.
write("procfiles", "os-release", b"\0" + b'PRETTY_NAME="Debian GNU/Linux 12 (bookworm)"\n'
      b'NAME="Debian GNU/Linux"\nVERSION_ID="12"\nID=debian\nX=\'a\\"b\'\n')
write("procfiles", "cpuinfo", b"\1" + b"".join(
    b"processor\t: %d\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
    b"model name\t: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\nstepping\t: 10\n"
    b"cpu MHz\t\t: 3192.000\nphysical id\t: 0\ncore id\t\t: %d\ncpu cores\t: 6\n"
    b"siblings\t: 12\n\n" % (n, n % 6) for n in range(4)))
write("procfiles", "sound-cards", b"\2" + b" 0 [PCH            ]: HDA-Intel - HDA Intel PCH\n"
      b"                      HDA Intel PCH at 0xf7f10000 irq 32\n"
      b" 1 [NVidia         ]: HDA-Intel - HDA NVidia\n"
      b"                      HDA NVidia at 0xf7080000 irq 17\n")


def qstring(text):
    if text is None:
        return b"\xff\xff\xff\xff"
    data = text.encode("utf-16-be")
    return struct.pack(">I", len(data)) + data


def user_file(fields, avatar=b"\0\0\0\0"):
    username, nickname, mobile, token, base, expire, user_id, folder = fields
    return (qstring(username) + qstring(nickname) + qstring(mobile) + avatar + qstring(token)
            + qstring(base) + struct.pack(">i", expire) + struct.pack(">i", user_id)
            + qstring(folder))


write("userfile", "signed-in", user_file(["wx_42", "小明", "13800000000", "tok-123",
                                          "https://kf.example/chat", 2000000000, 99,
                                          "/home/u/驱动"]))
write("userfile", "empty", user_file([None, None, None, None, "", 0, 0, None]))
write("userfile", "short", user_file(["ab", "c", None, "t", "", 1, 2, "/d"])[:30])

write("envelope", "success", '{"code":1,"data":{"kefu":"https://kf.example/","a":[1,2]},"msg":""}')
write("envelope", "failure", '{"code":1001,"msg":"二维码已过期"}')
write("envelope", "not-json", "<html>502 Bad Gateway</html>")
write("envelope", "array", "[1,{\"code\":1}]")

# The file-name target: the address, a NUL, the fallback name.
write("filename", "plain", b"http://h.example/d/setup.exe?x=1\0driver")
write("filename", "escapes", b"http://h.example/d/..%2F..%5Cevil%E2%80%AE.exe\0f")
write("filename", "device", b"http://h.example/d/COM%C2%B9%20.exe\0CON")
write("filename", "no-name", b"http://h.example/d/\0" + "驱动程序".encode() * 30)

write("pagehook", "page", b"http://page.test/index.html")
write("pagehook", "climb", b"http://page.test/css/../../secret.txt")
write("pagehook", "link", b"http://page.test/out/secret.txt")
write("pagehook", "carrier", b"http://evil.test/?u=http://page.test/../../index.html")
