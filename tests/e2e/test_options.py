"""Option clicks of the real program under Wine and the bytes they leave in C:\\Windows\\Kavrin.ini.

Before a click the test puts the settings file into a known state (usually: no file), so the file after
the click holds exactly what that click wrote, in the order it wrote it (the profile functions append a
new key at the end of its section)."""

import subprocess

import wine
from inifile import SETTINGS, describe, ini_bytes, settings, wait_bytes
from optionform import close, launch, read_form
from timeserver import RefusedPort

GET_TIME = wine.CONTROL_IDS["图形按钮_获取时间"]


class OptionTestCase(wine.WineTestCase):
    def start(self, file=None):
        """Starts the program with the settings file holding `file` (None: no file); closes it after the test."""
        s = self.session
        if file is None:
            s.remove_file(SETTINGS)
        else:
            s.write_file(SETTINGS, file)
        program = launch(s)
        self.addCleanup(close, self.session, program)
        return program

    def keep_fetches_local(self):
        """A fetch that a countdown starts asks a refused loopback port and nothing else."""
        refused = RefusedPort()
        self.addCleanup(refused.close)
        s = self.session
        s.probe("combo-set", "组合框1", refused.url)
        s.settext("组合框1", refused.url)
        if read_form(s).checked["选择框_自动尝试下一服务器"]:
            s.click("选择框_自动尝试下一服务器")

    def click_with_file(self, control, before, expected):
        """Sets the file to `before`, clicks `control` and checks the file's bytes against `expected`."""
        s = self.session
        if before is None:
            s.remove_file(SETTINGS)
        else:
            s.write_file(SETTINGS, before)
        answer = s.click(control)
        self.assertTrue(answer["clicked"], answer)
        got = wait_bytes(s, SETTINGS, expected)
        self.assertEqual(got, expected, f"\n--- file now:\n{describe(got)}\n--- expected:\n{describe(expected)}")
        return read_form(s)


class OptionClickTest(OptionTestCase):
    def test_each_click_writes_its_keys_in_order(self):
        self.start()
        s = self.session
        self.keep_fetches_local()
        start = read_form(s)

        # (what is done, control clicked, file before, file after, the form afterwards)
        steps = [
            ("interval on", "选择框_间隔校时", None, settings(("是否间隔", "是"), ("间隔秒", "5")),
             lambda f: (f.checked["选择框_间隔校时"], f.field("编辑框_间隔秒")[1]) == (True, False)),
            # Whatever the countdown shows by now, the text in force comes back.
            ("interval off", "选择框_间隔校时", None, settings(("是否间隔", "否")),
             lambda f: (f.checked["选择框_间隔校时"], f.field("编辑框_间隔秒")) == (False, ("5", True))),
            ("delay on", "选择框_自动校准", None, settings(("是否自动", "是"), ("秒", "45"), ("是否间隔", "否")),
             lambda f: (f.checked["选择框_自动校准"], f.field("编辑框_延迟秒")) == (True, ("45", False))),
            # Off: the delay saved in the file comes back into the field.
            ("delay off", "选择框_自动校准", settings(("秒", "33")), settings(("秒", "33"), ("是否自动", "否")),
             lambda f: (f.checked["选择框_自动校准"], f.field("编辑框_延迟秒")) == (False, ("33", True))),
            ("delay on again", "选择框_自动校准", None, settings(("是否自动", "是"), ("秒", "33"), ("是否间隔", "否")),
             lambda f: f.field("编辑框_延迟秒") == ("33", False)),
            # Off with no saved delay: its default.
            ("delay off, nothing saved", "选择框_自动校准", None, settings(("是否自动", "否")),
             lambda f: f.field("编辑框_延迟秒") == ("60", True)),
            ("exit on", "选择框_自动退出", None, settings(("自动退出", "是"), ("是否间隔", "否")),
             lambda f: f.checked["选择框_自动退出"]),
            ("exit off", "选择框_自动退出", None, settings(("自动退出", "否")),
             lambda f: not f.checked["选择框_自动退出"]),
            # The hide option acts at the next start: the window stays where it is.
            ("hide on", "选择框_启动后隐藏", None, settings(("隐藏", "是")),
             lambda f: f.checked["选择框_启动后隐藏"] and f.rect == start.rect),
            ("hide off", "选择框_启动后隐藏", None, settings(("隐藏", "否")),
             lambda f: not f.checked["选择框_启动后隐藏"] and f.rect == start.rect),
            # Trying the next server is not saved at all (this click turns it back on).
            ("try next", "选择框_自动尝试下一服务器", None, None,
             lambda f: f.checked["选择框_自动尝试下一服务器"]),
        ]
        for what, control, before, after, form_ok in steps:
            with self.subTest(what):
                if what == "delay on":
                    s.settext("编辑框_延迟秒", "45")
                form = self.click_with_file(control, before, after)
                self.assertTrue(form_ok(form), form.dump["named"][control] | {"fields": form.fields})
                # Every option click hands the keyboard to the get-time button.
                self.assertEqual(form.focus, GET_TIME)

    def test_checking_the_interval_clears_the_other_two(self):
        self.start()
        s = self.session
        self.keep_fetches_local()
        s.settext("编辑框_延迟秒", "37")
        s.click("选择框_自动校准")
        s.click("选择框_自动退出")
        self.assertEqual(read_form(s).on(), ["选择框_自动校准", "选择框_自动退出"])

        s.settext("编辑框_间隔秒", "3")
        form = self.click_with_file("选择框_间隔校时", None, settings(
            ("是否间隔", "是"), ("间隔秒", "3"), ("是否自动", "否"), ("自动退出", "否")))
        self.assertEqual(form.on(), ["选择框_间隔校时"])
        # The delay field is free again and keeps its text; the interval field is the countdown now.
        self.assertEqual(form.field("编辑框_延迟秒"), ("37", True))
        self.assertFalse(form.field("编辑框_间隔秒")[1])

        # Either of the other two clears the interval option but not its running countdown: it goes on
        # in the now enabled field, runs out once, and the saved text comes back for good.
        form = self.click_with_file("选择框_自动退出", None, settings(("自动退出", "是"), ("是否间隔", "否")))
        self.assertEqual(form.on(), ["选择框_自动退出"])
        self.assertTrue(form.field("编辑框_间隔秒")[1])
        self.assertIsNotNone(s.wait_text("编辑框_间隔秒", r"^[0-2]$", timeout=10))
        self.assertIsNotNone(s.wait_text("编辑框_间隔秒", r"^3$", timeout=20))
        # No second countdown starts: the field stays at its saved text.
        self.assertIsNone(s.wait_text("编辑框_间隔秒", r"^[0-2]$", timeout=2.5))
        self.assertEqual(read_form(s).on(), ["选择框_自动退出"])

    def test_the_server_box_is_saved_each_time_it_loses_the_focus(self):
        self.start()
        s = self.session
        cases = [
            # (text in the box, the file before, the file after)
            ("http://时间.cn:8080", None, ini_bytes(("lx", [("fuwuqi", "http://时间.cn:8080")]))),
            # Unchanged text is written again; a file with other keys keeps them.
            ("http://时间.cn:8080", settings(("是否间隔", "否")), settings(("是否间隔", "否"), server="http://时间.cn:8080")),
            ("", None, b"[lx]\r\nfuwuqi=\r\n"),
        ]
        for text, before, after in cases:
            with self.subTest(text=text, before=before):
                if before is None:
                    s.remove_file(SETTINGS)
                else:
                    s.write_file(SETTINGS, before)
                self.assertEqual(s.probe("focus", "组合框1")["focus"], wine.CONTROL_IDS["组合框1"])
                s.settext("组合框1", text)
                # Nothing is written while the box keeps the focus.
                self.assertEqual(s.read_file(SETTINGS), before)
                s.probe("focus", "图形按钮_获取时间")
                got = wait_bytes(s, SETTINGS, after)
                self.assertEqual(got, after, describe(got))


class UnwritableSettingsTest(OptionTestCase):
    def test_options_still_work_when_the_file_cannot_be_written(self):
        # A folder in the file's place: every read gives the default and every write fails.
        s = self.session
        s.remove_file(SETTINGS)
        folder = s.host_path(SETTINGS)
        folder.mkdir()
        self.addCleanup(folder.rmdir)
        program = launch(s)
        self.addCleanup(close, self.session, program)
        self.keep_fetches_local()
        s.settext("编辑框_延迟秒", "12")
        for control in ("选择框_自动校准", "选择框_自动退出", "选择框_间隔校时", "选择框_启动后隐藏"):
            s.click(control)
        self.assertEqual(read_form(s).on(), ["选择框_间隔校时", "选择框_启动后隐藏"])
        # Turning the delay on and off again reads the saved delay: the "12" could not be saved, so the
        # default comes back.
        s.click("选择框_自动校准")
        s.click("选择框_自动校准")
        self.assertEqual(read_form(s).field("编辑框_延迟秒"), ("60", True))
        self.assertTrue(program.running())
        self.assertTrue(folder.is_dir())


class WesternCodePageTest(OptionTestCase):
    """Under code page 1252 the file is still GBK, both ways."""
    LANG = "en_US.UTF-8"

    def test_settings_are_gbk_whatever_the_code_page(self):
        self.assertEqual(self.session.probe("system")["acp"], 1252)
        self.start(settings(("是否自动", "是"), ("秒", "45"), ("自动退出", "是"), server="http://时间.cn"))
        s = self.session
        form = read_form(s)
        self.assertEqual(form.on(), ["选择框_自动尝试下一服务器", "选择框_自动校准", "选择框_自动退出"])
        self.assertEqual(form.server, "http://时间.cn")
        self.assertRegex(form.field("编辑框_延迟秒")[0], r"^4[0-5]$")  # counting down from 45
        self.keep_fetches_local()
        self.click_with_file("选择框_间隔校时", None, settings(
            ("是否间隔", "是"), ("间隔秒", "5"), ("是否自动", "否"), ("自动退出", "否")))
        s.probe("focus", "组合框1")
        s.settext("组合框1", "http://服务器.cn")
        s.probe("focus", "图形按钮_获取时间")
        expected = settings(("是否间隔", "是"), ("间隔秒", "5"), ("是否自动", "否"), ("自动退出", "否"),
                            server="http://服务器.cn")
        got = wait_bytes(s, SETTINGS, expected)
        self.assertEqual(got, expected, describe(got))


class LookTest(OptionTestCase):
    """A screenshot with options on, kept in build/e2e-shots/ for a person to look at; the pixels that
    show the check states and the flat look are checked here."""

    CAPTION_BLUE = (44, 118, 158)   # the ticks and the captions
    FLAT_BORDER = (123, 158, 189)   # the flat look's blue-grey scheme
    WHITE = (255, 255, 255)

    def test_checked_options_and_the_flat_look_are_drawn(self):
        s = self.session
        self.start()
        s.settext("编辑框_间隔秒", "30")
        for control in ("选择框_间隔校时", "选择框_开机后自动启动", "选择框_启动后隐藏"):
            s.click(control)
        # A step of the countdown and of the clock face.
        self.assertIsNotNone(s.wait_text("编辑框_间隔秒", r"^2\d$", timeout=10))
        form = read_form(s)

        shots = wine.ROOT / "build" / "e2e-shots"
        shots.mkdir(parents=True, exist_ok=True)
        screen = s.screenshot(shots / "options-screen.png")
        left, top, right, bottom = form.rect
        subprocess.run(["convert", str(screen), "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                        str(shots / "options.png")], check=True, timeout=30)
        pixel = screen_pixels(screen)

        def at(x, y):  # client coordinates of the main window
            return pixel(left + x, top + y)

        named = form.dump["named"]
        for name, checked in form.checked.items():
            with self.subTest(name):
                x0, y0, _, y1 = named[name]["rect"]
                ticks = sum(at(x, y) == self.CAPTION_BLUE for x in range(x0, x0 + 16) for y in range(y0, y1))
                self.assertEqual(ticks > 0, checked, f"{ticks} tick pixels")
        # Flat: a one-pixel blue-grey frame with white on both sides, no sunken 3-D edge.
        for name in ("编辑框_服务器时间", "编辑框_系统时间", "组合框1", "编辑框_延迟秒"):
            with self.subTest(name):
                x0, y0, x1, y1 = named[name]["rect"]
                ym, xm = (y0 + y1) // 2, (x0 + x1) // 2
                self.assertEqual([at(x0 - 1, ym), at(x0, ym), at(x0 + 1, ym)],
                                 [self.WHITE, self.FLAT_BORDER, self.WHITE])
                self.assertEqual([at(xm, y0 - 1), at(xm, y0), at(xm, y0 + 1)],
                                 [self.WHITE, self.FLAT_BORDER, self.WHITE])


def screen_pixels(png):
    """A function (x, y) -> (r, g, b) over the picture."""
    data = subprocess.run(["convert", str(png), "ppm:-"], check=True, capture_output=True, timeout=30).stdout
    magic, size, depth, pixels = data.split(b"\n", 3)
    assert magic == b"P6" and depth == b"255", data[:20]
    width = int(size.split()[0])

    def pixel(x, y):
        i = (y * width + x) * 3
        return tuple(pixels[i:i + 3])
    return pixel
