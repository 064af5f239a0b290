"""The tray icon of the real program under Wine: parking the window off-screen and bringing it back, the
menu beside the pointer, and "退出" ending the program with its icon removed and its clean-up run once.

Wine without a desktop shows its own tray window, one child window per icon; probe "tray-click" sends
that child the mouse messages a user's click would."""

import time

import wine
from inifile import SETTINGS, settings
from optionform import PARKED, close, launch, read_form

EXIT_TRACE = wine.TEST_DIR + r"\exit-trace.log"
MENU_EXIT = 3   # "退出": the fourth item, separators not counted


def tray_icons(session):
    return session.probe("tray")["icons"]


class TrayTest(wine.WineTestCase):
    def start(self, file=None):
        s = self.session
        s.remove_file(EXIT_TRACE)
        if file is None:
            s.remove_file(SETTINGS)
        else:
            s.write_file(SETTINGS, file)
        program = launch(s, env={"LUMVO_TEST_EXIT_TRACE": EXIT_TRACE})
        self.addCleanup(close, self.session, program)
        return program

    def tray_click(self, how="left"):
        answer = self.session.probe("tray-click", 0, how)
        self.assertTrue(answer["settled"], answer)

    def wait_rect(self, rect, timeout=5.0):
        """The window's rectangle once it is `rect`, or as it is when the time is up."""
        end = time.monotonic() + timeout
        while True:
            now = self.session.probe("find")["rect"]
            if now == rect or time.monotonic() >= end:
                return now
            time.sleep(0.05)

    def test_left_clicks_and_the_minimise_button_park_and_bring_back(self):
        s = self.session
        self.start()
        home = read_form(s).rect
        width, height = home[2] - home[0], home[3] - home[1]
        parked = [PARKED, PARKED, PARKED + width, PARKED + height]
        self.assertEqual(tray_icons(s), 1)

        steps = [
            ("tray click while shown", lambda: self.tray_click(), parked),
            ("tray click while parked", lambda: self.tray_click(), home),
            ("minimise button", lambda: s.click("图形按钮_最小化"), parked),
            ("tray click after the button", lambda: self.tray_click(), home),
            # A double click brings two releases (and a double click, which does nothing): back where it was.
            ("double click while shown", lambda: self.tray_click("double"), home),
            ("minimise again", lambda: s.click("图形按钮_最小化"), parked),
            ("double click while parked", lambda: self.tray_click("double"), parked),
            ("tray click", lambda: self.tray_click(), home),
        ]
        for what, act, rect in steps:
            with self.subTest(what):
                act()
                self.assertEqual(self.wait_rect(rect), rect)
                form = read_form(s)
                # In front for a moment only: never left topmost.
                self.assertFalse(form.topmost)
        self.assertEqual(tray_icons(s), 1)

    def test_started_hidden_comes_back_to_the_centre(self):
        s = self.session
        data = settings(("隐藏", "是"))
        self.start(data)
        form = read_form(s)
        self.assertTrue(form.parked, form.rect)
        self.assertTrue(form.checked["选择框_启动后隐藏"])
        self.assertEqual(tray_icons(s), 1)
        screen_w, screen_h = s.probe("system")["screen"]
        self.tray_click()
        left, top = (screen_w - 280) // 2, (screen_h - 366) // 2
        centre = [left, top, left + 280, top + 366]
        self.assertEqual(self.wait_rect(centre), centre)
        self.assertEqual(s.read_file(SETTINGS), data)

    def test_right_click_opens_the_menu_and_exit_ends_the_program(self):
        s = self.session
        program = self.start()
        # The menu opens to the left of and below the pointer, 5 pixels off, shown or parked.
        for what, pointer in (("shown", (600, 500)), ("parked", (300, 420))):
            with self.subTest(what):
                if what == "parked":
                    s.probe("menu-key", "ESCAPE")
                    self.assertFalse(s.probe("menu", timeout=1, check=False)["open"])
                    s.click("图形按钮_最小化")
                    self.assertTrue(read_form(s).parked)
                s.probe("cursor", f"{pointer[0]},{pointer[1]}")
                self.tray_click("right")
                menu = s.probe("menu")
                self.assertTrue(menu["open"])
                self.assertEqual(menu["pid"], s.probe("find")["pid"])
                left, top, right, bottom = menu["rect"]
                self.assertEqual((right, top), (pointer[0] - 5, pointer[1] - 5), menu["rect"])
                self.assertTrue(left < right and top < bottom)

        s.probe("menu-pick", MENU_EXIT)
        self.assertEqual(program.wait(10), 0)
        # The icon's window in Wine's tray is gone, not merely hidden.
        self.assertEqual([c for tray in s.probe("tray")["trays"] for c in tray["children"]], [])
        # The clean-up ran, once. (Written after the loop: wait for the process, then read.)
        end = time.monotonic() + 5
        while s.read_file(EXIT_TRACE) is None and time.monotonic() < end:
            time.sleep(0.05)
        self.assertEqual(s.read_file(EXIT_TRACE), b"ExitCleanup\n")
