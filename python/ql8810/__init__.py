"""The QL8810 Eval Kit's interface board from Python.

    import ql8810
    for b in ql8810.boards():
        print(b.serial, b.port, b.path)
    with ql8810.open(board="QL0002") as kit:   # or simulate="board"
        kit.level(12)
        kit.sweep(0, 31, step=1, interval=0.01)
        answer = kit.test(0x01, 0x80)           # bytes
        print("\\n".join(kit.trace))             # the diagnostic trace

A thin layer over the C library libql8810 (ql8810.dll on Windows) through
ctypes. A Kit is used by one thread at a time; two Kits may be used from two.

A Kit keeps the newest 100,000 lines of its diagnostic trace (`trace_limit`),
so that a script left running for days holds a flat amount of memory;
`trace_made` counts the lines made in all, and `on_trace` sees each line as
it is made.
"""

from __future__ import annotations

import ctypes
import math
import time
import warnings
from dataclasses import dataclass
from typing import Callable, Iterable, Optional

from ._native import TRACE_UNLIMITED, Interface, TraceCallback, lib

try:  # written by the wheel's build; a source tree has none
    from ._version import __version__
except ImportError:  # pragma: no cover - running from the source tree
    __version__ = None

__all__ = [
    "Ql8810Error", "BoardNotFound", "AmbiguousBoard", "BoardBusy", "BoardClosed",
    "WriteFailed", "ReadTimeout", "BoardGone", "ReentrantCall", "Board", "Kit", "boards", "open",
    "library_version", "TRACE_DEFAULT_LIMIT", "UNLIMITED", "__version__",
]

#: The trace lines a Kit keeps when opened, and the `trace_limit` that keeps all.
TRACE_DEFAULT_LIMIT = 100_000
UNLIMITED = TRACE_UNLIMITED


class Ql8810Error(Exception):
    """A failure the board or the library reported."""


class BoardNotFound(Ql8810Error):
    """No board, or none that the selector names. From `open`, `trace` holds
    the search's diagnostic trace, as the window would list it."""

    def __init__(self, message: str, trace: Optional[list[str]] = None) -> None:
        super().__init__(message)
        self.trace: list[str] = trace or []


class AmbiguousBoard(Ql8810Error):
    """The selector names several boards."""


class BoardBusy(Ql8810Error):
    """The board is open through another Kit already."""


class BoardClosed(Ql8810Error):
    """The Kit was closed."""


class WriteFailed(Ql8810Error):
    """The board took no report."""


class ReadTimeout(Ql8810Error):
    """No input report came in time."""


class BoardGone(Ql8810Error):
    """The board went away during a read."""


class ReentrantCall(Ql8810Error):
    """A trace callback called its own Kit for anything but its trace."""


# Statuses of ql8810.h that the package acts on rather than raises at once.
_E_NOT_FOUND = -3
_E_BUFFER = -9

_ERRORS = {
    -1: ValueError, -2: BoardClosed, -3: BoardNotFound, -4: AmbiguousBoard, -5: BoardBusy,
    -6: WriteFailed, -7: ReadTimeout, -8: BoardGone, -10: ReentrantCall,
}


def _check(status: int) -> None:
    if status == 0:
        return
    message = lib.ql8810_last_message().decode("utf-8", "replace")
    text = lib.ql8810_strerror(status).decode()
    raise _ERRORS.get(status, Ql8810Error)(message or text)


def _text(value: Optional[str], what: str) -> Optional[bytes]:
    if value is None:
        return None
    if not isinstance(value, str):
        raise TypeError(f"{what} must be a str or None, not {type(value).__name__}")
    if "\0" in value:
        raise ValueError(f"{what} holds a NUL character")
    return value.encode("utf-8")


def _integer(value: object, what: str, low: int, high: int) -> int:
    # bool is an int to Python, never a level to an engineer.
    if isinstance(value, bool) or not isinstance(value, int):
        raise TypeError(f"{what} must be an int, not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{what} must be {low} to {high}, not {value}")
    return value


def library_version() -> str:
    """The C library's version, "1.0.0"."""
    return lib.ql8810_version().decode()


@dataclass(frozen=True)
class Board:
    """One HID interface as `ql8810 list` shows it; texts empty when unknown."""

    index: int
    path: str
    vendor_id: Optional[int]
    product_id: Optional[int]
    version: Optional[int]
    serial: str
    manufacturer: str
    product: str
    port: str
    is_board: bool


def _board(record: Interface) -> Board:
    def text(raw: bytes) -> str:
        return raw.decode("utf-8", "replace")

    known = bool(record.has_ids)
    return Board(record.index, text(record.path), record.vendor_id if known else None,
                 record.product_id if known else None, record.version if known else None,
                 text(record.serial), text(record.manufacturer), text(record.product),
                 text(record.port), bool(record.is_board))


def interfaces(simulate: Optional[str] = None) -> list[Board]:
    """Every HID interface present, boards and others."""
    scenario = _text(simulate, "simulate")
    count = ctypes.c_size_t(0)
    status = lib.ql8810_list(scenario, None, 0, ctypes.byref(count))
    while True:
        records = (Interface * max(count.value, 1))()
        status = lib.ql8810_list(scenario, records, len(records), ctypes.byref(count))
        if status != _E_BUFFER:  # more came since: ask again with room for them
            break
    _check(status)
    return [_board(records[i]) for i in range(count.value)]


def boards(simulate: Optional[str] = None) -> list[Board]:
    """The boards present, in the order `--board '#N'` counts them."""
    return [b for b in interfaces(simulate) if b.is_board]


def _open_trace() -> list[str]:
    length = ctypes.c_size_t(0)
    lib.ql8810_open_trace(None, 0, ctypes.byref(length))
    buffer = ctypes.create_string_buffer(length.value + 1)
    if lib.ql8810_open_trace(buffer, len(buffer), ctypes.byref(length)) != 0:
        return []
    text = buffer.value.decode("utf-8", "replace")
    return text.split("\n") if text else []


class Kit:
    """An open board. Close it, or use it in a `with` block."""

    def __init__(self, board: Optional[str] = None, simulate: Optional[str] = None) -> None:
        self._handle: Optional[int] = None
        # The C callback is kept alive here; what the Python one raised waits
        # in the list until the call that made the line returns.
        self._trace_callback: Optional[TraceCallback] = None
        self._trace_errors: list[BaseException] = []
        handle = ctypes.c_void_p()
        status = lib.ql8810_open(_text(board, "board"), _text(simulate, "simulate"),
                                 ctypes.byref(handle))
        if status == _E_NOT_FOUND:
            message = lib.ql8810_last_message().decode("utf-8", "replace")
            raise BoardNotFound(message, _open_trace())
        _check(status)
        self._handle = handle.value

    def _open_handle(self) -> int:
        if self._handle is None:
            raise BoardClosed("the board is closed")
        return self._handle

    def _finish(self, status: int) -> None:
        """Raises what a trace callback raised during the call, else the call's failure."""
        if self._trace_errors:
            error = self._trace_errors[0]
            self._trace_errors.clear()
            raise error
        if status:
            _check(status)

    def close(self) -> None:
        """Closes the board; closing again does nothing."""
        if self._handle is not None:
            handle, self._handle = self._handle, None
            status = lib.ql8810_close(handle)
            self._trace_callback = None
            self._finish(status)

    @property
    def closed(self) -> bool:
        return self._handle is None

    def __enter__(self) -> "Kit":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __del__(self) -> None:
        if getattr(self, "_handle", None) is not None:
            warnings.warn("ql8810.Kit was not closed; closed now", ResourceWarning, stacklevel=2)
            self.close()

    def level(self, level: int) -> None:
        """Sends dimming level 0 to 31."""
        level = _integer(level, "level", 0, 31)
        status = lib.ql8810_set_level(self._open_handle(), level)
        if status or self._trace_errors:
            self._finish(status)

    def sweep(self, start: int, stop: int, step: int = 1, interval: float = 0.0) -> None:
        """Every `step`-th level from `start` to `stop` (either way), `interval`
        seconds apart; stops at the first failure, raising it."""
        start = _integer(start, "start", 0, 31)
        stop = _integer(stop, "stop", 0, 31)
        step = _integer(step, "step", 1, 31)
        if (isinstance(interval, bool) or not isinstance(interval, (int, float))
                or not math.isfinite(interval) or interval < 0):
            raise ValueError("interval must be a number of seconds, 0 or more")
        handle = self._open_handle()
        if not interval:
            # A burst: the library's own loop, one call for the whole sweep.
            self._finish(lib.ql8810_sweep(handle, start, stop, step, 0, None))
            return
        # Paced here rather than in the library, so that Ctrl-C ends a slow
        # sweep between two sends instead of waiting for its end.
        direction = 1 if start <= stop else -1
        send = lib.ql8810_set_level
        for i, level in enumerate(range(start, stop + direction, direction * step)):
            if i:
                time.sleep(interval)
            status = send(handle, level)
            if status or self._trace_errors:
                self._finish(status)

    def bus_command(self, code: int, data: Iterable[int]) -> None:
        """One bus command: CODE and six bytes."""
        code = _integer(code, "code", 0, 255)
        values = [_integer(b, "byte", 0, 255) for b in data]
        if len(values) != 6:
            raise ValueError(f"a bus command has six bytes, not {len(values)}")
        self._finish(lib.ql8810_send_bus_command(self._open_handle(), code,
                                                 (ctypes.c_ubyte * 6)(*values)))

    def long_break(self) -> None:
        """The long bus break."""
        self._finish(lib.ql8810_send_break(self._open_handle()))

    def read(self, timeout: float = 1.0) -> bytes:
        """One input report, its report ID first; ReadTimeout after `timeout` s."""
        if isinstance(timeout, bool) or not isinstance(timeout, (int, float)):
            raise TypeError("timeout must be a number of seconds")
        if not math.isfinite(timeout):
            raise ValueError("timeout must be a finite number of seconds")
        milliseconds = _integer(round(timeout * 1000), "timeout in ms", 0, 32767)
        buffer = (ctypes.c_ubyte * 64)()
        length = ctypes.c_size_t(0)
        self._finish(lib.ql8810_read_report(self._open_handle(), milliseconds, buffer,
                                            len(buffer), ctypes.byref(length)))
        return bytes(buffer[: length.value])

    def test(self, byte0: int = 0x01, byte1: int = 0x00) -> bytes:
        """The diagnostic window's HID test: the answer to
        BYTE0 BYTE1 55 56 57 58 59 55. It drops the answers that came
        already; after a burst of sends, read theirs first, as an answer
        still on its way would be taken for the test's."""
        b0 = _integer(byte0, "byte0", 0, 255)
        b1 = _integer(byte1, "byte1", 0, 255)
        answer = (ctypes.c_ubyte * 8)()
        length = ctypes.c_size_t(0)
        self._finish(lib.ql8810_hid_test(self._open_handle(), b0, b1, answer, len(answer),
                                         ctypes.byref(length)))
        return bytes(answer[: length.value])

    def trace_line(self, index: int) -> str:
        """One kept line of the diagnostic trace (0: the oldest kept); IndexError
        past its end."""
        index = _integer(index, "index", -(2**62), 2**62)
        count = len(self)
        if index < 0:
            index += count
        if not 0 <= index < count:
            raise IndexError("trace line out of range")
        length = ctypes.c_size_t(0)
        buffer = ctypes.create_string_buffer(256)
        status = lib.ql8810_trace_line(self._open_handle(), index, buffer, len(buffer),
                                       ctypes.byref(length))
        if status == _E_BUFFER:
            buffer = ctypes.create_string_buffer(length.value + 1)
            status = lib.ql8810_trace_line(self._open_handle(), index, buffer, len(buffer),
                                           ctypes.byref(length))
        _check(status)
        return buffer.value.decode("utf-8", "replace")

    def __len__(self) -> int:
        count = ctypes.c_size_t(0)
        _check(lib.ql8810_trace_count(self._open_handle(), ctypes.byref(count)))
        return count.value

    @property
    def trace(self) -> list[str]:
        """The kept lines of the diagnostic trace, oldest first, as the window
        lists them: the newest `trace_limit` lines."""
        handle = self._open_handle()
        if not len(self):
            return []
        length = ctypes.c_size_t(0)
        lib.ql8810_trace_text(handle, None, 0, ctypes.byref(length))
        buffer = ctypes.create_string_buffer(length.value + 1)
        _check(lib.ql8810_trace_text(handle, buffer, len(buffer), ctypes.byref(length)))
        return buffer.raw[: length.value].decode("utf-8", "replace").split("\n")

    @property
    def trace_limit(self) -> int:
        """How many of the newest trace lines are kept: TRACE_DEFAULT_LIMIT when
        opened, 0 for none (and, without `on_trace`, none made), UNLIMITED for
        all. Lowering it drops the oldest lines kept."""
        lines = ctypes.c_size_t(0)
        _check(lib.ql8810_trace_limit(self._open_handle(), ctypes.byref(lines)))
        return lines.value

    @trace_limit.setter
    def trace_limit(self, lines: int) -> None:
        lines = _integer(lines, "trace_limit", 0, UNLIMITED)
        _check(lib.ql8810_set_trace_limit(self._open_handle(), lines))

    @property
    def trace_made(self) -> int:
        """The trace lines made since the Kit was opened, kept or dropped."""
        made = ctypes.c_ulonglong(0)
        _check(lib.ql8810_trace_made(self._open_handle(), ctypes.byref(made)))
        return made.value

    def on_trace(self, callback: Optional[Callable[[str], object]]) -> None:
        """Calls `callback(line)` for every new trace line, in order, while the
        call that makes it runs; None stops it. What the callback raises is
        raised by that call once it has finished (later lines of the same call
        are not passed on). Inside it, the Kit's trace may be read; any other
        use of the same Kit raises ReentrantCall."""
        handle = self._open_handle()
        if callback is None:
            _check(lib.ql8810_set_trace_callback(handle, None, None))
            self._trace_callback = None
            return
        if not callable(callback):
            raise TypeError(f"on_trace takes a callable or None, not {type(callback).__name__}")
        errors = self._trace_errors  # not self: no cycle through the C callback

        def relay(_context: object, line: int, length: int) -> None:
            if errors:
                return
            try:
                callback(ctypes.string_at(line, length).decode("utf-8", "replace"))
            except BaseException as error:  # noqa: B036 - raised again by the call
                errors.append(error)

        c_callback = TraceCallback(relay)
        _check(lib.ql8810_set_trace_callback(handle, ctypes.cast(c_callback, ctypes.c_void_p),
                                             None))
        self._trace_callback = c_callback


def open(board: Optional[str] = None, simulate: Optional[str] = None) -> Kit:  # noqa: A001
    """Opens a board: `board` a serial number, path, port or "#N" as
    `ql8810 --board` takes them (None: the first); `simulate` a scenario of
    `ql8810 --simulate` for the built-in simulated PC."""
    return Kit(board, simulate)
