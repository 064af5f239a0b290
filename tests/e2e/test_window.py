"""The main window under Wine: the form as it is created, the menu and its three ways in, closing, parking
in the tray, the number boxes, the balloon tip after a calibration and the footer a notice changes."""

import os
import re
import shutil
import subprocess
import time
import unittest
from pathlib import Path

import wine
from timeserver import Answer, TimeServer

SETTINGS = r"C:\Windows\Kavrin.ini"
EXIT_TRACE = r"C:\lumvo-test\exit-trace.txt"
PAGE = (5, 30)  # 图片框_正常页 in the window's client area; the controls on it are placed relative to it

# name: (on the page, left, top, width, height, text)
FORM = {
    "透明标签_标题": (False, 8, 0, 264, 32, "     Lumvo自动校时 v 3.6"),
    "设置按钮": (False, 188, 1, 27, 17, ""),
    "图形按钮_最小化": (False, 215, 1, 26, 17, ""),
    "图形按钮_关闭": (False, 240, 1, 36, 17, ""),
    "图片框_正常页": (False, 5, 30, 270, 327, ""),
    "标_时间服务器1": (True, 12, 16, 60, 22, "标准时间："),
    "编辑框_服务器时间": (True, 80, 16, 180, 22, ""),
    "标_时间服务器2": (True, 12, 57, 60, 22, "本机时间："),
    "编辑框_系统时间": (True, 80, 57, 180, 22, None),  # the time at start, checked apart
    "图形按钮_获取时间": (True, 18, 95, 94, 28, "获取时间"),
    "图形按钮_开始校准": (True, 164, 95, 94, 28, "开始校准"),
    "标签4": (True, 2, 131, 264, 1, ""),
    "标_时间服务器": (True, 13, 142, 70, 20, "时间服务器："),
    "组合框1": (True, 91, 142, 168, 20, "http://www.ntsc.ac.cn"),
    "选择框_自动尝试下一服务器": (True, 15, 171, 189, 20, "连接失败后自动尝试下一服务器"),
    "选择框_间隔校时": (True, 15, 193, 161, 20, "每隔     秒自动校准一次"),
    "编辑框_间隔秒": (True, 58, 194, 28, 16, "5"),
    "选择框_自动校准": (True, 15, 215, 153, 20, "启动     秒后自动校准"),
    "编辑框_延迟秒": (True, 58, 217, 28, 16, "60"),
    "选择框_自动退出": (True, 15, 237, 109, 20, "校准后自动退出"),
    "选择框_开机后自动启动": (True, 15, 259, 109, 20, "开机后自动启动"),
    "选择框_启动后隐藏": (True, 15, 282, 109, 20, "启动后隐藏界面"),
    "画板1": (True, 176, 205, 80, 80, ""),
    "标签_底栏": (True, 12, 303, 253, 24, None),  # a credit line of the build's choosing
}
DISABLED = {"标_时间服务器1", "标_时间服务器2", "标_时间服务器", "图形按钮_开始校准"}
SERVERS = ["http://www.ntsc.ac.cn", "http://www.aliyun.com", "http://www.360.cn", "http://www.baidu.com",
           "http://www.sogou.com", "http://www.163.com", "http://www.xunlei.com"]
PARKED = -3200


class WindowSessionTest(wine.WineTestCase):
    """Each test starts the program from a clean settings file and leaves nothing running."""

    def setUp(self):
        self.session.remove_file(SETTINGS)
        self.session.remove_file(EXIT_TRACE)
        self.program = None

    def tearDown(self):
        if self.program is not None and self.program.running():
            self.session.close_program()

    def start(self, env=None):
        # A machine busy with other Wine sessions can take a while to start one more program.
        self.program = self.session.start_program(env={"LUMVO_TEST_EXIT_TRACE": EXIT_TRACE, **(env or {})},
                                                  timeout=60)
        # The window exists (and has its title) while it is still being created; it is shown once the
        # start-up steps have run.
        end = time.monotonic() + 20
        while time.monotonic() < end:
            if self.session.probe("find")["visible"]:
                return self.program
            time.sleep(0.1)
        self.fail("the main window was never shown")

    def window(self):
        return self.session.dump()

    def centred(self):
        width, height = self.session.probe("system")["screen"]
        return (width - 280) // 2, (height - 366) // 2

    def exit_trace(self):
        data = self.session.read_file(EXIT_TRACE)
        return data.decode().splitlines() if data else []

    def tray_icons(self):
        return self.session.probe("tray")["icons"]

    def menu(self, timeout=3.0):
        """The open pop-up menu's rectangle, or None."""
        answer = self.session.probe("menu", timeout=timeout, check=False)
        return answer["rect"] if answer.get("open") else None

    def close_menu(self):
        self.session.probe("menu-key", "ESCAPE", check=False)
        end = time.monotonic() + 5
        while self.menu(timeout=0) and time.monotonic() < end:
            time.sleep(0.05)

    def tip_windows(self):
        """The program's visible tooltip windows (the balloon tip)."""
        pid = self.session.probe("find")["pid"]
        return [w for w in self.session.probe("windows")["windows"]
                if w["pid"] == pid and w["class"].lower() == "tooltips_class32" and w["visible"]]

    def wait_for(self, condition, timeout=10.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if condition():
                return True
            time.sleep(0.1)
        return condition()


class WindowTest(WindowSessionTest):
    def test_window_and_controls_as_the_form_makes_them(self):
        self.start()
        d = self.window()
        left, top = self.centred()
        self.assertEqual(d["title"], "Lumvo自动校时v3.5")
        self.assertEqual(d["client"], [280, 366])
        self.assertEqual(d["rect"], [left, top, left + 280, top + 366])
        self.assertTrue(d["owned"])
        self.assertFalse(d["taskbar"])
        self.assertFalse(d["topmost"])
        # Rounded corners: a region covering the whole window, with only the corners cut.
        self.assertEqual(d["region"], {"type": "complex", "box": [0, 0, 280, 366]})
        self.assertEqual(d["focus"], wine.control_id("图形按钮_获取时间"))

        named = d["named"]
        self.assertEqual(set(named), set(FORM))
        for name, (on_page, x, y, width, height, text) in FORM.items():
            with self.subTest(control=name):
                c = named[name]
                dx, dy = PAGE if on_page else (0, 0)
                self.assertEqual(c["parent"], wine.control_id("图片框_正常页") if on_page else 0)
                expected = [x + dx, y + dy, x + dx + width, y + dy + height]
                if name == "组合框1":
                    # The closed combo's field is never lower than its font: with a fallback Chinese face
                    # taller than 宋体 it grows by a pixel or two.
                    self.assertEqual(c["rect"][:3], expected[:3])
                    self.assertIn(c["rect"][3] - expected[3], (0, 1, 2))
                else:
                    self.assertEqual(c["rect"], expected)
                if text is not None:
                    self.assertEqual(c["text"], text)
                self.assertEqual(c["enabled"], name not in DISABLED)
                if name.startswith("选择框_"):
                    self.assertEqual(c["checked"], 1 if name == "选择框_自动尝试下一服务器" else 0)
        self.assertRegex(named["编辑框_系统时间"]["text"], r"^\d{4}-\d\d-\d\d  \d\d:\d\d:\d\d$")
        self.assertTrue(named["标签_底栏"]["text"])
        self.assertEqual(named["组合框1"]["items"], SERVERS)
        self.assertEqual(named["组合框1"]["selected"], 0)
        self.assertEqual(self.tray_icons(), 1)

    def test_page_settings_button_and_tray_open_the_same_menu_beside_the_pointer(self):
        self.start()
        openers = [("page", lambda: self.session.rclick("200,70")),
                   ("settings button", lambda: self.session.click("设置按钮")),
                   ("tray", lambda: self.session.probe("tray-click", 0, "right"))]
        rects = {}
        for name, open_menu in openers:
            open_menu()
            rects[name] = self.menu()
            self.assertIsNotNone(rects[name], name)
            self.close_menu()
        self.assertEqual(rects["page"], rects["settings button"])
        self.assertEqual(rects["page"], rects["tray"])
        # Its right edge 5 pixels left of the pointer, its top 5 pixels above it; the pointer of a fresh
        # X display rests in the middle of the screen.
        width, height = self.session.probe("system")["screen"]
        self.assertEqual((rects["page"][2], rects["page"][1]), (width // 2 - 5, height // 2 - 5))

    def test_right_click_on_an_enabled_control_opens_no_menu(self):
        self.start()
        for name in ("选择框_自动退出", "画板1", "标签_底栏", "图形按钮_获取时间"):
            with self.subTest(control=name):
                self.session.rclick(name)
                self.assertIsNone(self.menu(timeout=0.5))

    def test_real_right_click_on_a_disabled_caption_label_opens_the_menu(self):
        # A right press over a disabled window goes through the system's hit test, which a posted message
        # skips: only a real pointer shows it.
        if not shutil.which("xdotool"):
            self.skipTest("xdotool is not installed")
        self.start()
        left, top = self.window()["rect"][:2]
        x, y = left + PAGE[0] + 12 + 20, top + PAGE[1] + 57 + 11  # inside 标_时间服务器2
        env = {**os.environ, "DISPLAY": self.session.display}
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "3"], env=env, check=True, timeout=10)
        rect = self.menu()
        self.assertIsNotNone(rect)
        self.assertEqual((rect[2], rect[1]), (x - 5, y - 5))
        self.close_menu()

    def test_menu_item_opens_its_page(self):
        self.start()
        self.session.click("设置按钮")
        self.assertIsNotNone(self.menu())
        self.session.probe("menu-pick", 0)
        self.assertEqual(self.session.wait_urls(1)[-1:], ["http://blog.lumvo.cn/message.html"])

    def test_menu_exit_ends_the_program(self):
        self.start()
        self.session.click("设置按钮")
        self.assertIsNotNone(self.menu())
        self.session.probe("menu-pick", 3)  # 退出: the fourth item, separators not counted
        self.assertEqual(self.program.wait(10), 0)
        self.assertEqual(self.exit_trace(), ["ExitCleanup"])
        self.assertEqual(self.tray_icons(), 0)

    def test_close_button_and_a_close_message_end_the_program_once(self):
        for close in (lambda: self.session.click("图形按钮_关闭"), self.session.close_program):
            self.session.remove_file(EXIT_TRACE)
            self.start()
            close()
            self.assertEqual(self.program.wait(10), 0)
            self.assertEqual(self.exit_trace(), ["ExitCleanup"])
            self.assertEqual(self.tray_icons(), 0)

    def test_a_second_copy_starts_with_its_own_window_and_tray_icon(self):
        first = self.start()
        second = self.session.start_program(wait=False)
        self.assertTrue(self.wait_for(lambda: self.tray_icons() == 2, timeout=20))
        titles = [w for w in self.session.probe("windows")["windows"]
                  if w["title"] == "Lumvo自动校时v3.5" and w["visible"]]
        self.assertEqual(len({w["pid"] for w in titles}), 2)
        for _ in range(2):
            self.session.close_program()
        self.assertEqual((first.wait(10), second.wait(10)), (0, 0))
        self.assertEqual(self.tray_icons(), 0)

    def test_close_during_a_fetch_waits_for_it_and_ends_cleanly(self):
        with TimeServer(lifetime=60) as server:
            server.answer(Answer(date="Thu, 19 Nov 2015 03:18:29 GMT", delay_ms=1500))
            self.start()
            self.session.settext("组合框1", server.url)
            self.session.click("图形按钮_获取时间", settle=0)
            self.assertTrue(server.wait_requests(1))
            # Handled while the fetch still runs (between attempts, or inside the request's own wait,
            # which under Wine dispatches messages and swallows the quit request): the window goes, the
            # fetch ends against a window that is no more, and then the program ends.
            self.session.click("图形按钮_关闭", settle=0)
            self.assertEqual(self.program.wait(60), 0)
        self.assertEqual(self.exit_trace(), ["ExitCleanup"])
        self.assertEqual(self.tray_icons(), 0)

    def test_minimise_and_tray_clicks_park_the_window_and_bring_it_back(self):
        self.start()
        home = self.centred()
        self.session.click("图形按钮_最小化")
        self.assertEqual(self.window()["rect"][:2], [PARKED, PARKED])
        self.session.probe("tray-click", 0, "left")
        d = self.window()
        self.assertEqual(d["rect"][:2], list(home))
        self.assertFalse(d["topmost"])
        self.session.probe("tray-click", 0, "left")
        self.assertEqual(self.window()["rect"][:2], [PARKED, PARKED])

    def test_hidden_start_parks_the_window_until_the_tray_brings_it(self):
        self.session.write_file(SETTINGS, "[自动校时]\r\n隐藏=是\r\n".encode("gbk"))
        self.start()
        d = self.window()
        self.assertEqual(d["rect"][:2], [PARKED, PARKED])
        self.assertEqual(d["named"]["选择框_启动后隐藏"]["checked"], 1)
        self.assertEqual(self.tray_icons(), 1)
        self.session.probe("tray-click", 0, "left")
        self.assertEqual(self.window()["rect"][:2], list(self.centred()))

    def test_number_boxes_take_digits_and_minus_only(self):
        self.start()
        for name in ("编辑框_间隔秒", "编辑框_延迟秒"):
            with self.subTest(box=name):
                self.session.settext(name, "")
                self.session.probe("type", name, "a1-b2 .３x4")
                self.assertEqual(self.window()["named"][name]["text"], "1-24")
        # Text set from elsewhere is not filtered.
        self.session.settext("编辑框_间隔秒", "x9")
        self.assertEqual(self.window()["named"]["编辑框_间隔秒"]["text"], "x9")

    def test_balloon_tip_closes_by_itself_after_success_and_stays_after_failure(self):
        with TimeServer(lifetime=120) as server:
            self.start()
            # With the delayed calibration checked, a successful fetch sets the clock at once.
            self.session.click("选择框_自动校准")
            self.session.settext("组合框1", server.url)

            server.answer(Answer(next_second=True))
            self.session.click("图形按钮_获取时间")
            self.assertTrue(self.wait_for(lambda: self.tip_windows()), "no tip after the calibration")
            shown = time.monotonic()
            self.assertTrue(self.wait_for(lambda: not self.tip_windows(), timeout=8), "the tip stayed")
            self.assertGreater(time.monotonic() - shown, 2.0)

            # A date far from the clock: Wine refuses to set it, and the failure tip stays until a key.
            server.answer(Answer(date="Thu, 19 Nov 2015 03:18:29 GMT"))
            self.session.click("图形按钮_获取时间")
            self.assertTrue(self.wait_for(lambda: self.tip_windows()), "no tip after the failure")
            time.sleep(4)
            self.assertTrue(self.tip_windows(), "the failure tip closed by itself")
            self.session.probe("key", "图形按钮_获取时间", "A")
            self.assertTrue(self.wait_for(lambda: not self.tip_windows(), timeout=3), "a key left the tip")


class FooterNoticeTest(WindowSessionTest):
    TOOL = Path(wine.ROOT) / "build" / "native" / "lumvo-notice"

    def test_notice_replaces_the_footer_and_a_click_opens_its_address(self):
        if not self.TOOL.exists():
            self.skipTest("the native build's lumvo-notice is missing")
        caption, address = "新版本底栏 2026", "http://example.test/notice-page"
        document = f"#网站Orvane网站##状态文本{caption}状态文本##状态网址{address}状态网址##最新版本3.6最新版本#"
        with TimeServer(lifetime=120) as server:
            body = Path(self.session.dir) / "notice.bin"
            subprocess.run([str(self.TOOL), "body", "--utf8", "--text", document, str(body)], check=True,
                           timeout=30, stdout=subprocess.DEVNULL)
            server.answer(Answer(body=body.read_bytes()), path="/notice.bin")
            hex_address = subprocess.run([str(self.TOOL), "address", server.url + "/notice.bin"], check=True,
                                         timeout=30, capture_output=True, text=True).stdout.strip()
            self.start(env={"LUMVO_TEST_NOTICE_PRIMARY": hex_address, "LUMVO_TEST_NOTICE_BACKUP": ""})
            self.assertEqual(self.session.wait_text("标签_底栏", re.escape(caption), timeout=20), caption)
            before = len(self.session.opened_urls())
            self.session.click("标签_底栏")
            self.assertEqual(self.session.wait_urls(before + 1)[before:], [address])


class WindowEnglishTest(WindowSessionTest):
    """A Western code page: the texts are the same Chinese, not read through the system's code page."""
    LANG = "en_US.UTF-8"

    def test_chinese_texts_survive_a_western_code_page(self):
        self.start()
        self.assertEqual(self.session.probe("system")["acp"], 1252)
        d = self.window()
        self.assertEqual(d["title"], "Lumvo自动校时v3.5")
        for name, (_, _, _, _, _, text) in FORM.items():
            if text:
                with self.subTest(control=name):
                    self.assertEqual(d["named"][name]["text"], text)
        self.assertEqual(d["named"]["组合框1"]["items"], SERVERS)


if __name__ == "__main__":
    unittest.main()
