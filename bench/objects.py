#!/usr/bin/env python3
"""What the running program holds, before and after a long run of its one-second tick, under Wine.

    python3 bench/objects.py                 600 ticks (about ten minutes)
    python3 bench/objects.py --ticks 120     a shorter run
    python3 bench/objects.py --interval 0    no interval synchronisation during the run

It starts LumvoTimeTest.exe in a fresh Wine session with a loopback time server as its server and, by
default, the interval synchronisation on (a fetch, a clock setting and a balloon tip every few
seconds), lets it tick, and prints a row of figures at the start, now and then, and at the end:

    ticks      WM_TIMER events of 时钟1 the program has handled (elapsed seconds when it cannot say)
    gdi        live GDI objects of the process, stock objects included (Wine's per-process GDI table)
    owned      handles held by the program's own owners (platform/gdi_win.h), all kinds together,
               and the kinds that changed between the first and the last row
    windows    windows of the process, message-only ones included
    handles    kernel handles of the process (NtQuerySystemInformation)
    fds        open file descriptors of the Linux process that runs the .exe
    rss, anon  VmRSS and RssAnon of that process, KiB

It prints figures only; it never fails on them. A leak shows as a column that keeps growing.
"""

import argparse
import os
import re
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import wine  # noqa: E402
from timeserver import Answer, TimeServer  # noqa: E402

REPORT = r"C:\lumvo-test\objects.txt"
REPORT_MESSAGE = "LumvoTestObjectReport"
SECOND_TIMER = 1  # the id of 时钟1


def linux_pid_of(program, exe_name, prefix):
    """The Linux process that runs the .exe: the launcher turns into it, so normally the launcher's own
    pid; otherwise a process of this prefix whose command line names the .exe."""
    candidates = [program.pid] + [int(e) for e in os.listdir("/proc") if e.isdigit() and int(e) != program.pid]
    for pid in candidates:
        try:
            cmdline = Path(f"/proc/{pid}/cmdline").read_bytes()
            environ = Path(f"/proc/{pid}/environ").read_bytes()
        except OSError:
            continue
        if exe_name.lower().encode() in cmdline.lower() and f"WINEPREFIX={prefix}".encode() in environ:
            return pid
    return None


def proc_figures(pid):
    out = {"fds": None, "rss": None, "anon": None}
    if pid is None:
        return out
    try:
        status = Path(f"/proc/{pid}/status").read_text()
        out["rss"] = int(re.search(r"^VmRSS:\s+(\d+)", status, re.M).group(1))
        m = re.search(r"^RssAnon:\s+(\d+)", status, re.M)
        out["anon"] = int(m.group(1)) if m else None
        out["fds"] = len(os.listdir(f"/proc/{pid}/fd"))
    except (OSError, AttributeError):
        pass
    return out


def program_report(session, timeout=10.0):
    """The program's own figures (test build): WM_TIMER counts by timer id and its owners' live handles
    by kind. None when it did not answer."""
    session.remove_file(REPORT)
    try:
        session.probe("notify", REPORT_MESSAGE, timeout=timeout)
    except wine.ProbeError:
        return None
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        data = session.read_file(REPORT)
        if data and data.endswith(b"end\n"):
            timers, owned = {}, {}
            for line in data.decode("ascii", "replace").splitlines():
                parts = line.split()
                if len(parts) == 3 and parts[0] == "timer":
                    timers[int(parts[1])] = int(parts[2])
                elif len(parts) == 3 and parts[0] == "owned":
                    owned[parts[1]] = int(parts[2])
            return {"timers": timers, "owned": owned}
        time.sleep(0.1)
    return None


class Sampler:
    def __init__(self, session, program, started):
        self.session = session
        self.started = started
        self.linux_pid = linux_pid_of(program, "LumvoTimeTest.exe", session.prefix)

    def take(self):
        report = program_report(self.session)
        objects = self.session.probe("objects", check=False)
        row = {"elapsed": time.monotonic() - self.started, "report": report}
        row["ticks"] = report["timers"].get(SECOND_TIMER, 0) if report else None
        row["gdi"] = objects.get("gdi")
        row["gdi_kinds"] = objects.get("gdi_kinds") or {}
        row["windows"] = objects.get("windows")
        row["handles"] = objects.get("handles")
        row["owned"] = report["owned"] if report else None
        row.update(proc_figures(self.linux_pid))
        return row


COLUMNS = ["ticks", "elapsed", "gdi", "owned", "windows", "handles", "fds", "rss", "anon"]


def cell(row, name):
    if name == "elapsed":
        return f"{row['elapsed']:.0f}s"
    if name == "ticks" and row["ticks"] is None:
        return f"~{row['elapsed']:.0f}"
    if name == "owned":
        return "-" if row["owned"] is None else str(sum(row["owned"].values()))
    value = row.get(name)
    return "-" if value is None else str(value)


def print_row(label, row):
    print(f"{label:7}" + "".join(f"{cell(row, c):>10}" for c in COLUMNS), flush=True)


def changed(first, last):
    """The kinds whose counts differ between two rows, as text."""
    notes = []
    kinds = sorted(set(first["gdi_kinds"]) | set(last["gdi_kinds"]))
    for k in kinds:
        a, b = first["gdi_kinds"].get(k, 0), last["gdi_kinds"].get(k, 0)
        if a != b:
            notes.append(f"gdi {k} {a} -> {b}")
    if first["owned"] is not None and last["owned"] is not None:
        for k in sorted(set(first["owned"]) | set(last["owned"])):
            a, b = first["owned"].get(k, 0), last["owned"].get(k, 0)
            if a != b:
                notes.append(f"owned {k} {a} -> {b}")
    return notes


def settings_file(server_url, interval):
    lines = ["[自动校时]", "是否自动=否", "自动退出=否", "隐藏=否"]
    if interval > 0:
        lines += ["是否间隔=是", f"间隔秒={interval}"]
    else:
        lines += ["是否间隔=否"]
    lines += ["[lx]", f"fuwuqi={server_url}"]
    return ("\r\n".join(lines) + "\r\n").encode("gbk")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ticks", type=int, default=600, help="ticks of 时钟1 to run (default 600)")
    parser.add_argument("--every", type=int, default=100, help="a row of figures every this many ticks")
    parser.add_argument("--interval", type=int, default=10,
                        help="seconds of the interval synchronisation during the run; 0 turns it off")
    parser.add_argument("--warm-up", type=int, default=None,
                        help="ticks before the first row: start-up and the first fetch have made what they "
                             "keep (default: the interval plus 5, or 5)")
    args = parser.parse_args()
    if args.warm_up is None:
        args.warm_up = args.interval + 5 if args.interval > 0 else 5
    args.ticks = max(args.ticks, args.warm_up + 1)

    reason = wine.available()
    if reason:
        print(f"cannot run: {reason}")
        return 0

    lifetime = args.ticks * 3 + 300  # the server must outlive a slow run
    with wine.WineSession() as session, TimeServer(lifetime=lifetime) as server:
        server.answer(Answer(next_second=True))
        session.write_file(r"C:\Windows\Kavrin.ini", settings_file(server.url, args.interval))
        program = session.start_program(env={"LUMVO_TEST_OBJECT_REPORT": REPORT})
        started = time.monotonic()
        sampler = Sampler(session, program, started)
        print(f"LumvoTimeTest.exe: Linux pid {sampler.linux_pid}, {args.ticks} ticks, "
              f"interval {args.interval or 'off'}, server {server.url}")
        print(f"{'':7}" + "".join(f"{c:>10}" for c in COLUMNS), flush=True)

        def wait_ticks(target):
            # One second per tick on an idle machine; a loaded one merges timer events, so wait on the
            # program's own count, with a bound in case it cannot give one.
            deadline = started + target * 3 + 60
            while time.monotonic() < deadline:
                row = sampler.take()
                ticks = row["ticks"] if row["ticks"] is not None else row["elapsed"]
                if ticks >= target:
                    return row
                time.sleep(min(5.0, max(0.5, target - ticks)))
            return sampler.take()

        first = wait_ticks(args.warm_up)
        print_row("before", first)
        rows = [first]
        target = args.warm_up
        while True:
            target = min(args.ticks, (target // args.every + 1) * args.every)
            row = wait_ticks(target)
            rows.append(row)
            if target >= args.ticks or not program.running():
                print_row("after", row)
                break
            print_row("", row)

        last = rows[-1]
        notes = changed(first, last)
        print("changed: " + ("; ".join(notes) if notes else "nothing"))
        print(f"time requests served: {len(server.requests)}")
        if not program.running():
            print("the program ended during the run")
        session.close_program()
    return 0


if __name__ == "__main__":
    sys.exit(main())
