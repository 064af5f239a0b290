"""What a start of the real program under Wine brings back: the options from C:\\Windows\\Kavrin.ini
(prepared byte for byte, garbage and unreadable ones too), and the log-on option, which is the shortcut
"Lumvo自动校时.lnk" in the prefix's Startup folder."""

import os
import random
import re
import shutil
import time

import wine
from inifile import SETTINGS, ini_bytes, settings
from lnkfile import HAS_ICON_LOCATION, parse_lnk
from optionform import close, launch, read_form
from timeserver import RefusedPort

GET_TIME = wine.CONTROL_IDS["图形按钮_获取时间"]
TRY_NEXT = "选择框_自动尝试下一服务器"   # on in the form, never saved
LINK_NAME = "Lumvo自动校时.lnk"
SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders"
REG = r"C:\windows\system32\reg.exe"


def startup_folder(session):
    result = session.run(REG, "query", SHELL_FOLDERS, "/v", "Startup")
    m = re.search(r"Startup\s+REG_\w+\s+(.+?)\s*$", result.stdout, re.M)
    return m.group(1) if m else None


class StartTestCase(wine.WineTestCase):
    def launch(self, exe=None):
        """Starts the test build (or the program at the Windows path `exe`), waits for its window and
        closes it after the test."""
        program = launch(self.session, exe)
        self.addCleanup(close, self.session, program)
        return program


class RestoreTest(StartTestCase):
    def test_first_start_without_a_settings_file(self):
        s = self.session
        s.remove_file(SETTINGS)
        program = self.launch()
        form = read_form(s)
        self.assertEqual(form.on(), [TRY_NEXT])
        self.assertEqual((form.field("编辑框_间隔秒"), form.field("编辑框_延迟秒")), (("5", True), ("60", True)))
        self.assertTrue(form.servers, "the server list is empty")
        self.assertEqual(form.server, form.servers[0])
        self.assertFalse(form.calibrate_enabled)
        self.assertFalse(form.parked)
        self.assertEqual(form.focus, GET_TIME)
        # Nothing is written at start, nor at the end.
        close(self.session, program)
        self.assertIsNone(s.read_file(SETTINGS))

    def test_saved_options_come_back(self):
        s = self.session
        refused = RefusedPort()   # where a fetch started by a restored countdown goes
        self.addCleanup(refused.close)
        url = refused.url
        rng = random.Random(7)
        garbage = bytes(rng.choice([b for b in range(256) if b not in b"[]=\r\n"]) for _ in range(3000))
        garbage = garbage[:1000] + b"\r\n\x81\x30=\xff\r\n\x00\x00" + garbage[1000:]

        # (case, the file, checked boxes, interval field (regex, enabled), delay field (regex, enabled),
        #  the field whose countdown runs from the start, or None)
        cases = [
            ("interval without seconds", settings(("是否间隔", "是"), server=url),
             [TRY_NEXT, "选择框_间隔校时"], (r"^(20|1\d)$", False), (r"^60$", True), "编辑框_间隔秒"),
            # Written by hand: the interval wins and the other two stay off for this run.
            ("interval wins", settings(("是否间隔", "是"), ("间隔秒", "9"), ("是否自动", "是"), ("秒", "45"),
                                       ("自动退出", "是"), server=url),
             [TRY_NEXT, "选择框_间隔校时"], (r"^[1-9]$", False), (r"^60$", True), "编辑框_间隔秒"),
            ("delay and exit", settings(("是否自动", "是"), ("秒", "45"), ("自动退出", "是"), server=url),
             [TRY_NEXT, "选择框_自动校准", "选择框_自动退出"], (r"^5$", True), (r"^(4\d|3\d)$", False),
             "编辑框_延迟秒"),
            # An empty saved delay is shown as it is (its countdown runs out at once; the text stays).
            ("empty delay", settings(("是否自动", "是"), ("秒", ""), server=url),
             [TRY_NEXT, "选择框_自动校准"], (r"^5$", True), (r"^$", False), None),
            # Only the exact GBK bytes of "是" mean on: not "1", not "yes", not the word in UTF-8.
            ("not yes", ini_bytes(("自动校时", [("是否间隔", "1"), ("是否自动", "yes"), ("自动退出", "是".encode()),
                                                ("隐藏", "是".encode())]), ("lx", [("fuwuqi", "")])),
             [TRY_NEXT], (r"^5$", True), (r"^60$", True), None),
            ("garbage", garbage, [TRY_NEXT], (r"^5$", True), (r"^60$", True), None),
        ]
        for case, data, checked, interval, delay, running in cases:
            with self.subTest(case):
                s.write_file(SETTINGS, data)
                program = self.launch()
                try:
                    self.check_restored(data, checked, interval, delay, running, url)
                finally:
                    close(self.session, program)
                self.assertEqual(s.read_file(SETTINGS), data, "the file was written at start or end")

    def check_restored(self, data, checked, interval, delay, running, url):
        s = self.session
        form = read_form(s)
        self.assertEqual(form.on(), checked)
        for name, (pattern, enabled) in (("编辑框_间隔秒", interval), ("编辑框_延迟秒", delay)):
            text, is_enabled = form.field(name)
            self.assertRegex(text, pattern, name)
            self.assertEqual(is_enabled, enabled, name)
        if b"fuwuqi=" in data:
            self.assertEqual(form.server, url if url.encode() in data else "")
        else:
            self.assertEqual(form.server, form.servers[0])
        self.assertFalse(form.parked)
        if running:
            first = form.field(running)[0]
            later = s.wait_text(running, rf"^(?!{first}$)\d+$", timeout=10)
            self.assertIsNotNone(later, f"{running} stays at {first}")
            self.assertLess(int(later), int(first))
        if delay == (r"^$", False):
            # Past the first tick and the fetch it starts, the empty delay is still shown as it is.
            self.assertIsNotNone(s.wait_text("编辑框_服务器时间", r".", timeout=10))
            self.assertEqual(read_form(s).field("编辑框_延迟秒"), ("", False))

    def test_a_read_only_settings_file_is_read(self):
        s = self.session
        data = settings(("是否间隔", "是"), ("间隔秒", "9"), ("隐藏", "否"))
        s.write_file(SETTINGS, data)
        path = s.host_path(SETTINGS)
        path.chmod(0o444)
        self.addCleanup(path.chmod, 0o644)
        self.launch()
        form = read_form(s)
        self.assertEqual(form.on(), [TRY_NEXT, "选择框_间隔校时"])
        self.assertRegex(form.field("编辑框_间隔秒")[0], r"^[7-9]$")


class ShortcutTestCase(StartTestCase):
    FOLDER = r"C:\绿色软件\Lumvo校时"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        s = cls.session
        cls.startup = startup_folder(s)
        cls.link = cls.startup + "\\" + LINK_NAME
        # A copy of the program in a folder with Chinese names: its path must reach the shortcut intact.
        cls.exe = cls.FOLDER + r"\LumvoTimeTest.exe"
        target = s.host_path(cls.exe)
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy2(wine.BUILD / "LumvoTimeTest.exe", target)

    def setUp(self):
        self.session.remove_file(SETTINGS)
        self.session.remove_file(self.link)

    def box(self):
        form = read_form(self.session)
        return form.checked["选择框_开机后自动启动"], form.focus

    def read_link(self, timeout=5.0):
        end = time.monotonic() + timeout
        data = self.session.read_file(self.link)
        while not data and time.monotonic() < end:
            time.sleep(0.05)
            data = self.session.read_file(self.link)
        self.assertTrue(data, "no shortcut in the Startup folder")
        return parse_lnk(data)

    def assert_link_to(self, link, exe, folder, via_info=True):
        self.assertEqual(link.target_from_items, exe)
        if via_info:
            self.assertEqual(link.target_from_info, exe)
        self.assertEqual((link.arguments, link.working_dir, link.description), ("auto", folder, "可以自动校时。"))
        self.assertEqual(link.show_command, 5)  # SW_SHOW
        self.assertEqual((link.hotkey, link.flags & HAS_ICON_LOCATION), (0, 0))


class LogOnShortcutTest(ShortcutTestCase):
    def test_checking_writes_the_shortcut_and_unchecking_deletes_it(self):
        s = self.session
        self.assertIsNotNone(self.startup)
        self.launch(self.exe)
        self.assertEqual(self.box(), (False, GET_TIME))

        s.click("选择框_开机后自动启动")
        self.assert_link_to(self.read_link(), self.exe, self.FOLDER)
        self.assertEqual(self.box(), (True, GET_TIME))
        self.assertEqual([e["name"] for e in s.probe("list-dir", self.startup)["entries"]], [LINK_NAME])

        s.click("选择框_开机后自动启动")
        self.assertIsNone(s.read_file(self.link))
        self.assertEqual(self.box(), (False, GET_TIME))

    def test_the_box_follows_the_file(self):
        s = self.session
        # Only the file's existence counts: even bytes that are no shortcut show the option as on.
        s.write_file(self.link, b"not a shortcut")
        program = self.launch()
        self.assertEqual(self.box()[0], True)
        s.click("选择框_开机后自动启动")
        self.assertEqual((self.box()[0], s.read_file(self.link)), (False, None))

        # A file that appears meanwhile is overwritten with this copy's shortcut.
        s.write_file(self.link, b"not a shortcut")
        s.click("选择框_开机后自动启动")
        build = s.exe("LumvoTimeTest.exe")
        self.assert_link_to(self.read_link(), build, build.rsplit("\\", 1)[0])
        self.assertEqual(self.box()[0], True)

        # A shortcut that cannot be deleted keeps the box checked.
        path = s.host_path(self.link)
        path.chmod(0o444)
        self.addCleanup(path.chmod, 0o644)
        s.click("选择框_开机后自动启动")
        self.assertEqual((self.box()[0], path.exists()), (True, True))
        path.chmod(0o644)

        # The next start sees the shortcut that is there.
        close(self.session, program)
        self.launch()
        self.assertEqual(self.box()[0], True)

    def test_without_a_startup_folder_no_shortcut_is_written(self):
        s = self.session
        s.run(REG, "delete", SHELL_FOLDERS, "/v", "Startup", "/f")
        self.addCleanup(s.run, REG, "add", SHELL_FOLDERS, "/v", "Startup", "/t", "REG_SZ", "/d", self.startup, "/f")
        self.assertIsNone(startup_folder(s))
        self.launch()
        self.assertEqual(self.box(), (False, GET_TIME))
        s.click("选择框_开机后自动启动")
        self.assertEqual(self.box(), (False, GET_TIME))
        # Not in the root of the program's drive, nor of the current one (the host's root is Z:).
        for root in ("C:\\", "Z:\\"):
            self.assertFalse(os.path.exists(s.host_path(root + LINK_NAME)), root)
        self.assertIsNone(s.read_file(self.link))


class WesternLogOnShortcutTest(ShortcutTestCase):
    """Under code page 1252 the shortcut still names the Chinese folder (the link's ANSI copy of the path
    cannot, so only the item list is checked for it)."""
    LANG = "en_US.UTF-8"

    def test_checking_writes_the_shortcut_and_unchecking_deletes_it(self):
        s = self.session
        self.assertEqual(s.probe("system")["acp"], 1252)
        self.launch(self.exe)
        s.click("选择框_开机后自动启动")
        self.assert_link_to(self.read_link(), self.exe, self.FOLDER, via_info=False)
        self.assertEqual(self.box(), (True, GET_TIME))
