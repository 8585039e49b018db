"""The Python package on the simulated PC: every call, every exception, and
the trace of a send equal to the tool's."""

import gc
import os
import subprocess
import warnings

import pytest

import ql8810


def test_boards_and_interfaces_say_who_is_who():
    assert [b.serial for b in ql8810.boards(simulate="two")] == ["QL0001", "QL0002"]
    every = ql8810.interfaces(simulate="two")
    assert [b.is_board for b in every] == [False, False, True, True]
    assert every[0].product == "USB Keyboard" and every[0].vendor_id == 0x046D
    assert every[3].port.endswith("USB(4)")
    assert ql8810.boards(simulate="none") == []
    assert ql8810.library_version() == "1.0.0"


def test_a_send_traces_as_the_tool_traces_it():
    with ql8810.open(board="QL0002", simulate="two") as kit:
        kit.level(12)
        trace = kit.trace
    tool = subprocess.run([os.environ["QL8810_TOOL"], "--simulate=two", "--board", "QL0002",
                           "--trace", "level", "12"], capture_output=True, text=True, check=True)
    assert trace == tool.stderr.split("\n")[:-1]
    assert "  Serial Number: QL0002" in trace


def test_every_call_on_the_simulated_board(ql8810_board):
    kit = ql8810_board
    kit.level(0)
    kit.level(31)
    # The board's answers, oldest first.
    assert kit.read(0.1) == bytes([0x03, 0x01, 0x00, 0, 0, 0, 0, 0])
    assert kit.read(0.1) == bytes([0x03, 0x01, 0x1F, 0, 0, 0, 0, 0])
    kit.sweep(0, 31, step=5)
    kit.sweep(31, 0, step=10, interval=0.001)
    kit.bus_command(0x20, [1, 2, 3, 4, 5, 6])
    kit.long_break()
    assert kit.test(0x01, 0x80) == bytes([0x03, 0x80, 0x55, 0x56, 0x57, 0x58, 0x59, 0x55])
    assert kit.trace_line(1) == "GetHidGuid"
    assert kit.trace_line(-1) == kit.trace[-1]
    assert len(kit) == len(kit.trace)


@pytest.mark.parametrize("start, stop, step, interval, levels", [
    (0, 31, 5, 0, [0, 5, 10, 15, 20, 25, 30]),
    (31, 0, 10, 0.001, [31, 21, 11, 1]),
    (31, 0, 10, 0, [31, 21, 11, 1]),
    (7, 7, 1, 0.001, [7]),
])
def test_a_sweep_sends_the_levels_a_send_each_would(start, stop, step, interval, levels):
    def answers(kit, count):
        return [kit.read(0.1) for _ in range(count)]

    with ql8810.open(simulate="board") as swept, ql8810.open(simulate="board") as one_by_one:
        swept.sweep(start, stop, step=step, interval=interval)
        for level in levels:
            one_by_one.level(level)
        assert answers(swept, len(levels)) == answers(one_by_one, len(levels))
        with pytest.raises(ql8810.ReadTimeout):
            swept.read(0)


@pytest.mark.parametrize("arguments, error", [
    ((0, 32), ValueError), ((-1, 3), ValueError), ((0, 3, 0), ValueError), ((0, "3"), TypeError),
    ((0, 3, 1, -0.5), ValueError), ((0, 3, 1, float("nan")), ValueError),
])
def test_a_bad_sweep_is_refused_and_nothing_is_sent(arguments, error):
    with ql8810.open(simulate="board") as kit:
        before = len(kit)
        with pytest.raises(error):
            kit.sweep(*arguments)
        assert len(kit) == before


@pytest.mark.parametrize("value, error", [
    ("12", TypeError), (None, TypeError), (12.5, TypeError), (True, TypeError),
    (-1, ValueError), (32, ValueError), (2**100, ValueError),
])
def test_a_bad_level_is_refused_and_nothing_is_sent(value, error):
    with ql8810.open(simulate="board") as kit:
        before = len(kit)
        with pytest.raises(error):
            kit.level(value)
        assert len(kit) == before


@pytest.mark.parametrize("arguments, error, text", [
    ({"board": "QL0009", "simulate": "two"}, ql8810.BoardNotFound,
     'no board "QL0009" among 2: QL0001, QL0002'),
    ({"simulate": "absent"}, ql8810.BoardNotFound, "no board found"),
    ({"board": "#0", "simulate": "two"}, ValueError, "#N counts boards from #1"),
    ({"board": "x" * 1_000_000, "simulate": "two"}, ValueError, "512 characters at most"),
    ({"board": "QL\0", "simulate": "two"}, ValueError, "NUL"),
    ({"board": 7, "simulate": "two"}, TypeError, "board must be a str"),
    ({"simulate": "nowhere"}, ValueError, "unknown scenario"),
])
def test_open_says_why_it_found_no_board(arguments, error, text):
    with pytest.raises(error, match=text.replace("(", r"\(").replace(")", r"\)")):
        ql8810.open(**arguments)


def test_a_failed_open_carries_the_trace_of_its_search():
    with pytest.raises(ql8810.BoardNotFound) as absent:
        ql8810.open(simulate="absent")
    tool = subprocess.run([os.environ["QL8810_TOOL"], "--simulate=absent", "--trace", "level", "3"],
                          capture_output=True, text=True)
    assert tool.returncode == 1
    # The same search, streamed as it was made, then the tool's message.
    assert absent.value.trace == tool.stderr.split("\n")[:-2]
    assert absent.value.trace[0] == ""
    assert absent.value.trace[-1] == " Device not found."
    with pytest.raises(ql8810.BoardNotFound) as passed_over:
        ql8810.open(board="QL0009", simulate="two")
    assert {"  Serial Number: QL0001", "  Serial Number: QL0002"} <= set(passed_over.value.trace)
    with pytest.raises(ValueError):
        ql8810.open(board="#0", simulate="two")


def test_misuse_raises_and_never_crashes():
    kit = ql8810.open(simulate="mute")
    with pytest.raises(ql8810.ReadTimeout):
        kit.read(0.01)
    for bad in (float("nan"), float("inf"), 40.0):
        with pytest.raises(ValueError):
            kit.read(bad)
    with pytest.raises(ValueError):
        kit.bus_command(0x20, [1, 2, 3])
    with pytest.raises(ValueError):
        kit.bus_command(0x20, [1, 2, 3, 4, 5, 256])
    with pytest.raises(IndexError):
        kit.trace_line(10**9)
    kit.close()
    kit.close()  # closing again does nothing
    assert kit.closed
    for use in (lambda: kit.level(1), lambda: kit.trace, lambda: kit.test(), kit.long_break):
        with pytest.raises(ql8810.BoardClosed):
            use()


def test_a_kit_nobody_closed_is_closed_with_a_warning():
    kit = ql8810.open(simulate="board")
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        del kit
        gc.collect()
    assert any(issubclass(w.category, ResourceWarning) for w in caught)


def test_the_trace_keeps_the_newest_lines_and_counts_them_all():
    with ql8810.open(simulate="board") as kit:
        assert kit.trace_limit == ql8810.TRACE_DEFAULT_LIMIT == 100_000
        searched = kit.trace_made
        assert len(kit.trace) == searched > 50
        kit.trace_limit = 11
        kit.level(12)
        assert kit.trace_made > searched
        # One send's lines, whole: the limit dropped the oldest.
        assert kit.trace == [" OutputReportByteLength = 8", " NumberOfBytesWritten = 8",
                             " Report ID: 1", " Report Data:", " 1", " 6", " 0", " 0", " 0",
                             " 0", " 0"]
        kit.trace_limit = 0
        made = kit.trace_made
        kit.sweep(0, 31)
        assert kit.trace == [] and kit.trace_made == made, "none kept, none made"
        kit.trace_limit = ql8810.UNLIMITED
        assert kit.trace_limit == ql8810.UNLIMITED


@pytest.mark.parametrize("bad, error", [
    (-1, ValueError), (2**70, ValueError), ("10", TypeError), (None, TypeError),
    (True, TypeError), (1.5, TypeError),
])
def test_a_bad_trace_limit_changes_nothing(bad, error):
    with ql8810.open(simulate="board") as kit:
        kit.trace_limit = 7
        with pytest.raises(error, match="trace_limit"):
            kit.trace_limit = bad
        assert kit.trace_limit == 7


def test_on_trace_sees_every_line_once_in_order():
    with ql8810.open(simulate="board") as kit:
        seen = []
        kit.on_trace(seen.append)
        before = len(kit.trace)
        kit.level(3)
        kit.sweep(0, 2)
        assert seen == kit.trace[before:] and len(seen) == kit.trace_made - before
        kit.on_trace(None)
        kit.level(4)
        assert len(seen) == kit.trace_made - before - 11
        with pytest.raises(TypeError):
            kit.on_trace("print")


def test_what_on_trace_raises_comes_out_of_the_call_that_made_the_line():
    with ql8810.open(simulate="board") as kit:
        def refuse(line):
            if line == " Report Data:":
                raise KeyError(line)

        kit.on_trace(refuse)
        with pytest.raises(KeyError):
            kit.level(5)
        kit.on_trace(None)
        kit.level(6)  # the send went out, and the Kit goes on

        # From inside the callback the Kit's trace may be read, nothing else.
        def resend(line):
            if line == " Report Data:":
                assert kit.trace[-1] == line
                kit.level(7)

        kit.on_trace(resend)
        with pytest.raises(ql8810.ReentrantCall):
            kit.level(8)
