#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/: a few small, valid or
nearly valid inputs each, from which the fuzzers start. Run again after changing it; the files are
kept in the repository, so the fuzz run itself needs none of the tools used here (rcc)."""
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
RCC = "/usr/lib/qt6/libexec/rcc"
KEY = b"k4!R8@t2#W6$y1%P9^u3&E5*q7(L"


def put(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def scramble(text):
    out = bytearray()
    for i, t in enumerate(text):
        k = KEY[i % len(KEY)]
        if 33 <= t <= 126:
            v = (126 - t) + (k - 33)
            out.append((v - 94 if v > 94 else v) + 32)
        elif t == 32:
            out.append(126 if k == 33 else 32)
        elif t >= 128:
            out.append(128 + ((t - 128) + (k - 33)) % 128)
        else:
            out.append(t)
    return bytes(out)


def table(columns):
    rows = len(columns[0]) if columns else 0
    out = struct.pack("<ii", len(columns), rows)
    for column in columns:
        for cell in column:
            units = cell.encode("utf-16-le")
            out += struct.pack("<i", len(units) // 2) + units
    return out


def tables():
    put("table-file", "login-default", table([[""], [""], ["N"]]))
    put("table-file", "login-saved", table([["ann@example.com"], [scramble(b"a pass").decode("latin-1")], ["Y"]]))
    settings = [["Sounds", "Yes"] + [""] * 10] + [[""] * 12 for _ in range(9)]
    put("table-file", "settings-default", table(settings))
    put("table-file", "settings-small", table([["Sounds", "No"], ["x", "\u00e9\u20ac"]]))
    put("table-file", "cut-short", table([["Sounds", "Yes"]])[:-3])


def replies():
    versions = "^".join(["1.0.0.8"] + ["1.%d" % i for i in range(12)] + ["NoVer"])
    put("server-check", "online", "ON!|OK|0003|002|" + versions)
    put("server-check", "log-out", "OFF|LO|0000|000|1.0.0.8^NoVer")
    put("server-check", "unknown", "ON!|OK|12x4|0y0|Unknown")
    put("server-check", "error-page", "<html><body>502 Bad Gateway</body></html>")
    for name, text in [("granted", "LogIn Granted!|Ann|0123456789abcdef0123456789abcdef"),
                       ("granted-bare", "LogIn Granted!"), ("wrong", "WrongUsrPass!"),
                       ("disabled", "AccDisabled!"), ("full", "MaxClientsReached!"), ("logoff", "LogOffOK!"),
                       ("logoff-refused", "ErrLogOff!"), ("error", "Error!")]:
        put("login-reply", name, text)
    for name, text in [("lines", b"\x00[Global] Ann: hi\n[w] Bob: psst\r\n[System] You joined channel x.\r"),
                       ("join", b"\x01/join lobby\n1.0.0.9"), ("whisper", b"\x02/w Bob hello there"),
                       ("help", b"\x00/?"), ("version", b"\x00/ver\n1.0.0.8"),
                       ("leave", b"\x04/leave Global\nGlobal"), ("clear", b"\x08/clearall"),
                       ("say", b"\x06hello everyone\nlobby")]:
        put("chat", name, text)


def elf(wide, big, version=(1, 0, 0, 8)):
    e = ">" if big else "<"
    ms = (version[0] << 16) | version[1]
    ls = (version[2] << 16) | version[3]
    record = struct.pack(e + "13I", 0xFEEF04BD, 0x10000, ms, ls, ms, ls, 0x3F, 0, 0, 1, 0, 0, 0)
    names = b"\0.fileversion\0.shstrtab\0"
    header_size = 64 if wide else 52
    entry = 64 if wide else 40
    record_at = header_size
    names_at = record_at + len(record)
    table_at = (names_at + len(names) + 7) // 8 * 8
    ident = b"\x7fELF" + bytes([2 if wide else 1, 2 if big else 1, 1]) + b"\0" * 9
    if wide:
        header = ident + struct.pack(e + "HHIQQQIHHHHHH", 2, 62, 1, 0, 0, table_at, 0, header_size, 0, 0,
                                     entry, 3, 2)
    else:
        header = ident + struct.pack(e + "HHIIIIIHHHHHH", 2, 3, 1, 0, 0, table_at, 0, header_size, 0, 0,
                                     entry, 3, 2)

    def section(name, kind, offset, size):
        if wide:
            return struct.pack(e + "IIQQQQIIQQ", name, kind, 2, 0, offset, size, 0, 0, 4, 0)
        return struct.pack(e + "IIIIIIIIII", name, kind, 2, 0, offset, size, 0, 0, 4, 0)

    body = header + record + names
    body += b"\0" * (table_at - len(body))
    body += section(0, 0, 0, 0) + section(1, 1, record_at, len(record)) + section(14, 3, names_at, len(names))
    return body


def versions():
    put("file-version", "elf64-le", elf(True, False))
    put("file-version", "elf32-be", elf(False, True, (65535, 1, 2, 3)))
    put("file-version", "no-record", elf(True, False)[:70])
    put("file-version", "script", "#!/bin/sh\necho not an executable\n")


def bundles():
    with tempfile.TemporaryDirectory() as work:
        with open(os.path.join(work, "Greeting.txt"), "w") as f:
            f.write("Welcome back!\n")
        with open(os.path.join(work, "Ledger.txt"), "w") as f:
            f.write("gold 12\n" * 40)
        with open(os.path.join(work, "b.qrc"), "w") as f:
            f.write('<RCC><qresource prefix="/">\n<file>Greeting.txt</file>\n'
                    '<file alias="sub/Ledger.txt">Ledger.txt</file>\n</qresource></RCC>\n')
        for version in (1, 2, 3):
            out = os.path.join(work, "b%d.rcc" % version)
            subprocess.run([RCC, "-binary", "--format-version", str(version), "-o", out, "b.qrc"], cwd=work,
                           check=True)
            with open(out, "rb") as f:
                put("resource-bundle", "format-%d" % version, f.read())
        out = os.path.join(work, "plain.rcc")
        subprocess.run([RCC, "-binary", "-no-compress", "-o", out, "b.qrc"], cwd=work, check=True)
        with open(out, "rb") as f:
            put("resource-bundle", "uncompressed", f.read())


def wav(fmt_tag, channels, rate, bits, frames, extensible=False, extra=b""):
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", 0xFFFE if extensible else fmt_tag, channels, rate, rate * block, block, bits)
    if extensible:
        guid = struct.pack("<H", fmt_tag) + b"\x00\x00\x00\x00\x10\x00\x80\x00\x00\xaa\x00\x38\x9b\x71"
        fmt += struct.pack("<HHI", 22, bits, 3) + guid
    data = bytes((i * 37) & 0xFF for i in range(frames * block))
    chunks = b"fmt " + struct.pack("<I", len(fmt)) + fmt + extra + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


def waves():
    put("wave", "pcm16-mono", wav(1, 1, 22050, 16, 8))
    put("wave", "float-stereo", wav(3, 2, 44100, 32, 4, extra=b"LIST\x04\x00\x00\x00INFO"))
    put("wave", "extensible-24", wav(1, 2, 48000, 24, 3, extensible=True))
    put("wave", "pcm8-cut", wav(1, 1, 8000, 8, 16)[:-5])


def archive(entries):
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w") as z:
        for name, data, mode, deflate in entries:
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 2, 3, 4, 6))
            info.create_system = 3
            info.external_attr = mode << 16
            info.compress_type = zipfile.ZIP_DEFLATED if deflate else zipfile.ZIP_STORED
            z.writestr(info, data)
    return buffer.getvalue()


def archives():
    game = [("Game/", b"", 0o040755, False), ("Game/Game.exe", b"\x7fELF game", 0o100755, False),
            ("Game/data/level1.txt", b"level one " * 20, 0o100644, True)]
    put("zip-extract", "game", archive(game))
    put("zip-extract", "link-inside", archive(game + [("Game/current", b"data/level1.txt", 0o120777, False),
                                                      ("Game/data/up", b"../Game.exe", 0o120777, False)]))
    put("zip-extract", "link-outside", archive([("a/link", b"../../../etc", 0o120777, False)]))
    put("zip-extract", "link-chain", archive([("a/b", b"..", 0o120777, False), ("a/c", b"b/b/x", 0o120777, False)]))
    put("zip-extract", "climbing", archive([("data/../../evil.txt", b"x", 0o100644, False)]))
    put("zip-extract", "backslash", archive([("data\\sub\\file.txt", b"x", 0o100600, False),
                                             ("data", b"clash", 0o100644, False)]))
    put("zip-extract", "twice", archive([("x.txt", b"1", 0o100644, False), ("x.txt", b"2", 0o100644, False)]))


def forms():
    put("form-fields", "login", "message=LogIn%20Request.&email=ann%40example.com&password=fuzz-password")
    put("form-fields", "repeated", "a=1&a=2&&b&c=%41%zz")
    put("form-fields", "plus", "email=a+b%2Bc%40example.com&name=%C3%A9%E2%82%AC")
    put("form-fields", "launcher-lines", "email=ann+x@example.com\npassword=p w%d&=\nname=\u00c9ve\nname=again")
    put("form-fields", "not-utf8", b"chattext=%FF%FE&x=\xc3")


def service():
    ann = "0123456789abcdef0123456789abcdef"
    bob = "fedcba9876543210fedcba9876543210"
    put("service-endpoints", "check", "cmessage=CheckServer&loginid=%s&email=ann%%40example.com\nc"
        "message=CheckServer&loginid=0\ncloginid=%s&email=bob%%40example.com\ntc" % (ann, ann))
    put("service-endpoints", "login", "lmessage=LogIn%20Request.&email=cid%40example.com&password=fuzz-password\n"
        "lmessage=LogIn%20Request.&email=cid%40example.com&password=fuzz-password\n"
        "lmessage=LogIn%20Request.&email=ann%40example.com&password=wrong\n"
        "lmessage=LogOFF!&loginid=" + bob + "\ncloginid=" + bob)
    put("service-endpoints", "chat", "hcommand=Join!&channel=lobby&loginid=" + bob + "\n"
        "hcommand=Send!&channel=lobby&chattext=hi%0Athere&loginid=" + bob + "\n"
        "hcommand=Whisper&wshpto=Ann&chattext=psst&loginid=" + bob + "\n"
        "hcommand=CheckChat&loginid=" + ann + "\nhcommand=Leave!&channel=Global&loginid=" + ann + "\n"
        "hcommand=Send!&channel=nowhere&chattext=x&loginid=" + ann + "\nThcommand=CheckChat&loginid=" + bob)
    put("service-endpoints", "pages", "g\ngid=register\ngid=invite-a-friend&user_email=a+b@x.y\ngid=donate\n"
        "Hid=forgot-password\noid=x\nn/admin\ngid=%zz")
    put("service-endpoints", "register", "pid=register email=dan%40example.com&name=Dan&password=long+enough+pw"
        "&password2=long+enough+pw\npid=register email=bad&name=&password=x&password2=y\n"
        "pid=forgot-password email=ann%40example.com\npid=donate x=1")


def main():
    if os.path.isdir(CORPUS):
        shutil.rmtree(CORPUS)
    tables()
    replies()
    versions()
    bundles()
    waves()
    archives()
    forms()
    service()
    return 0


if __name__ == "__main__":
    sys.exit(main())
