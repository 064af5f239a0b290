"""What Linux can tell about a Wine program: a Windows process under Wine is a Linux process, so its
/proc entry gives real memory, thread and descriptor figures (the Windows-side counters read 0 under
Wine). The wineserver holds every Windows handle of the session's processes: a program that leaks
handles makes the wineserver grow, so its figures are taken too.

    snap = sample(program.pid)          # {"rss_kb": ..., "fds": ..., ...} or None when it is gone
"""

import os
import re
from pathlib import Path

_FIELDS = {"VmRSS": "rss_kb", "VmHWM": "peak_rss_kb", "RssAnon": "anon_kb", "VmSize": "virtual_kb",
           "Threads": "threads"}


def sample(pid):
    """Memory (kB), threads and open descriptors of a process; None when it no longer exists."""
    try:
        status = Path(f"/proc/{pid}/status").read_text()
        fds = len(os.listdir(f"/proc/{pid}/fd"))
    except (FileNotFoundError, ProcessLookupError):
        return None
    figures = {"fds": fds}
    for line in status.splitlines():
        name, _, value = line.partition(":")
        if name in _FIELDS:
            figures[_FIELDS[name]] = int(re.match(r"\s*(\d+)", value).group(1))
    return figures


def wineserver_pid(session):
    """The session's wineserver process (started by WineSession), or None."""
    server = getattr(session, "_server", None)
    return server.pid if server is not None and server.poll() is None else None


def slope_per_hour(points):
    """Least-squares slope of (seconds, value) points, in value per hour; None with fewer than 3."""
    if len(points) < 3:
        return None
    n = len(points)
    mx = sum(p[0] for p in points) / n
    my = sum(p[1] for p in points) / n
    sxx = sum((p[0] - mx) ** 2 for p in points)
    if sxx == 0:
        return None
    sxy = sum((p[0] - mx) * (p[1] - my) for p in points)
    return sxy / sxx * 3600


def own_threads(pid):
    """Threads of the program itself, without Wine's internal thread pool (whose idle threads Wine keeps
    for reuse); None when the process is gone."""
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except FileNotFoundError:
        return None
    count = 0
    for task in tasks:
        try:
            name = Path(f"/proc/{pid}/task/{task}/comm").read_text().strip()
        except FileNotFoundError:
            continue
        if not name.startswith("wine_"):
            count += 1
    return count
