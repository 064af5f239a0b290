#!/usr/bin/env python3
"""Measures the program and prints the figures; writes them with the machine's description to
BENCHMARKS.md. Nothing here passes or fails: a figure is printed, never asserted.

    python3 bench/measure.py [--rounds N] [--soak-minutes M] [--only size,start,fetch,failover,soak,objects]

bench/run builds what is needed and calls this. htpdate, when found (LUMVO_HTPDATE or on PATH), runs
only in its query mode, as the unprivileged user nobody and without the capability to set the clock.
"""

import argparse
import datetime
import json
import os
import platform
import random
import re
import shutil
import statistics
import subprocess
import sys
import time
from pathlib import Path

HERE = Path(__file__).resolve().parent
ROOT = HERE.parent
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
sys.path.insert(0, str(HERE))

import procinfo  # noqa: E402
import wine  # noqa: E402
from httpclock import HttpClock, SilentServer  # noqa: E402
from timeserver import RefusedPort  # noqa: E402

WIN32 = ROOT / "build" / "win32"
WIN64 = ROOT / "build" / "win64"
SERVER_OFFSET = 2.3          # seconds the loopback server's clock runs ahead of this machine's
BEIJING = 8 * 3600


# ---- small helpers ------------------------------------------------------------------------------------

def run_text(args, timeout=30):
    try:
        return subprocess.run(args, capture_output=True, text=True, timeout=timeout).stdout.strip()
    except (OSError, subprocess.TimeoutExpired):
        return ""


def first_line(text):
    return text.splitlines()[0] if text else "unknown"


def stats(values, unit="", digits=1):
    """'median X (min A, max B, n N)' of a list of numbers."""
    values = [v for v in values if v is not None]
    if not values:
        return "n/a"
    f = f"{{:.{digits}f}}"
    return (f"median {f.format(statistics.median(values))}{unit} (min {f.format(min(values))}, "
            f"max {f.format(max(values))}, n {len(values)})")


def median(values):
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def ratio(a, b):
    return f"{a / b:.2f}" if a is not None and b else "n/a"


class Report:
    """Sections of Markdown, echoed to stdout as they come."""

    def __init__(self):
        self.parts = []

    def section(self, title):
        self.add(f"\n## {title}\n")

    def add(self, text=""):
        print(text, flush=True)
        self.parts.append(text)

    def table(self, header, rows):
        self.add("| " + " | ".join(header) + " |")
        self.add("|" + "---|" * len(header))
        for row in rows:
            self.add("| " + " | ".join(str(c) for c in row) + " |")

    def text(self):
        return "\n".join(self.parts) + "\n"


# ---- the machine --------------------------------------------------------------------------------------

def machine(report):
    cpu = next((l.split(":", 1)[1].strip() for l in Path("/proc/cpuinfo").read_text().splitlines()
                if l.startswith("model name")), platform.processor() or "unknown")
    mem_kb = int(re.search(r"MemTotal:\s+(\d+)", Path("/proc/meminfo").read_text()).group(1))
    os_name = re.search(r'PRETTY_NAME="([^"]*)"', Path("/etc/os-release").read_text())
    report.section("Machine")
    report.table(["item", "value"], [
        ("date", datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC")),
        ("cores (nproc)", run_text(["nproc"])),
        ("CPU", cpu),
        ("memory", f"{mem_kb / 1024 / 1024:.1f} GiB"),
        ("OS", f"{os_name.group(1) if os_name else 'unknown'}, kernel {platform.release()}"),
        ("Wine", run_text([wine.WINE, "--version"]) if wine.WINE else "missing"),
        ("MinGW-w64 (x86_64)", first_line(run_text(["x86_64-w64-mingw32-g++-posix", "--version"]))),
        ("MinGW-w64 (i686)", first_line(run_text(["i686-w64-mingw32-g++-posix", "--version"]))),
        ("load average at start", " ".join(Path("/proc/loadavg").read_text().split()[:3])),
    ])
    report.add("\nThe machine is shared with other work; times are medians of interleaved rounds so that a "
               "busy moment weighs on every contender alike.")


# ---- size -----------------------------------------------------------------------------------------------

def imported_dlls(exe, objdump):
    out = run_text([objdump, "-p", str(exe)])
    return sorted({m.group(1) for m in re.finditer(r"DLL Name:\s*(\S+)", out)}, key=str.lower)


def sections_of(exe, objdump):
    """(name, size in bytes) of each section of a PE file, largest first."""
    out = run_text([objdump, "-h", str(exe)])
    found = [(m.group(1), int(m.group(2), 16)) for m in re.finditer(r"^\s*\d+\s+(\.\S+)\s+([0-9a-f]+)", out, re.M)]
    return sorted(found, key=lambda item: -item[1])


def size(report):
    report.section("Size")
    rows = []
    for build, objdump, label in ((WIN32, "i686-w64-mingw32-objdump", "32-bit"),
                                  (WIN64, "x86_64-w64-mingw32-objdump", "64-bit")):
        for name in ("LumvoTime.exe", "minimal_window.exe"):
            exe = build / name
            if not exe.exists():
                rows.append((label, name, "not built", ""))
                continue
            dlls = imported_dlls(exe, objdump)
            rows.append((label, name, f"{exe.stat().st_size:,} bytes ({exe.stat().st_size / 1024:.1f} KiB)",
                         f"{len(dlls)}: " + ", ".join(dlls)))
    report.table(["build", "program", "file size", "imported DLLs"], rows)
    section_rows = []
    for build, objdump, label in ((WIN32, "i686-w64-mingw32-objdump", "32-bit"),
                                  (WIN64, "x86_64-w64-mingw32-objdump", "64-bit")):
        exe = build / "LumvoTime.exe"
        if exe.exists():
            sections = sections_of(exe, objdump)
            section_rows.append((label, ", ".join(f"{name} {size / 1024:.0f} KiB" for name, size in sections
                                                  if size >= 1024 and name != ".bss")))
    if section_rows:
        report.add("\nWhere LumvoTime.exe's bytes go (sections of 1 KiB or more; .rsrc holds the pictures as "
                   "plain bitmaps, .text the program with the statically linked C++ run-time):\n")
        report.table(["build", "sections"], section_rows)
    report.add("\nminimal_window.exe is an empty window built with the same compiler, options and static "
               "link: the floor any program of this build pays.")


# ---- start-up ------------------------------------------------------------------------------------------

def start_up(report, session, rounds):
    report.section("Start to window shown")
    contenders = (("minimal_window.exe", "minimal window"), ("LumvoTime.exe", wine.PROGRAM_TITLE))
    shown = {name: [] for name, _ in contenders}
    closed = {name: [] for name, _ in contenders}
    wall = {name: [] for name, _ in contenders}
    for i in range(rounds + 2):                      # two warm-up rounds, not counted
        for name, title in contenders:
            start = time.monotonic()
            result = session.run("window_waiter.exe", title, session.exe(name), timeout=60)
            took = (time.monotonic() - start) * 1000
            m = re.search(r"shown (-?[\d.]+) closed (-?[\d.]+)", result.stdout)
            if i < 2 or not m or float(m.group(1)) < 0:
                continue
            shown[name].append(float(m.group(1)))
            closed[name].append(float(m.group(2)) if float(m.group(2)) >= 0 else None)
            wall[name].append(took)
    rows = [(name, stats(shown[name], " ms"), stats(closed[name], " ms"), stats(wall[name], " ms", 0))
            for name, _ in contenders]
    report.table(["program", "spawn to visible window", "WM_CLOSE to process end", "whole run (host)"], rows)
    a, b = median(shown["LumvoTime.exe"]), median(shown["minimal_window.exe"])
    report.add(f"\nLumvoTime.exe / minimal window, median start: **{ratio(a, b)}** "
               f"({rounds} interleaved rounds after two warm-up rounds, one Wine session).")
    report.add("Measured by window_waiter.exe inside the session: CreateProcess, then a poll once a "
               "millisecond for a visible top-level window of that process with the program's title; the "
               "same waiter measures both programs.")
    memory_after_start(report, session)
    return {"start_ratio": ratio(a, b), "start_ms": a, "minimal_ms": b}


def memory_after_start(report, session):
    """Resident and private memory of each program five seconds after its window showed."""
    rows = []
    session.write_file(r"C:\Windows\Kavrin.ini", "[自动校时]\r\n".encode("gbk"))
    for name, title in (("minimal_window.exe", "minimal window"), ("LumvoTime.exe", wine.PROGRAM_TITLE)):
        program = session.spawn(name)
        try:
            session.probe("find", title=title, timeout=30)
            time.sleep(5)
            snap = procinfo.sample(program.pid) or {}
            rows.append((name, snap.get("rss_kb", "n/a"), snap.get("anon_kb", "n/a"), snap.get("threads", "n/a")))
        finally:
            session.probe("close", title=title, check=False)
            if program.wait(10) is None:
                program.popen.kill()
    report.add("")
    report.table(["program, 5 s after start", "resident (kB)", "anonymous (kB)", "threads"], rows)
    report.add("\nResident memory of a Wine process includes Wine's own libraries, shared with every other "
               "program of the session; the anonymous part is closer to what the program itself allocates.")


# ---- one fetch ----------------------------------------------------------------------------------------

def find_htpdate():
    for path in (os.environ.get("LUMVO_HTPDATE", ""), shutil.which("htpdate") or "", "/usr/sbin/htpdate",
                 str(ROOT / "build" / "bench-tools" / "htpdate" / "usr" / "sbin" / "htpdate")):
        if path and os.access(path, os.X_OK):
            return path
    return None


def htpdate_command(htpdate, host_port):
    # Query mode only (-q: show the offset, never change the time), as the user nobody, with the right
    # to set the clock removed from the bounding set: even a mistaken flag could not touch the clock.
    return ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--inh-caps=-all",
            "--bounding-set=-sys_time", "--no-new-privs", htpdate, "-q", "-d", "-4", host_port]


def held_epoch(text):
    """The Unix time of a held standard time 'YYYY-MM-DD  HH:MM:SS' (Beijing time)."""
    t = datetime.datetime.strptime(text, "%Y-%m-%d  %H:%M:%S").replace(tzinfo=datetime.timezone.utc)
    return t.timestamp() - BEIJING


QUERY_LINE = re.compile(r"(ok|fail) (\d{4}-\d\d-\d\d  \d\d:\d\d:\d\d) \((\d+) ms\)")


def one_fetch(report, session, rounds):
    report.section("One fetch against a loopback server")
    htpdate = find_htpdate()
    wall = {"query.exe": [], "curl -sI": [], "htpdate -q": []}
    request_ms = {"query.exe": [], "curl -sI": [], "htpdate -q": []}
    errors = {"query.exe": [], "htpdate -q": []}
    htp_requests = []
    with HttpClock(offset=SERVER_OFFSET, lifetime=600) as clock:
        url = clock.url
        for i in range(rounds + 1):
            count = i > 0                               # the first round warms up
            # Rounds start at random points of the second, so the truncation of the Date to whole
            # seconds shows its whole spread instead of one phase.
            time.sleep(random.random())
            clock.clear()
            start = time.monotonic()
            result = session.run("query.exe", url, timeout=60)
            took = time.monotonic() - start
            m = QUERY_LINE.search(result.stdout)
            if count and m and m.group(1) == "ok":
                wall["query.exe"].append(took * 1000)
                request_ms["query.exe"].append(int(m.group(3)))
                errors["query.exe"].append(held_epoch(m.group(2)) - clock.sent[0][2])

            start = time.monotonic()
            out = run_text(["curl", "-sI", "-o", "/dev/null", "-w", "%{time_total}", url + "/123.123"])
            took = time.monotonic() - start
            if count and out:
                wall["curl -sI"].append(took * 1000)
                request_ms["curl -sI"].append(float(out) * 1000)

            if htpdate:
                clock.clear()
                start = time.monotonic()
                r = subprocess.run(htpdate_command(htpdate, f"127.0.0.1:{clock.port}/123.123"),
                                   capture_output=True, text=True, timeout=60)
                took = time.monotonic() - start
                off = re.search(r"Offset\s+(-?[\d.]+)\s+seconds", r.stdout)
                rtts = [int(x) for x in re.findall(r"\((\d+) ms\)", r.stdout)]
                if count and off:
                    wall["htpdate -q"].append(took * 1000)
                    request_ms["htpdate -q"].extend(rtts)
                    errors["htpdate -q"].append(float(off.group(1)) - SERVER_OFFSET)
                    htp_requests.append(len(clock.sent))

        # Many requests in one process: the request itself, without the process's start.
        many = 20
        clock.clear()
        result = session.run("query.exe", *[url] * many, timeout=120)
        in_process = [int(m.group(3)) for m in QUERY_LINE.finditer(result.stdout) if m.group(1) == "ok"]
        targets = [arg for _ in range(many) for arg in ("-o", "/dev/null", url + "/123.123")]
        out = run_text(["curl", "-sI", "-H", "Connection: close", "-w", "%{time_total}\n", *targets])
        curl_many = [float(x) * 1000 for x in out.split()]

    rows = [(tool, stats(wall[tool], " ms", 0), stats(request_ms[tool], " ms")) for tool in wall if wall[tool]]
    report.table(["client", "whole process (host clock)", "request as the client reports it"], rows)
    q, c, h = median(wall["query.exe"]), median(wall["curl -sI"]), median(wall["htpdate -q"])
    report.add(f"\nWhole process: query.exe / curl = **{ratio(q, c)}**" +
               (f", query.exe / htpdate = **{ratio(q, h)}**" if h else ", htpdate not available") + ".")
    report.add(f"{many} requests in one process (new connection each): query.exe {stats(in_process, ' ms')}; "
               f"curl {stats(curl_many, ' ms')}.")
    if htp_requests:
        report.add(f"htpdate makes {stats(htp_requests, '', 0)} requests per run and sleeps between them on "
                   "purpose to find the server's second boundary, so its whole-process time is mostly those "
                   "naps, not network time.")
    report.add(f"\nError of the resulting time against the server's clock (the server's clock runs "
               f"{SERVER_OFFSET} s ahead of this machine's):")
    report.table(["client", "error (s)", "how"], [
        ("query.exe", stats(errors["query.exe"], " s", 3),
         "held standard time minus the server's clock at the moment it wrote the Date"),
        ("htpdate -q", stats(errors["htpdate -q"], " s", 3), "reported offset minus the true offset"),
    ])
    report.add("\nThe program keeps whole seconds: the Date header is truncated to the second by the server and "
               "the program adds only the whole seconds of the round trip, so its time lies up to one second "
               "behind the server's (half a second on average) by design; htpdate bisects the second boundary "
               "over several requests.")


# ---- fail-over ----------------------------------------------------------------------------------------

def fail_over(report, session, hold_s=20):
    report.section("Fail-over across eight servers")
    rows = []
    refused = [RefusedPort() for _ in range(8)]
    try:
        start = time.monotonic()
        result = session.run("query.exe", *[p.url for p in refused], timeout=120)
        took = time.monotonic() - start
        attempts = [int(m.group(3)) for m in QUERY_LINE.finditer(result.stdout)]
        rows.append(("8 refused (query.exe)", stats(attempts, " ms", 0), f"{took:.2f} s"))
    finally:
        for p in refused:
            p.close()
    silent = [SilentServer(hold=hold_s) for _ in range(8)]
    try:
        start = time.monotonic()
        result = session.run("query.exe", *[s.url for s in silent], timeout=8 * hold_s + 120)
        took = time.monotonic() - start
        attempts = [int(m.group(3)) for m in QUERY_LINE.finditer(result.stdout)]
        rows.append((f"8 never answering (query.exe; each drops the connection after {hold_s} s)",
                     stats(attempts, " ms", 0), f"{took:.2f} s"))
    finally:
        for s in silent:
            s.close()
    rows.extend(program_fail_over(session, hold_s))
    report.table(["servers", "per attempt", "whole fetch"], rows)
    report.add("\nquery.exe asks the servers in turn with the program's query and the real WinHTTP object; "
               "the program's own rows time a click on the get-time button until the field shows "
               "\"时间服务器连接失败......\" (two probe runs of about 0.2 s each are included).")
    report.add("The receive time-out is 5 s: an attempt at a silent server should end then, not when the "
               "server drops the connection (after 20 s here).")


def program_fail_over(session, hold_s):
    """The real program's fetch over a list of eight dead servers, from the click to the failure text."""
    rows = []
    session.write_file(r"C:\Windows\Kavrin.ini", "[自动校时]\r\n".encode("gbk"))
    program = session.start_program(test_build=False)
    try:
        if "组合框1" not in session.dump()["named"]:
            return [("the program", "its window has no server list yet", "")]
        for label, make in (("8 refused", lambda: RefusedPort()), ("8 never answering",
                                                                    lambda: SilentServer(hold=hold_s))):
            peers = [make() for _ in range(8)]
            try:
                urls = [p.url for p in peers]
                session.probe("combo-set", "组合框1", *urls)
                session.settext("组合框1", urls[0])
                start = time.monotonic()
                session.click("图形按钮_获取时间", settle=0.1, check=False)
                text = session.wait_text("编辑框_服务器时间", "时间服务器连接失败", timeout=8 * hold_s + 60)
                took = time.monotonic() - start
                rows.append((f"{label} (the program: nine attempts)", "",
                             f"{took:.2f} s" if text else f"no failure text after {took:.0f} s"))
            finally:
                for p in peers:
                    p.close()
    finally:
        session.close_program()
        if program.running():
            program.popen.kill()
    return rows


# ---- soak and objects ----------------------------------------------------------------------------------

def soak(report, minutes):
    report.section(f"Soak: {minutes} minutes of interval synchronisation every second")
    out = ROOT / "build" / "soak.json"
    subprocess.run([sys.executable, str(HERE / "soak"), "--minutes", str(minutes), "--json", str(out)],
                   check=False, timeout=minutes * 60 + 900)
    if not out.exists():
        report.add("The soak did not finish.")
        return
    data = json.loads(out.read_text())
    report.add(data["markdown"])


def objects(report):
    script = HERE / "objects.py"
    if not script.exists():
        return
    report.section("GDI / USER objects and memory over the ticks (bench/objects.py)")
    r = subprocess.run([sys.executable, str(script)], capture_output=True, text=True, timeout=3600)
    report.add("```\n" + r.stdout.strip() + "\n```")
    if r.returncode != 0:
        report.add(f"\nbench/objects.py ended with exit code {r.returncode}:\n\n```\n{r.stderr.strip()[-1500:]}\n```")


# ---- main -------------------------------------------------------------------------------------------------

def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=15)
    parser.add_argument("--soak-minutes", type=float, default=30)
    parser.add_argument("--only", default="size,start,fetch,failover,soak,objects")
    parser.add_argument("--out", default=str(ROOT / "BENCHMARKS.md"))
    args = parser.parse_args(argv)
    only = set(args.only.split(","))

    report = Report()
    report.add("# Benchmarks\n")
    report.add("Figures printed by `bench/run` (nothing here is a pass or fail). Each section says how it was "
               "measured.")
    machine(report)
    if "size" in only:
        size(report)
    reason = wine.available()
    if reason:
        report.add(f"\nWine benchmarks skipped: {reason}")
    else:
        with wine.WineSession() as session:
            if "start" in only:
                start_up(report, session, args.rounds)
            if "fetch" in only:
                one_fetch(report, session, args.rounds)
            if "failover" in only:
                fail_over(report, session)
        if "soak" in only and args.soak_minutes > 0:
            soak(report, args.soak_minutes)
        if "objects" in only:
            objects(report)
    report.add(f"\nLoad average at the end: {' '.join(Path('/proc/loadavg').read_text().split()[:3])}")
    Path(args.out).write_text(report.text(), encoding="utf-8")
    print(f"\nwritten: {args.out}")


if __name__ == "__main__":
    main(sys.argv[1:])
