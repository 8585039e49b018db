"""The Windows wheel's name, tags and contents, read here since running it
needs a Windows Python: the package with ql8810.dll (a 64-bit Windows DLL)
inside, tagged py3-none-win_amd64, and the pytest entry point.
    windows_wheel_test.py WHEEL"""

import struct
import sys
import zipfile


def main(path: str) -> int:
    name = path.replace("\\", "/").rsplit("/", 1)[-1]
    assert name == "ql8810-0.9.1-py3-none-win_amd64.whl", name
    with zipfile.ZipFile(path) as wheel:
        names = set(wheel.namelist())
        for expected in ("ql8810/__init__.py", "ql8810/_native.py", "ql8810/_version.py",
                         "ql8810/pytest_plugin.py", "ql8810/py.typed", "ql8810/ql8810.dll"):
            assert expected in names, f"{expected} not in the wheel"
        assert not any(n.endswith(".so.1") for n in names), "a Linux library in the Windows wheel"
        tags = wheel.read("ql8810-0.9.1.dist-info/WHEEL").decode()
        assert "Tag: py3-none-win_amd64" in tags.splitlines(), tags
        assert "Root-Is-Purelib: true" in tags.splitlines(), tags
        entry = wheel.read("ql8810-0.9.1.dist-info/entry_points.txt").decode()
        assert "[pytest11]" in entry and "ql8810 = ql8810.pytest_plugin" in entry, entry
        dll = wheel.read("ql8810/ql8810.dll")
        assert dll[:2] == b"MZ", "not a PE file"
        pe = struct.unpack_from("<I", dll, 0x3C)[0]
        assert dll[pe:pe + 4] == b"PE\0\0" and struct.unpack_from("<H", dll, pe + 4)[0] == 0x8664, \
            "not an x86-64 PE file"
        assert b"ql8810_set_level" in dll
    print(f"{name}: ql8810.dll (x86-64) inside, py3-none-win_amd64, the pytest entry point")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
