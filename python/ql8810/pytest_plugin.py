"""A pytest fixture `ql8810_board`: the simulated board by default, a real
one with --ql8810-board=SELECTOR ("first" for the first board)."""

from __future__ import annotations

import pytest

import ql8810


def pytest_addoption(parser: pytest.Parser) -> None:
    parser.addoption("--ql8810-board", default=None,
                     help="run against a real QL8810 board: its selector, or 'first'")


@pytest.fixture
def ql8810_board(request: pytest.FixtureRequest):
    selector = request.config.getoption("--ql8810-board")
    if selector is None:
        kit = ql8810.open(simulate="board")
    else:
        kit = ql8810.open(board=None if selector == "first" else selector)
    with kit:
        yield kit
