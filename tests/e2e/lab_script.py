"""A lab script against two emulated boards in the end-to-end guest, through
the Python package and libql8810 on the guest's kernel HID stack. Writes the
trace of one level 12 to TRACE_FILE, for comparison with `ql8810 --trace`'s;
prints what it did; exits 0 when every step went as a lab expects.
    python3 lab_script.py TRACE_FILE"""

import sys

import ql8810


def main(trace_file: str) -> None:
    found = ql8810.boards()
    for b in found:
        print("board:", b.serial, b.port or "-", b.path)
    assert sorted(b.serial for b in found) == ["QL0001", "QL0002"], found

    with ql8810.open(board="QL0002") as kit:
        kit.level(12)
        with open(trace_file, "w", encoding="utf-8") as out:
            out.write("\n".join(kit.trace) + "\n")

    with ql8810.open(board="QL0002") as kit:
        try:
            ql8810.open(board="QL0002")
            raise AssertionError("a second open of QL0002 went through")
        except ql8810.BoardBusy as busy:
            print("second open:", busy)
        kit.sweep(0, 31)
        # The board answers every report. The HID test drops the answers
        # that came already, not those still on their way after a burst:
        # read them, up to the last level's (03 01 1F: 31 bits reversed).
        last = bytes([0x03, 0x01, 0x1F, 0, 0, 0, 0, 0])
        answers = [kit.read(2.0)]
        while answers[-1] != last and len(answers) < 40:
            answers.append(kit.read(2.0))
        assert answers[-1] == last, answers
        print("sweep answers read:", len(answers))
        print("test:", kit.test(0x01, 0x80).hex(" ").upper())
        try:
            kit.level(32)
            raise AssertionError("level 32 went through")
        except ValueError as refused:
            print("level 32:", refused)

    try:
        ql8810.open(board="QL0009")
        raise AssertionError("QL0009 was found")
    except ql8810.BoardNotFound as absent:
        print("QL0009:", absent)
        assert "  Serial Number: QL0001" in absent.trace, absent.trace
    print("lab script: done")


if __name__ == "__main__":
    main(sys.argv[1])
