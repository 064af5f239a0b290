"""Reads a shell link (.lnk) file from its bytes, on the host, without asking Wine.

    link = parse_lnk(data)
    link.target_from_items   the target as the shell resolves it: the item list, names in UTF-16
    link.target_from_info    the target as stored in the link-info block (local base path)
    link.arguments, link.working_dir, link.description, link.show_command, link.flags ...

The layout is the shell link binary format: a 76-byte header (flags at 0x14, show command at 0x3C),
then, as the flags say, the item list of the target, the link-info block and the counted strings
(description, relative path, working directory, arguments, icon location), in UTF-16 when the
Unicode flag is set, else in the ANSI code page (`ansi`, GBK by default).
"""

import struct
import uuid

HAS_ITEM_LIST = 0x01
HAS_LINK_INFO = 0x02
HAS_NAME = 0x04
HAS_RELATIVE_PATH = 0x08
HAS_WORKING_DIR = 0x10
HAS_ARGUMENTS = 0x20
HAS_ICON_LOCATION = 0x40
IS_UNICODE = 0x80

SHELL_LINK_CLSID = uuid.UUID("00021401-0000-0000-c000-000000000046")
MY_COMPUTER_CLSID = uuid.UUID("20d04fe0-3aea-1069-a2d8-08002b30309d")


class LinkFormatError(ValueError):
    pass


class Link:
    def __init__(self):
        self.flags = 0
        self.show_command = None
        self.hotkey = 0
        self.icon_index = 0
        self.items = []                # raw bytes of each item of the target's item list, size first
        self.target_from_items = None
        self.target_from_info = None
        self.description = None
        self.relative_path = None
        self.working_dir = None
        self.arguments = None
        self.icon_location = None

    def __repr__(self):
        fields = ("flags", "show_command", "target_from_items", "target_from_info", "description",
                  "working_dir", "arguments", "icon_location")
        return "Link(" + ", ".join(f"{f}={getattr(self, f)!r}" for f in fields) + ")"


def _cstring(data, at, ansi):
    end = data.index(b"\0", at)
    return data[at:end].decode(ansi)


def _wstring(data, at):
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
        if end >= len(data):
            raise LinkFormatError("unterminated UTF-16 name")
    return data[at:end].decode("utf-16-le")


def _item_name(item, ansi):
    """The long name of a file-system item: the UTF-16 name of its extension block when there is one,
    else its ANSI short name."""
    # item: its size (2 bytes), type, a spare byte, 4 bytes file size, 4 bytes DOS date and time, 2 bytes
    # attributes, then the ANSI name; its last word is the offset of its extension block from the item's
    # start (Wine's layout: a word of length, 6 spare bytes, two DOS dates and times, 4 spare bytes, the
    # UTF-16 name).
    short = _cstring(item, 14, ansi)
    (ext,) = struct.unpack_from("<H", item, len(item) - 2)
    if 14 < ext < len(item) - 2:
        (ext_len,) = struct.unpack_from("<H", item, ext)
        if ext_len >= 22 and ext + ext_len <= len(item):
            return _wstring(item, ext + 20)
    return short


def _path_from_items(items, ansi):
    parts = []
    for item in items:
        kind = item[2]
        if kind == 0x1F:  # a root folder by its class id
            if uuid.UUID(bytes_le=bytes(item[4:20])) != MY_COMPUTER_CLSID:
                return None
            continue
        if kind & 0x70 == 0x20:  # a drive: "C:\"
            parts.append(_cstring(item, 3, ansi).rstrip("\\"))
            continue
        if kind & 0x70 == 0x30:  # a folder (0x31) or a file (0x32)
            parts.append(_item_name(item, ansi))
            continue
        return None
    return "\\".join(parts) if parts else None


def parse_lnk(data, ansi="gbk"):
    if len(data) < 0x4C or struct.unpack_from("<I", data, 0)[0] != 0x4C:
        raise LinkFormatError("not a shell link header")
    if uuid.UUID(bytes_le=bytes(data[4:20])) != SHELL_LINK_CLSID:
        raise LinkFormatError("not the shell link class")
    link = Link()
    link.flags, = struct.unpack_from("<I", data, 0x14)
    link.icon_index, link.show_command, link.hotkey = struct.unpack_from("<iIH", data, 0x38)
    at = 0x4C

    if link.flags & HAS_ITEM_LIST:
        (size,) = struct.unpack_from("<H", data, at)
        at += 2
        end = at + size
        while at < end:
            (cb,) = struct.unpack_from("<H", data, at)
            if cb == 0:
                break
            link.items.append(data[at:at + cb])
            at += cb
        at = end
        link.target_from_items = _path_from_items(link.items, ansi)

    if link.flags & HAS_LINK_INFO:
        size, header_size, info_flags, _volume, base, _net, suffix = struct.unpack_from("<7I", data, at)
        info = data[at:at + size]
        if info_flags & 1:
            if header_size >= 0x24:
                (base_unicode, suffix_unicode) = struct.unpack_from("<2I", info, 0x1C)
                link.target_from_info = _wstring(info, base_unicode) + _wstring(info, suffix_unicode)
            else:
                link.target_from_info = _cstring(info, base, ansi) + _cstring(info, suffix, ansi)
        at += size

    for flag, name in ((HAS_NAME, "description"), (HAS_RELATIVE_PATH, "relative_path"),
                       (HAS_WORKING_DIR, "working_dir"), (HAS_ARGUMENTS, "arguments"),
                       (HAS_ICON_LOCATION, "icon_location")):
        if not link.flags & flag:
            continue
        (count,) = struct.unpack_from("<H", data, at)
        at += 2
        if link.flags & IS_UNICODE:
            text = data[at:at + 2 * count].decode("utf-16-le")
            at += 2 * count
        else:
            text = data[at:at + count].decode(ansi)
            at += count
        # Wine counts the terminator too; the shell's readers stop at it.
        setattr(link, name, text.split("\0", 1)[0])
    return link
