"""`python -m ql8810`: every HID interface present, as `ql8810 list` shows
them, so that an install can be checked in one line. `--simulate[=SCENARIO]`
lists the built-in simulated PC's instead."""

from __future__ import annotations

import sys

from . import __version__, interfaces, library_version


def _quoted(text: str) -> str:
    """Between double quotes, with what would move or break the line escaped."""
    out = []
    for c in text:
        if c in '"\\':
            out.append("\\" + c)
        elif c == "\n":
            out.append("\\n")
        elif ord(c) < 0x20 or 0x7F <= ord(c) <= 0x9F:
            out.append(f"\\x{ord(c):02X}")
        elif c in "\u061c\u200e\u200f\u2028\u2029" or 0x202A <= ord(c) <= 0x202E or 0x2066 <= ord(c) <= 0x2069:
            out.append(f"\\u{ord(c):04X}")
        else:
            out.append(c)
    return '"' + "".join(out) + '"'


def _word(text: str) -> str:
    """A word of the listing: "-" for nothing, quoted when it is not plain."""
    if not text:
        return "-"
    return text if all(0x20 < ord(c) < 0x7F and c not in '"\\' for c in text) else _quoted(text)


def main(argv: list[str]) -> int:
    simulate = None
    for arg in argv:
        if arg == "--simulate":
            simulate = "board"
        elif arg.startswith("--simulate="):
            simulate = arg.split("=", 1)[1]
        elif arg in ("-h", "--help"):
            print(__doc__)
            return 0
        else:
            print(f"python -m ql8810: unknown argument {arg!r}", file=sys.stderr)
            return 2
    try:
        found = interfaces(simulate)
    except ValueError as error:
        print(f"python -m ql8810: {error}", file=sys.stderr)
        return 2
    for b in found:
        ids = "????:????" if b.vendor_id is None else f"{b.vendor_id:04X}:{b.product_id:04X}"
        print(f"{b.index} {b.path or '?'} {ids} {_word(b.serial)} {_quoted(b.product)} {_word(b.port)}"
              + (" board" if b.is_board else ""))
    print(f"# ql8810 {__version__ or '(source tree)'}, library {library_version()}, "
          f"{sum(b.is_board for b in found)} board(s)", file=sys.stderr)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
