#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/: a few small, valid inputs of each kind for the fuzzers
to mutate. Run again after changing it; the seeds are committed."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def write(folder, name, data):
    path = os.path.join(HERE, "corpus", folder)
    os.makedirs(path, exist_ok=True)
    with open(os.path.join(path, name), "wb") as out:
        out.write(data)


def dir_string(raw):
    if not raw:
        return b"\x00"
    width = 1 if len(raw) <= 0xFF else 2 if len(raw) <= 0xFFFF else 4
    return bytes([width]) + len(raw).to_bytes(width, "little") + raw


def container(version, items, sorted_names=False, header_size=12):
    out = b"SDB" + bytes([version])
    info_at = None
    if version == 4:
        out += struct.pack("<I", len(items))
    else:
        out += struct.pack("<iI", header_size, len(items))
        info_at = len(out)
        out += struct.pack("<iI", 0, 1 if sorted_names else 0) + b"\xEE" * max(header_size - 12, 0)
    for name, work, _ in items:
        out += dir_string(name) + dir_string(work)
    if info_at is not None:
        out = out[:info_at] + struct.pack("<i", len(out)) + out[info_at + 4:]
    entry = 8 if version == 4 else 12
    data_at = len(out) + entry * len(items)
    for _, _, data in items:
        out += (struct.pack("<II", data_at, len(data)) if version == 4 else struct.pack("<qI", data_at, len(data)))
        data_at += len(data)
    return out + b"".join(data for _, _, data in items)


ITEMS = [(b"Info", b"w", b"\x01\x02\x03"), (b"alpha", b"", b""), ("Смета".encode("cp1251"), b"x" * 300, b"data")]
write("ContainerDirectory", "v4", container(4, ITEMS))
write("ContainerDirectory", "v5-sorted", container(5, sorted(ITEMS), True))
write("ContainerDirectory", "v5-long-header", container(5, ITEMS, False, 20))
write("ContainerDirectory", "v5-empty", container(5, []))


def tagged_ansi(raw):
    return (b"\x06" + bytes([len(raw)]) if len(raw) <= 255 else b"\x07" + struct.pack("<H", len(raw))) + raw


def tagged_wide(text):
    units = text.encode("utf-16-le")
    return b"\x0B" + bytes([len(units) // 2]) + units


# Each value is preceded by the operation byte the fuzz target dispatches on (see FilerValues.Fuzz.cpp).
write("FilerValues", "numbers",
      b"\x00\xFE" + b"\x01\xD4\xFE" + b"\x02" + struct.pack("<i", -5) + b"\x03" + struct.pack("<q", 1 << 40)
      + b"\x04" + struct.pack("<d", 1.5) + b"\x05" + struct.pack("<q", 123456)
      + b"\x06" + bytes.fromhex("0000000000000080FF3F"))
write("FilerValues", "strings",
      b"\x07" + tagged_ansi("Смета".encode("cp1251")) + b"\x08" + tagged_ansi(b"a" * 300)
      + b"\x09" + tagged_wide("Я😀") + b"\x07" + tagged_wide("w"))
write("FilerValues", "lists",
      b"\x0D" + struct.pack("<i", 2) + b"\x0A\x0A\x0E" + b"\x0B\x01\x0E" + b"\x0F" + b"\x0C\x5A")


# ---- text formats -------------------------------------------------------------------------------

def crlf(text):
    return text.replace("\n", "\r\n")


REGISTRY = crlf("""Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\App]
"InstallLocation"="C:\\\\Program Files (x86)\\\\Orvant\\\\"
"DisplayName"="Корвел Клиент (32 бита)"
"Version"=dword:0000001f
@="default"
"Expand"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00
"List"=hex(7):61,00,00,00,d0,04,00,00,00,00
"Binary"=hex:01,02,\\
  03,04

[HKEY_CURRENT_USER\\Software\\Orvant\\Ключ]
; a comment
"Имя"="say \\"hi\\""
"Gone"=-
[-HKEY_CURRENT_USER\\Software\\Orvant\\Removed]
""")
write("RegistryText", "utf16", b"\xFF\xFE" + REGISTRY.encode("utf-16-le"))
write("RegistryText", "utf8", REGISTRY.encode("utf-8"))
write("RegistryText", "regedit4", crlf('REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvant]\n'
                                       '"Имя"="Привет"\n"Path"=hex(2):25,cf,25,00\n').encode("cp1251"))

SETTINGS = """[links]
showdialog=0
1=Нормативы
2 = "readme.txt"
[connections]
showdialog=1
1=Нормативы\\Москва
2='korvel.ru'
; comment
[CommonSettings.XML]
ExternalFileExts=.kvd8;.kvx
[links]
3=duplicate section
"""
write("IniFile", "utf8", SETTINGS.encode("utf-8"))
write("IniFile", "utf8-bom-crlf", b"\xEF\xBB\xBF" + crlf(SETTINGS).encode("utf-8"))
write("IniFile", "utf16", b"\xFF\xFE" + crlf(SETTINGS).encode("utf-16-le"))
write("IniFile", "win1251", crlf(SETTINGS).encode("cp1251") + b"[x]\r\nbyte=\x98\r\n")
write("IniFile", "onclient", b"[server]\nip_name=10.0.0.1\nport=2001\nmessage_port=2002\nbc_addr\n[Fuzz]\nKey=old")

OPTIONS = """<?xml version="1.0" encoding="windows-1251"?>
<Options>
  <Connections>
    <Connection_1 ClassID="KV.Files" Caption="Нормативы" Address="C:\\Корвел\\Нормативы" Usages="Veska,NormBase"/>
    <Connection_2 ClassID="KV.WebDAV.ReadOnly" Caption="Сервер" Address="http://dav.example/"><Extra A="1"/></Connection_2>
  </Connections>
  <Values Int="-12" Bool="True" Float="1,5" Text="a&#13;&#10;b" Empty=""/>
</Options>
"""
for target in ("OptionsReader", "OptionsFile"):
    write(target, "win1251", OPTIONS.encode("cp1251"))
    write(target, "utf8", OPTIONS.replace("windows-1251", "UTF-8").encode("utf-8"))
    write(target, "utf16", b"\xFF\xFE" + OPTIONS.replace("windows-1251", "UTF-16").encode("utf-16-le"))
# Encodings a file may declare that hold fewer characters than the values written into it.
write("OptionsFile", "koi8r", OPTIONS.replace("windows-1251", "KOI8-R").encode("koi8-r"))
write("OptionsFile", "latin1", OPTIONS.replace("windows-1251", "ISO-8859-1").encode("latin-1", "replace"))

PROPFIND = """<?xml version="1.0" encoding="utf-8"?>
<D:multistatus xmlns:D="DAV:" xmlns:v="http://korvel.ru/ns/veska">
<D:response><D:href>/dav/Папка/</D:href><D:propstat><D:prop><D:resourcetype><D:collection/></D:resourcetype>
<D:getlastmodified>Thu, 10 Dec 2026 12:00:00 GMT</D:getlastmodified></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>
<D:response><D:href>/dav/%D0%A1%D0%BC%D0%B5%D1%82%D0%B0.kvx</D:href><D:propstat><D:prop><D:resourcetype/>
<D:getcontentlength>12345</D:getcontentlength><v:VeskaDocType>3</v:VeskaDocType></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>
<D:response><D:href>http://other.example/dav/../x</D:href><D:propstat><D:prop/><D:status>HTTP/1.1 404 Not Found</D:status></D:propstat></D:response>
</D:multistatus>
"""
write("PropFindAnswer", "listing", PROPFIND.encode("utf-8"))
write("PropFindAnswer", "lowercase-prefix", PROPFIND.replace("D:", "d:").replace(":D=", ":d=").encode("utf-8"))

# The PE seeds are the test fixtures (built with the MinGW binutils; see their folder).
FIXTURES = os.path.join(HERE, "..", "tests", "Lib", "Common", "fixtures", "FileVersion")
for name in sorted(os.listdir(FIXTURES)):
    if name.endswith(".exe"):
        with open(os.path.join(FIXTURES, name), "rb") as source:
            write("PEVersionResource", name, source.read())
