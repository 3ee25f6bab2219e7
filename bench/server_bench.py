#!/usr/bin/env python3
# Benchmark of server mode: many sequential clients (valid, malformed and vanishing)
# against one vornik server; reports connections per second and checks every answer.
"""Usage: server_bench.py [--build DIR] [--clients N] [--runs R] [--mix valid|hostile]

Starts `DIR/vornik -S` in tags mode with the stand-in tagger (DIR/tests/fakebin first
on PATH), sends N clients one after another, and checks that every valid client got
exactly the filter-mode output for its text, that the server is still alive, and that
its open descriptor count is back where it started. Prints the medians of R runs.
--mix valid sends valid clients only; --mix hostile (the default) mixes them with
malformed and negative headers, vanishing clients, texts without final newline, $lim$
tags, floods of new tags, and, every 500th connection, a client that stalls (idle, half
a header, half its text) and costs the server its timeout (set to 1 s here). The
server's resident memory is reported before and after.
"""
import argparse
import os
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time

TEXTS = [
    "the DET\ndog NOUN\nruns VERB\n\n",
    "a DET\ncat NOUN\n\nsleeps VERB\nnow ADV\n\n",
    "%% comment\n\n\none X\ntwo Y\nthree Z\nfour W\nfive V\n",
    "".join(f"w{i} T{i % 7}\n" + ("\n" if i % 9 == 8 else "") for i in range(120)),
]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def read_all(sock):
    chunks = []
    while True:
        data = sock.recv(65536)
        if not data:
            return b"".join(chunks)
        chunks.append(data)


def client(port, kind, text, held):
    """One connection; returns the bytes received (None for vanishing and stalling
    clients). A stalling client's socket is put on `held`, open, so that the server
    waits for it until its timeout instead of seeing it close."""
    sock = socket.create_connection(("127.0.0.1", port))
    sock.settimeout(10)
    try:
        body = text.encode()
        if kind == "valid":
            sock.sendall(b"%04d" % len(body) + body)
            return read_all(sock)
        if kind == "zero":
            sock.sendall(b"0000" + body)
        elif kind == "letters":
            sock.sendall(b"abcd" + body)
        elif kind == "negative":
            sock.sendall(b"-012" + body)
        elif kind == "short":
            sock.sendall(b"001")
            sock.shutdown(socket.SHUT_WR)
        elif kind == "bigneg":
            sock.sendall(b"-999" + body)
        elif kind in ("idle", "halfheader", "halfbody"):
            if kind == "halfheader":
                sock.sendall(b"00")
            elif kind == "halfbody":
                sock.sendall(b"%04d" % (len(body) + 50) + body)
            held.append(sock)
            sock = None
            return None  # the server gives up on it after its timeout
        elif kind == "vanish":
            sock.sendall(b"%04d" % len(body) + body)
            sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
            return None
        return read_all(sock)
    finally:
        if sock:
            sock.close()


KINDS = ["valid"] * 6 + ["zero", "letters", "negative", "short", "vanish"]
HOSTILE = KINDS + ["nonewline", "lim", "newtags", "bigneg"]
STALLS = ["idle", "halfheader", "halfbody"]
LIM_TEXT = "".join(f"w{i} $lim$\n" for i in range(200))


def new_tags_text(i):
    """A text of 300 tags never sent before, and the output the stand-in gives it."""
    lines = [f"w{k} NEW{i}x{k}" for k in range(300)]
    text = "\n".join(lines) + "\n"
    out = "".join(f"w{k}\tNEW{i}x{k}\t1\tNP\n" for k in range(300)) + "\n"
    return text, out.encode()


def rss_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def descriptors(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def settled_descriptors(pid, idle):
    for _ in range(500):
        count = descriptors(pid)
        if count <= idle:
            return count
        time.sleep(0.01)
    return descriptors(pid)


def one_run(build, env, script, clients, expected_output, workdir, mix):
    port = free_port()
    err_path = os.path.join(workdir, "server.err")
    with open(err_path, "wb") as err:
        server = subprocess.Popen(
            [os.path.join(build, "vornik"), "-S", "-v0", "-Itags", "-Ochunktags", script,
             str(port)], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err,
            env=dict(env, VORNIK_CLIENT_TIMEOUT="1"))
    try:
        for _ in range(1000):
            with open(err_path, "rb") as f:
                if b"server waiting" in f.read():
                    break
            time.sleep(0.005)
        idle = descriptors(server.pid)
        failures = 0
        held = []
        start = time.perf_counter()
        rss_before = rss_kb(server.pid)
        for i in range(clients):
            kinds = HOSTILE if mix == "hostile" else ["valid"]
            kind = kinds[i % len(kinds)]
            if mix == "hostile" and i % 500 == 499:
                kind = STALLS[(i // 500) % len(STALLS)]
            text = TEXTS[i % len(TEXTS)]
            if kind == "nonewline":
                text = text.rstrip("\n")
            elif kind == "lim":
                text = LIM_TEXT
            want = b""
            if kind == "newtags":
                text, want = new_tags_text(i)
                kind = "valid"
            elif kind in ("valid", "nonewline", "lim"):
                want = expected_output(text)
                kind = "valid"
            answer = client(port, kind, text, held)
            if answer is not None and answer != want:
                failures += 1
        elapsed = time.perf_counter() - start
        for sock in held:
            sock.close()
        alive = server.poll() is None
        after = settled_descriptors(server.pid, idle) if alive else -1
        rss_after = rss_kb(server.pid) if alive else -1
        with open(err_path, "rb") as f:
            stalls = f.read().count(b"client stalled")
        return clients / elapsed, failures, alive, idle, after, rss_before, rss_after, stalls
    finally:
        server.kill()
        server.wait()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--clients", type=int, default=2000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--mix", choices=["valid", "hostile"], default="hostile")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    env = dict(os.environ)
    env["PATH"] = os.path.join(build, "tests", "fakebin") + os.pathsep + env.get("PATH", "")
    env.pop("CHUNKPATH", None)
    with tempfile.TemporaryDirectory() as workdir:
        script = os.path.join(workdir, "chunk")
        with open(script, "w") as f:
            f.write("default x/1/c/NP\n")
        expected = {}

        def expected_output(text):
            if text not in expected:
                expected[text] = subprocess.run(
                    [os.path.join(build, "vornik"), "-v0", "-Itags", "-Ochunktags", script, "-"],
                    input=text.encode(), capture_output=True, env=env, check=True).stdout
            return expected[text]

        runs = []
        ok = True
        for run in range(args.runs):
            rate, failures, alive, idle, after, rss0, rss1, stalls = one_run(
                build, env, script, args.clients, expected_output, workdir, args.mix)
            runs.append((rate, failures, idle, after, rss0, rss1))
            print(f"run {run + 1}: {rate:8.0f} connections/s, wrong answers {failures}, "
                  f"server alive {alive}, descriptors {idle} -> {after}, "
                  f"resident memory {rss0} -> {rss1} kB, stalled clients dropped {stalls}")
            ok = ok and failures == 0 and alive and after == idle
        rate, failures, idle, after, rss0, rss1 = (
            statistics.median(column) for column in zip(*runs))
        print(f"median of {args.runs} runs of {args.clients} clients ({args.mix} mix): "
              f"{rate:.0f} connections/s, wrong answers {failures:g}, descriptors {idle:g} -> "
              f"{after:g}, resident memory {rss0:g} -> {rss1:g} kB")
        print("all checks passed" if ok else "CHECKS FAILED")
        return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
