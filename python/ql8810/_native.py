"""The C library (libql8810.so.1 or ql8810.dll) and its functions' types."""

from __future__ import annotations

import ctypes
import ctypes.util
import os
import sys
from pathlib import Path

API_MAJOR = 1


class Interface(ctypes.Structure):
    """ql8810_interface of ql8810.h."""

    _fields_ = [
        ("index", ctypes.c_uint),
        ("path", ctypes.c_char * 512),
        ("has_ids", ctypes.c_int),
        ("vendor_id", ctypes.c_ushort),
        ("product_id", ctypes.c_ushort),
        ("version", ctypes.c_ushort),
        ("serial", ctypes.c_char * 128),
        ("manufacturer", ctypes.c_char * 128),
        ("product", ctypes.c_char * 128),
        ("port", ctypes.c_char * 256),
        ("is_board", ctypes.c_int),
    ]


def _candidates() -> list[str]:
    """Where the library may be: inside the package (a wheel carries it there),
    QL8810_LIBRARY, then the system's."""
    names = ["ql8810.dll"] if sys.platform == "win32" else [f"libql8810.so.{API_MAJOR}"]
    here = Path(__file__).resolve().parent
    found = [str(here / name) for name in names if (here / name).is_file()]
    if os.environ.get("QL8810_LIBRARY"):
        found.append(os.environ["QL8810_LIBRARY"])
    found += names
    system = ctypes.util.find_library("ql8810")
    if system:
        found.append(system)
    return found


def _load() -> ctypes.CDLL:
    errors = []
    for candidate in _candidates():
        try:
            return ctypes.CDLL(candidate)
        except OSError as error:
            errors.append(f"{candidate}: {error}")
    raise ImportError("ql8810: the C library was not found (set QL8810_LIBRARY to its path); tried "
                      + "; ".join(errors))


lib = _load()

_board = ctypes.c_void_p
_size = ctypes.c_size_t
_bytes = ctypes.POINTER(ctypes.c_ubyte)
_SIGNATURES = {
    "ql8810_version": (ctypes.c_char_p, []),
    "ql8810_strerror": (ctypes.c_char_p, [ctypes.c_int]),
    "ql8810_last_message": (ctypes.c_char_p, []),
    "ql8810_list": (ctypes.c_int, [ctypes.c_char_p, ctypes.POINTER(Interface), _size,
                                   ctypes.POINTER(_size)]),
    "ql8810_open": (ctypes.c_int, [ctypes.c_char_p, ctypes.c_char_p, ctypes.POINTER(_board)]),
    "ql8810_open_trace": (ctypes.c_int, [ctypes.c_char_p, _size, ctypes.POINTER(_size)]),
    "ql8810_close": (ctypes.c_int, [_board]),
    "ql8810_set_level": (ctypes.c_int, [_board, ctypes.c_int]),
    "ql8810_sweep": (ctypes.c_int, [_board, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                    ctypes.POINTER(_size)]),
    "ql8810_send_bus_command": (ctypes.c_int, [_board, ctypes.c_int, _bytes]),
    "ql8810_send_break": (ctypes.c_int, [_board]),
    "ql8810_read_report": (ctypes.c_int, [_board, ctypes.c_int, _bytes, _size,
                                          ctypes.POINTER(_size)]),
    "ql8810_hid_test": (ctypes.c_int, [_board, ctypes.c_ubyte, ctypes.c_ubyte, _bytes, _size,
                                       ctypes.POINTER(_size)]),
    "ql8810_trace_count": (ctypes.c_int, [_board, ctypes.POINTER(_size)]),
    "ql8810_trace_line": (ctypes.c_int, [_board, _size, ctypes.c_char_p, _size,
                                         ctypes.POINTER(_size)]),
    "ql8810_trace_text": (ctypes.c_int, [_board, ctypes.c_char_p, _size, ctypes.POINTER(_size)]),
    "ql8810_trace_made": (ctypes.c_int, [_board, ctypes.POINTER(ctypes.c_ulonglong)]),
    "ql8810_set_trace_limit": (ctypes.c_int, [_board, _size]),
    "ql8810_trace_limit": (ctypes.c_int, [_board, ctypes.POINTER(_size)]),
    "ql8810_set_trace_callback": (ctypes.c_int, [_board, ctypes.c_void_p, ctypes.c_void_p]),
}

# ql8810_trace_callback: (context, line, length).
TraceCallback = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.c_void_p, ctypes.c_size_t)
# QL8810_TRACE_UNLIMITED: the largest size_t.
TRACE_UNLIMITED = 2 ** (8 * ctypes.sizeof(ctypes.c_size_t)) - 1
for _name, (_result, _arguments) in _SIGNATURES.items():
    _function = getattr(lib, _name)
    _function.restype = _result
    _function.argtypes = _arguments
