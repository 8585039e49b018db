"""`ql8810 serve` as a bench's test program meets it, through clients none of
us wrote: PyVISA (pyvisa-py, a SOCKET resource) and lxi-tools; and through a
raw socket, every hostile thing a client can do. The simulated board; Debian's
python3 (pytest, pyvisa, pyvisa-py). QL8810_TOOL is the tool."""

import os
import re
import shutil
import socket
import subprocess
import threading
import time

import pytest

TOOL = os.environ["QL8810_TOOL"]
LINK_FAILED = ("Communication with Interface Board Failed. Please resert the interface board and "
               "try again.")


class Server:
    """`ql8810 serve` on a free port of this PC; its journal collected."""

    def __init__(self, *arguments, scenario="board"):
        self.process = subprocess.Popen(
            [TOOL, f"--simulate={scenario}", "serve", "--listen", "127.0.0.1:0", *arguments],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.journal = []
        first = self.process.stderr.readline()
        self.journal.append(first)
        match = re.search(r"listening on 127\.0\.0\.1:(\d+)", first)
        assert match, first
        self.port = int(match.group(1))
        threading.Thread(target=self._drain, daemon=True).start()

    def _drain(self):
        for line in self.process.stderr:
            self.journal.append(line)

    def logged(self, pattern, timeout=5.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if any(re.search(pattern, line) for line in self.journal):
                return True
            time.sleep(0.02)
        return False

    def connect(self, timeout=10.0):
        s = socket.create_connection(("127.0.0.1", self.port), timeout=timeout)
        s.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        return s

    def stop(self):
        self.process.terminate()
        assert self.process.wait(10) == 0
        assert self.logged("stopped")


@pytest.fixture
def server():
    running = Server()
    yield running
    running.stop()


class Client:
    """Lines in, lines out, over a raw socket."""

    def __init__(self, sock):
        self.sock = sock
        self.buffer = b""

    def send(self, data):
        self.sock.sendall(data if isinstance(data, bytes) else (data + "\n").encode())

    def line(self):
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise EOFError("connection closed")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return line.decode()

    def query(self, message):
        self.send(message)
        return self.line()

    def closed(self, timeout=5.0):
        """True once the server closed the connection (whatever it sent before)."""
        self.sock.settimeout(timeout)
        try:
            while self.sock.recv(65536):
                pass
            return True
        except (ConnectionResetError, BrokenPipeError):
            return True
        except socket.timeout:
            return False


def errors(client):
    found = []
    while True:
        error = client.query("SYST:ERR?")
        if error == '0,"No error"':
            return found
        found.append(error)


# --- PyVISA -------------------------------------------------------------------

pyvisa = pytest.importorskip("pyvisa")


@pytest.fixture
def instrument(server):
    manager = pyvisa.ResourceManager("@py")
    inst = manager.open_resource(f"TCPIP0::127.0.0.1::{server.port}::SOCKET",
                                 read_termination="\n", write_termination="\n", timeout=10000)
    yield inst
    inst.close()
    manager.close()


def test_pyvisa_sets_levels_sweeps_and_reads_the_trace(instrument, server):
    assert instrument.query("*IDN?") == "Corvane,QL8810 Eval Kit,QL0001,0.9.1"
    instrument.write("DIMM:LEV 12")
    assert instrument.query("DIMM:LEV?") == "12"
    assert instrument.query("SOUR:DIMM:SWE 0,31,1;*OPC?") == "1"
    assert instrument.query("DIMM?") == "31"
    assert instrument.query("*TST?") == "0"
    assert instrument.query("DIAG:TEST? 1,#H80") == '"03 80 55 56 57 58 59 55"'
    count = int(instrument.query("DIAG:TRAC:COUN?"))
    trace = instrument.query_binary_values("DIAG:TRAC?", datatype="B", container=bytes)
    lines = trace.decode().split("\n")[:-1]
    assert len(lines) == count
    # The first send's report of 12, as the tool traces it: 01 01 06.
    assert " 6" in lines and "  My device detected" in lines
    assert instrument.query("SYST:ERR?") == '0,"No error"'
    assert instrument.query("*ESR?") == "0"


def test_pyvisa_reads_every_error_back_in_order_with_the_status(instrument):
    provoked = [
        ("DIMM:LEV 40", -222), ("BOGUS:HEADER", -113), ("DIMM FOO", -224), ('DIMM "1"', -104),
        ("DIMM", -109), ("DIMM 1,2", -108), ("DIMM 12V", -138), ("DIMM 1.2.3", -120),
        ("DIMM,12", -103), ("DIMM 1;;", -102), ("DIMM$", -101), ("DIMMINGDIMMING 1", -100),
        ("DIAG:TEST? 1", -109),
    ]
    for message, _ in provoked:
        instrument.write(message)
    instrument.write("*ESE 255;*SRE 32")
    assert int(instrument.query("SYST:ERR:COUN?")) == len(provoked)
    # Error queue (4), event summary (32), master summary (64).
    assert instrument.query("*STB?") == "100"
    assert int(instrument.query("*ESR?")) == 0x20 | 0x10  # command and execution errors
    for _, code in provoked:
        assert int(instrument.query("SYST:ERR?").split(",")[0]) == code
    assert instrument.query("SYST:ERR:NEXT?") == '0,"No error"'
    assert instrument.query("*STB?") == "0"
    # More errors than the queue holds: the oldest kept, the newest -350.
    for _ in range(40):
        instrument.write("BOGUS")
    codes = [int(instrument.query("SYST:ERR?").split(",")[0]) for _ in range(40)]
    assert codes[:31] == [-113] * 31 and codes[31] == -350 and set(codes[32:]) == {0}
    # *RST clears the queue and the status; *CLS the queue and the events.
    instrument.write("BOGUS")
    instrument.write("*RST")
    assert instrument.query("SYST:ERR:COUN?;*ESE?;*SRE?") == "0;0;0"


def test_a_missing_board_is_a_device_error_with_the_operators_message():
    server = Server(scenario="absent")
    try:
        manager = pyvisa.ResourceManager("@py")
        inst = manager.open_resource(f"TCPIP0::127.0.0.1::{server.port}::SOCKET",
                                     read_termination="\n", write_termination="\n", timeout=10000)
        inst.write("DIMM:LEV 12")
        assert inst.query("SYST:ERR?") == f'101,"{LINK_FAILED}"'
        assert inst.query("*ESR?") == "8"  # device-dependent error
        assert inst.query("*TST?") == "1"
        assert inst.query("*IDN?") == "Corvane,QL8810 Eval Kit,0,0.9.1"
        inst.close()
        manager.close()
        assert server.logged(r"failed send for 127\.0\.0\.1:\d+: 101")
    finally:
        server.stop()


def test_pyvisa_unterminated_query_is_reported(instrument):
    instrument.write_raw(b"*IDN?")
    time.sleep(2.5)
    instrument.write_raw(b"\n")
    assert instrument.query("SYST:ERR?") == '-420,"Query UNTERMINATED;a query without its line\'s end"'


# --- lxi-tools ----------------------------------------------------------------

@pytest.mark.skipif(shutil.which("lxi") is None, reason="no lxi-tools")
def test_lxi_tools_asks_and_sets(server):
    def lxi(command):
        done = subprocess.run(["lxi", "scpi", "-r", "-a", "127.0.0.1", "-p", str(server.port), command],
                              capture_output=True, text=True, timeout=30)
        assert done.returncode == 0, done.stderr
        return done.stdout.strip()
    assert lxi("*IDN?") == "Corvane,QL8810 Eval Kit,QL0001,0.9.1"
    lxi("DIMM:LEV 7")
    assert lxi("DIMM:LEV?") == "7"


# --- raw sockets: what a hostile or broken client does ------------------------

def test_hostile_input_gets_its_error_or_closure_and_the_others_are_served(server):
    watcher = Client(server.connect())
    assert watcher.query("DIMM 3;DIMM?") == "3"
    cases = [
        # bytes, the answer the client gets before its SYST:ERR?, or None: closed
        (b"\x00\x01\x02\xff\xfe\n", "-101"),
        (b"DIMM \x00 12\n", "-101"),
        (bytes(range(256)) + b"\n", "-101"),
        (("DIMM 1;" + ";".join(["*WAI"] * 10000) + ";DIMM?\n").encode(), "1"),
        (b"x" * (1024 * 1024) + b"\n", None),
    ]
    for data, expected in cases:
        client = Client(server.connect())
        client.send(data)
        if expected is None:
            assert client.line().startswith("-363,"), data[:20]
            assert client.closed(), "an overlong line closes the connection"
        elif expected.startswith("-"):
            assert errors(client)[0].startswith(expected + ","), data[:20]
        else:
            assert client.line() == expected
        client.sock.close()
        assert watcher.query("DIMM?") in ("1", "3"), "the others are still served"
    assert server.logged(r"closed 127\.0\.0\.1:\d+ \(a line over 64 KiB\)")
    # A message cut short by the client's leaving is never run.
    client = Client(server.connect())
    client.send(b"DIMM 9")
    client.sock.close()
    time.sleep(0.3)
    assert watcher.query("DIMM?") != "9"


def test_seventeen_clients_and_a_slow_one(server):
    clients = [Client(server.connect()) for _ in range(16)]
    for c in clients:
        assert c.query("*OPC?") == "1"
    refused = Client(server.connect())
    assert refused.closed(), "the 17th is closed at once"
    assert server.logged(r"refused 127\.0\.0\.1:\d+ \(16 clients connected already\)")
    # A client sending a byte a second holds up nobody.
    slow = clients[0]
    for byte in b"*IDN":
        slow.send(bytes([byte]))
        started = time.monotonic()
        assert clients[1].query("DIMM 4;DIMM?") == "4"
        assert time.monotonic() - started < 0.5
        time.sleep(0.3)
    slow.send(b"?\n")
    assert slow.line().startswith("Corvane,")
    for c in clients:
        c.sock.close()


def test_answers_nobody_reads_are_dropped_not_piled_up(server):
    client = Client(server.connect())
    client.send("DIMM:SWE 0,31;" * 300 + "*OPC?")
    assert client.line() == "1"
    # Each answer is nearly a megabyte; thirty of them, unread, fill the
    # sockets' buffers and then the server's own limit.
    for _ in range(30):
        client.send("DIAG:TRAC?")
    client.send("SYST:ERR?")
    client.sock.settimeout(20)
    received = b""
    while b'-410,"Query INTERRUPTED' not in received[-200:]:
        chunk = client.sock.recv(1 << 20)
        assert chunk, "closed before the error came"
        received += chunk
    assert received.count(b"#6") < 30, "some answers were dropped"
    assert client.query("*OPC?") == "1", "and the client is still served"


def test_an_idle_client_is_closed():
    server = Server("--idle-timeout", "1")
    try:
        client = Client(server.connect())
        assert client.query("*OPC?") == "1"
        assert client.closed(timeout=5)
        assert server.logged(r"closed 127\.0\.0\.1:\d+ \(idle for 1 s\)")
    finally:
        server.stop()


@pytest.mark.parametrize("arguments, says", [
    (["--listen", "0.0.0.0:5025"], "--allow"),
    (["--listen", "[::]:5025"], "--allow"),
    (["--listen", "localhost:5025"], "not an IP address"),
    (["--listen", "127.0.0.1:70000"], "0 to 65535"),
    (["--listen", "::1:5025"], "brackets"),
    (["--allow", "10.0.0.0/33"], "prefix"),
    (["--allow", "nowhere"], "any"),
    (["--idle-timeout", "0"], "--idle-timeout"),
])
def test_a_server_that_would_answer_anyone_is_a_bad_command_line(arguments, says):
    done = subprocess.run([TOOL, "--simulate", "serve", *arguments], capture_output=True, text=True,
                          timeout=10)
    assert done.returncode == 2
    assert says in done.stderr and done.stderr.count("\n") == 1
