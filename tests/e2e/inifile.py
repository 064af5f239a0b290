"""The settings file as bytes: building a GBK INI file for a test to start from, and reading one back.

    SETTINGS                                    C:\\Windows\\Kavrin.ini
    ini_bytes(("自动校时", [("是否间隔", "是")]), ("lx", [("fuwuqi", "http://a")]))
        -> b"[\\xd7\\xd4...]\\r\\n\\xca\\xc7...=\\xca\\xc7\\r\\n[lx]\\r\\nfuwuqi=http://a\\r\\n"
    settings(("是否间隔", "是"), server="http://a") the same file: keys of "自动校时", then "lx"
    describe(data)                              the file's lines decoded, for assertion messages
    wait_bytes(session, SETTINGS, expected)     the file's bytes once they are `expected` (or at the end)

The layout is the one the Windows profile functions write: "[section]" and "key=value" lines ended by
CR LF, no blank lines, no blanks around "=". A file the program changed can therefore be compared with
ini_bytes(...) byte for byte, so a key written in another order, another encoding or another section
shows as a difference.
"""

import time

SETTINGS = r"C:\Windows\Kavrin.ini"
SECTION = "自动校时"
SERVER_SECTION = "lx"


def _gbk(text):
    return text if isinstance(text, bytes) else text.encode("gbk")


def ini_bytes(*sections):
    """GBK bytes of an INI file: each section is (name, [(key, value), ...]); names, keys and values are
    texts (encoded to GBK) or bytes (taken as they are). A section named None writes its keys before
    any section header."""
    out = b""
    for name, entries in sections:
        if name is not None:
            out += b"[" + _gbk(name) + b"]\r\n"
        for key, value in entries:
            out += _gbk(key) + b"=" + _gbk(value) + b"\r\n"
    return out


def settings(*entries, server=None):
    """The settings file with the given keys of the section "自动校时", in order, and with "lx" /
    "fuwuqi" after it when `server` is given."""
    sections = [(SECTION, list(entries))]
    if server is not None:
        sections.append((SERVER_SECTION, [("fuwuqi", server)]))
    return ini_bytes(*sections)


def describe(data):
    """A readable form of the file for assertion messages: its lines decoded as GBK where they can be."""
    if data is None:
        return "<no file>"
    return "\n".join(line.decode("gbk", "backslashreplace") for line in data.split(b"\r\n"))


def wait_bytes(session, path, expected, timeout=5.0):
    """Waits until the file's bytes are `expected` (None: the file is absent); returns the last bytes
    read. The program writes each key the moment an option changes, so this normally returns at once."""
    end = time.monotonic() + timeout
    while True:
        data = session.read_file(path)
        if data == expected or time.monotonic() >= end:
            return data
        time.sleep(0.05)
