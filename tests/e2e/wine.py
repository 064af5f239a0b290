"""Wine sessions for the end-to-end tests: a private prefix, a private X display, the programs of
build/win64, and probe.exe to read and drive windows.

    from wine import WineSession, WineTestCase     # WineTestCase: one session per test class
    with WineSession() as s:                       # zh_CN.UTF-8; WineSession(lang="en_US.UTF-8")
        s.write_file(r"C:\\Windows\\Kavrin.ini", "[自动校时]\\r\\n".encode("gbk"))
        app = s.start_program()                    # LumvoTimeTest.exe, waits for its window
        d = s.dump()                               # the window and its controls (dict)
        s.click("图形按钮_获取时间")               # a control by its form name, or its id
        s.wait_text("编辑框_服务器时间", r"^\\d{4}-")
        s.screenshot("/tmp/shot.png")
        s.close_program()

One template prefix is made per test run (wineboot takes 10 to 20 s) and copied for every session
(about a second). Sessions end with `wineserver -k` and their Xvfb stopped, also when a test fails or
the run is interrupted.
"""

import atexit
import json
import unittest
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("LUMVO_BUILD_DIR", ROOT / "build" / "win64"))
PROGRAM_TITLE = "Lumvo自动校时v3.5"
TEST_DIR = r"C:\lumvo-test"       # urlrecorder.exe and its urls.log live here in every prefix


def _find_wine():
    for path in ("/usr/lib/wine/wine64", shutil.which("wine64") or ""):
        if path and os.access(path, os.X_OK):
            return path
    return None


WINE = _find_wine()
WINESERVER = next((p for p in ("/usr/lib/wine/wineserver", shutil.which("wineserver") or "")
                   if p and os.access(p, os.X_OK)), None)


def available():
    """Why the bench cannot run here (a text), or None when it can."""
    if not WINE or not WINESERVER:
        return "wine64 is not installed"
    if not shutil.which("Xvfb"):
        return "Xvfb is not installed"
    if not (BUILD / "probe.exe").exists():
        return f"the Windows build is missing ({BUILD})"
    return None


def _control_ids():
    """Form name -> control id, read from the Ctl enum of core/controls.h (1000 + index)."""
    text = (ROOT / "core" / "controls.h").read_text(encoding="utf-8")
    body = re.search(r"enum class Ctl\s*:\s*int\s*\{(.*?)\};", text, re.S).group(1)
    body = re.sub(r"//[^\n]*", "", body)
    base = int(re.search(r"kControlIdBase\s*=\s*(\d+)", text).group(1))
    names = [n.strip() for n in body.split(",") if n.strip()]
    return {name: base + i for i, name in enumerate(names) if name != "kCount"}


CONTROL_IDS = _control_ids()
CONTROL_NAMES = {v: k for k, v in CONTROL_IDS.items()}


def control_id(control):
    """A control's id from its form name ("组合框1") or its id (int or digits)."""
    if isinstance(control, int):
        return control
    if isinstance(control, str) and control in CONTROL_IDS:
        return CONTROL_IDS[control]
    if isinstance(control, str) and re.fullmatch(r"\d+", control):
        return int(control)
    raise KeyError(f"unknown control {control!r}")


class ProbeError(RuntimeError):
    pass


class Result:
    """What a console program left: exit code, stdout and stderr (text, \\r\\n turned into \\n), time."""

    def __init__(self, returncode, stdout, stderr, elapsed):
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr
        self.elapsed = elapsed

    def __repr__(self):
        return f"Result(rc={self.returncode}, stdout={self.stdout!r}, stderr={self.stderr[-500:]!r})"


class Program:
    """A program started in a session. Its stdout and stderr go to files (Wine's helper processes
    inherit pipes and would hold them open)."""

    def __init__(self, popen, out_path, err_path):
        self.popen = popen
        self.out_path = out_path
        self.err_path = err_path

    @property
    def pid(self):
        return self.popen.pid

    def output(self):
        return self.out_path.read_bytes().decode("utf-8", "replace").replace("\r\n", "\n")

    def lines(self):
        return self.output().splitlines()

    def errors(self):
        return self.err_path.read_bytes().decode("utf-8", "replace").replace("\r\n", "\n")

    def wait_line(self, pattern, timeout=10.0):
        """Waits until a line of its stdout matches `pattern` (re.search); returns the match or None."""
        end = time.monotonic() + timeout
        while True:
            for line in self.lines():
                m = re.search(pattern, line)
                if m:
                    return m
            if time.monotonic() >= end:
                return None
            time.sleep(0.05)

    def running(self):
        return self.popen.poll() is None

    def wait(self, timeout=10.0):
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            return None


# ---- the template prefix ---------------------------------------------------------------------------

_template_lock = threading.Lock()
_template_dir = None
_sessions = set()


def _base_env(prefix, display, lang):
    env = {k: v for k, v in os.environ.items() if not k.startswith(("WINE", "LC_"))}
    env.update({
        "WINEPREFIX": str(prefix),
        "WINEDEBUG": "-all",
        "DISPLAY": display,
        "LANG": lang,
        "LC_ALL": lang,
        "TZ": "Asia/Shanghai",
        "WINEDLLOVERRIDES": "winemenubuilder.exe=d;mscoree,mshtml=",
        "WINEARCH": "win64",
    })
    return env


class _Xvfb:
    """An X server on a display number of its own choosing (-displayfd), so runs can overlap."""

    def __init__(self, width=1024, height=768):
        read_fd, write_fd = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", f"{width}x{height}x24", "-nolisten", "tcp",
             "-noreset"],
            pass_fds=(write_fd,), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write_fd)
        data = b""
        deadline = time.monotonic() + 15
        with os.fdopen(read_fd, "rb", buffering=0) as f:
            while not data.endswith(b"\n") and time.monotonic() < deadline:
                chunk = f.read(16)
                if not chunk:
                    break
                data += chunk
        if not data.strip().isdigit():
            self.stop()
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + data.strip().decode()

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


def _run_quiet(args, env, timeout):
    subprocess.run(args, env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=timeout, check=False)


def template_prefix():
    """The run's template prefix, made on first use: a booted prefix with urlrecorder.exe registered
    as the handler of http and https addresses."""
    global _template_dir
    with _template_lock:
        if _template_dir is not None:
            return _template_dir / "prefix"
        reason = available()
        if reason:
            raise RuntimeError(reason)
        top = Path(tempfile.mkdtemp(prefix="lumvo-wine-template-"))
        prefix = top / "prefix"
        xvfb = _Xvfb()
        env = _base_env(prefix, xvfb.display, "zh_CN.UTF-8")
        try:
            _run_quiet([WINE, "wineboot", "-i"], env, 180)
            test_dir = prefix / "drive_c" / "lumvo-test"
            test_dir.mkdir(parents=True, exist_ok=True)
            shutil.copy2(BUILD / "urlrecorder.exe", test_dir / "urlrecorder.exe")
            command = f'"{TEST_DIR}\\urlrecorder.exe" "%1"'
            for scheme in ("http", "https"):
                _run_quiet([WINE, "reg", "add", f"HKLM\\Software\\Classes\\{scheme}\\shell\\open\\command",
                            "/ve", "/d", command, "/f"], env, 60)
            # Xvfb has no window manager: Wine would wait 2 s for one at every window hidden or
            # destroyed. Unmanaged windows skip that wait; nothing else changes on a bare display.
            _run_quiet([WINE, "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v", "Managed", "/d", "N",
                        "/f"], env, 60)
            _run_quiet([WINESERVER, "-w"], env, 60)
        finally:
            _run_quiet([WINESERVER, "-k"], env, 30)
            xvfb.stop()
        if not (prefix / "system.reg").exists():
            shutil.rmtree(top, ignore_errors=True)
            raise RuntimeError("wineboot did not make a prefix")
        _template_dir = top
        return prefix


def _copy_prefix(src, dst):
    # The system DLLs are never written during a session: hard links make the copy almost free.
    system32 = Path("drive_c") / "windows" / "system32"
    shutil.copytree(src, dst, symlinks=True, ignore=lambda d, names: ["system32"] if Path(d) == src / system32.parent else [])
    subprocess.run(["cp", "-al", str(src / system32), str(dst / system32)], check=True)


@atexit.register
def _cleanup_all():
    for s in list(_sessions):
        s.close()
    global _template_dir
    if _template_dir is not None:
        shutil.rmtree(_template_dir, ignore_errors=True)
        _template_dir = None


# ---- a session ------------------------------------------------------------------------------------------

class WineSession:
    """A prefix copied from the template, an X display, a persistent wineserver; programs started in it
    share one Wine session, so probe.exe sees the program's windows."""

    def __init__(self, lang="zh_CN.UTF-8", width=1024, height=768):
        self.lang = lang
        self.dir = Path(tempfile.mkdtemp(prefix="lumvo-wine-session-"))
        self.prefix = self.dir / "prefix"
        self.programs = []
        self._closed = False
        self._xvfb = None
        self._server = None
        _sessions.add(self)
        try:
            _copy_prefix(template_prefix(), self.prefix)
            self._xvfb = _Xvfb(width, height)
            self.display = self._xvfb.display
            self.env = _base_env(self.prefix, self.display, lang)
            # A persistent server keeps each program's start short; its own output goes nowhere.
            self._server = subprocess.Popen([WINESERVER, "-f", "-p"], env=self.env, stdin=subprocess.DEVNULL,
                                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                            start_new_session=True)
            # Start Wine's own services now, with no pipes to inherit.
            _run_quiet([WINE, "cmd", "/c", "exit"], self.env, 60)
        except BaseException:
            self.close()
            raise

    # -- programs --

    def exe(self, name):
        """The Windows path of a program of the build (Z: maps the host's root)."""
        return "Z:" + str(BUILD / name).replace("/", "\\")

    def _output_files(self, name):
        stamp = f"{name}-{time.monotonic_ns()}"
        return self.dir / f"{stamp}.out", self.dir / f"{stamp}.err"

    def spawn(self, name, *args, env=None, cwd=None):
        """Starts build/win64/NAME (or a Windows path) and returns a Program at once."""
        target = name if ("\\" in name or ":" in name) else str(BUILD / name)
        out, err = self._output_files(Path(name).stem)
        with open(out, "wb") as o, open(err, "wb") as e:
            popen = subprocess.Popen([WINE, target, *map(str, args)], env={**self.env, **(env or {})},
                                     stdin=subprocess.DEVNULL, stdout=o, stderr=e, cwd=cwd or self.dir)
        program = Program(popen, out, err)
        self.programs.append(program)
        return program

    def run(self, name, *args, timeout=60.0, env=None):
        """Runs a console program to its end; returns a Result."""
        start = time.monotonic()
        program = self.spawn(name, *args, env=env)
        try:
            code = program.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            program.popen.kill()
            program.popen.wait()
            raise
        finally:
            self.programs.remove(program)
        return Result(code, program.output(), program.errors(), time.monotonic() - start)

    def start_program(self, test_build=True, env=None, wait=True, timeout=60.0):
        """Starts the program (LumvoTimeTest.exe, or LumvoTime.exe with test_build=False) and waits for
        its main window. `env` adds LUMVO_TEST_* values for the test build."""
        program = self.spawn("LumvoTimeTest.exe" if test_build else "LumvoTime.exe", env=env)
        if wait:
            # The window has its title while it is still being created; it is shown (also when parked
            # off-screen) once start-up has finished.
            end = time.monotonic() + timeout
            while not self.probe("find", timeout=max(0.1, end - time.monotonic()))["visible"]:
                if time.monotonic() > end:
                    raise ProbeError("the program's window was not shown in time")
                time.sleep(0.05)
        return program

    def close_program(self, timeout=10.0):
        """Asks the main window to close (WM_CLOSE) and waits for the process; returns the probe's answer."""
        return self.probe("close", timeout=timeout, check=False)

    # -- probe --

    def probe(self, *args, timeout=10.0, settle=None, title=None, class_name=None, check=True, at=None):
        """Runs probe.exe with a command and returns its JSON answer as a dict. A control name in the
        position of a control id is turned into the id. Raises ProbeError when the probe reports an
        error (exit code 1), or any failure when check=True (a wait that ended unmatched: 3).
        `at` (a time.time() value) delivers the command at that moment; the answer's "late_ms" tells
        how far past it the command went out."""
        if len(args) == 1 and isinstance(args[0], (list, tuple)):
            args = tuple(args[0])
        args = [str(a) for a in args]
        if len(args) >= 2 and args[0] in ("click", "rclick", "settext", "type", "combo-set", "focus", "key",
                                          "wait-text", "watch-text"):
            try:
                args[1] = str(control_id(args[1]))
            except KeyError:
                pass  # x,y or a plain number
        options = ["--timeout", str(int(timeout * 1000))]
        if settle is not None:
            options += ["--settle", str(int(settle * 1000))]
        if title is not None:
            options += ["--title", title]
        if class_name is not None:
            options += ["--class", class_name]
        if at is not None:
            options += ["--at", str(int(at * 1000))]
        wait_ms = 0
        if args and args[0] == "wait-text" and len(args) >= 4:
            wait_ms = int(args[3])
        if args and args[0] == "watch-text" and len(args) >= 3:
            wait_ms = int(args[2])
        if at is not None:
            wait_ms += max(0, int((at - time.time()) * 1000))
        result = self.run("probe.exe", *options, *args, timeout=timeout + wait_ms / 1000 + 30)
        try:
            answer = json.loads(result.stdout)
        except json.JSONDecodeError:
            raise ProbeError(f"probe {args}: no answer: {result!r}")
        answer["_rc"] = result.returncode
        if result.returncode == 1 or (check and result.returncode != 0):
            raise ProbeError(f"probe {args}: {answer}")
        return answer

    def dump(self, **kw):
        """The window and its controls; d["named"] maps the form names of the controls present to them."""
        d = self.probe("dump", **kw)
        d["named"] = {CONTROL_NAMES[c["id"]]: c for c in d["controls"]
                      if c["id"] in CONTROL_NAMES and not c.get("inner")}
        return d

    def click(self, control, **kw):
        return self.probe("click", control, **kw)

    def rclick(self, control, **kw):
        return self.probe("rclick", control, **kw)

    def settext(self, control, text, **kw):
        return self.probe("settext", control, text, **kw)

    def wait_text(self, control, regex, timeout=10.0, **kw):
        """Waits until the control's text matches; returns the text, or None when it never did."""
        answer = self.probe("wait-text", control, regex, int(timeout * 1000), check=False, **kw)
        return answer["text"] if answer.get("matched") else None

    def watch_text(self, control, seconds, **kw):
        """Every text the control held during `seconds` (or until the window went), in order, with the
        seconds at which each was first seen: ([text...], [s...], seconds when the window went or None)."""
        answer = self.probe("watch-text", control, int(seconds * 1000), **kw)
        gone = answer.get("window_gone_ms")
        return answer["texts"], [ms / 1000 for ms in answer["ms"]], None if gone is None else gone / 1000

    # -- files in the prefix --

    def host_path(self, windows_path):
        """The host path of a Windows path on C: (or Z:), matching existing names without regard to case."""
        drive, _, rest = windows_path.replace("/", "\\").partition(":")
        if drive.lower() == "z":
            return Path("/" + rest.lstrip("\\").replace("\\", "/"))
        if drive.lower() != "c":
            raise ValueError(f"not a C: path: {windows_path}")
        path = self.prefix / "drive_c"
        for part in [p for p in rest.split("\\") if p]:
            match = None
            if path.is_dir():
                match = next((c for c in path.iterdir() if c.name.lower() == part.lower()), None)
            path = match if match is not None else path / part
        return path

    def read_file(self, windows_path):
        """The file's bytes, or None when it does not exist."""
        p = self.host_path(windows_path)
        return p.read_bytes() if p.exists() else None

    def write_file(self, windows_path, data):
        p = self.host_path(windows_path)
        p.parent.mkdir(parents=True, exist_ok=True)
        p.write_bytes(data if isinstance(data, bytes) else data.encode("gbk"))

    def remove_file(self, windows_path):
        p = self.host_path(windows_path)
        if p.exists():
            p.unlink()

    def opened_urls(self):
        """The addresses handed to the shell's "open" since the session began (see urlrecorder.exe)."""
        data = self.read_file(TEST_DIR + r"\urls.log")
        return data.decode("utf-8", "replace").splitlines() if data else []

    def wait_urls(self, count, timeout=10.0):
        end = time.monotonic() + timeout
        while len(self.opened_urls()) < count and time.monotonic() < end:
            time.sleep(0.05)
        return self.opened_urls()

    # -- screen --

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root", str(path)], check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, timeout=30)
        return Path(path)

    def screenshot_command(self):
        return f"import -display {self.display} -window root shot.png"

    # -- the end --

    def close(self):
        if self._closed:
            return
        self._closed = True
        _sessions.discard(self)
        env = getattr(self, "env", None)
        if env is not None:
            try:
                _run_quiet([WINESERVER, "-k"], env, 30)
            except subprocess.TimeoutExpired:
                pass
        for program in self.programs:
            if program.popen.poll() is None:
                program.popen.kill()
            try:
                program.popen.wait(5)
            except subprocess.TimeoutExpired:
                pass
        if self._server is not None:
            try:
                self._server.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(self._server.pid, signal.SIGKILL)
                self._server.wait()
        if self._xvfb is not None:
            self._xvfb.stop()
        shutil.rmtree(self.dir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class WineTestCase(unittest.TestCase):
    """A test class whose tests share one Wine session (self.session), made in setUpClass and closed
    after the last test, failed or not. Skips the class when Wine or the Windows build is missing.
    Set LANG in a subclass for another locale."""
    LANG = "zh_CN.UTF-8"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        reason = available()
        if reason:
            raise unittest.SkipTest(reason)
        cls.session = WineSession(lang=cls.LANG)
        cls.addClassCleanup(cls.session.close)
