#!/usr/bin/env bash
# The Linux wheel as a lab installs it: a fresh virtual environment of
# Debian's python3 without the system's site packages, `pip install
# --no-index` of the wheel, then in it: import (the library inside the
# package, not the system's), level 12 on the simulated board,
# `python -m ql8810`, and a pytest file that uses the fixture ql8810_board
# with no -p (pytest being Debian's, put after the environment's own
# packages).
#   wheel_venv_test.sh WHEEL
set -eu
wheel=$1
venv=$(mktemp -d)/venv
trap 'rm -rf "$(dirname "$venv")"' EXIT
/usr/bin/python3 -m venv "$venv"
"$venv/bin/python" -m pip install --quiet --no-index --no-deps --disable-pip-version-check "$wheel"
cd "$(dirname "$venv")"
env -i PATH=/usr/bin:/bin "$venv/bin/python" - "$venv" <<'PY'
import sys
import ql8810, ql8810._native
venv = sys.argv[1]
assert ql8810.__file__.startswith(venv), ql8810.__file__
assert ql8810._native.lib._name.startswith(venv), ql8810._native.lib._name
assert ql8810.__version__ == "0.9.1", ql8810.__version__
with ql8810.open(simulate="board") as kit:
    kit.level(12)
    assert kit.trace[-7:] == [" 1", " 6", " 0", " 0", " 0", " 0", " 0"], kit.trace[-7:]
print("venv: import ql8810 from", ql8810._native.lib._name, "and level 12 on the simulated board")
PY
listing=$(env -i PATH=/usr/bin:/bin "$venv/bin/python" -m ql8810 --simulate=two 2>&1)
echo "$listing"
grep -q ' 0483:0003 QL0002 .* board$' <<<"$listing"
site=$("$venv/bin/python" -c 'import sysconfig; print(sysconfig.get_paths()["purelib"])')
echo /usr/lib/python3/dist-packages >"$site/zz-debian-pytest.pth"
cat >test_kit.py <<'PY'
def test_the_fixture_comes_with_the_package(ql8810_board):
    ql8810_board.level(7)
    assert ql8810_board.read(0.1)[:3] == bytes([0x03, 0x01, 0x1C])
PY
env -i PATH=/usr/bin:/bin "$venv/bin/python" -m pytest -q -p no:cacheprovider test_kit.py
echo "venv: pytest found ql8810_board by itself"
