"""Setting the clock for real through Wine's SetLocalTime, and the balloon tip that tells the outcome.

Wine's SetLocalTime never changes the host's clock: it answers success only for a time within half a
second of its own clock, and failure otherwise. A loopback server that answers just after a second
boundary with that second gives a time that the calibration right after the fetch can set; a click
later must land where the running held time is within half a second of the clock; a Date far from now
gives a time that cannot be set. Screenshots of every tip go to build/e2e-shots/."""

import calendar
import time

import wine
from test_fetch import CALIBRATE, COMBO, FIELD, GET, start_and_wait_shown
from timeserver import Answer, TimeServer, http_date

SHOTS = wine.ROOT / "build" / "e2e-shots"
AUTO = "选择框_自动校准"
LOCAL_TIME = "编辑框_系统时间"  # an edit box that nothing happens to when it is clicked or gets a key

SUCCESS = "校时完成 ！"
FAILURE = "\r\n".join([
    " " * 12 + "【时间修改失败】",
    "1.检查是否有杀毒或防火墙之类的软件禁止了时间的修改！",
    "2.关闭所有正在运行的软件在试一次！",
    "3.请检查是否有权限修改本机时间！",
])
FAR = "Thu, 19 Nov 2015 03:18:29 GMT"


def epoch_of(shown):
    """A time as the program shows it (local time here: UTC+8, no summer time) in seconds since 1970."""
    return calendar.timegm(time.strptime(shown, "%Y-%m-%d  %H:%M:%S")) - 8 * 3600


class CalibrateTest(wine.WineTestCase):
    """One program for the class; every test leaves no tip on screen."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.program = start_and_wait_shown(cls.session)
        cls.addClassCleanup(cls.session.close_program)
        cls.pid = cls.session.probe("find")["pid"]
        cls.screen = cls.session.probe("system")["screen"]
        SHOTS.mkdir(parents=True, exist_ok=True)
        print(f"\nscreenshots of the tips: {SHOTS}")

    def tearDown(self):
        if self.tips():
            self.session.probe("key", LOCAL_TIME, "16")
            self.wait_for(lambda: not self.tips(), 5)

    # -- the tip --

    def tips(self):
        """The program's visible tooltip windows: the balloon tip when it shows."""
        return [w for w in self.session.probe("windows")["windows"]
                if w["pid"] == self.pid and w["class"].lower() == "tooltips_class32" and w["visible"]]

    @staticmethod
    def wait_for(condition, timeout):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if condition():
                return True
            time.sleep(0.1)
        return bool(condition())

    def wait_tip(self, shot):
        """Waits for the tip, checks that it points at the lower right corner of the screen, takes a
        screenshot of it and returns the text it shows."""
        self.assertTrue(self.wait_for(self.tips, 10), "no tip came up")
        path = self.session.screenshot(SHOTS / shot)
        tip, = self.tips()
        width, height = self.screen
        x, y = width - 30, height - 25
        left, top, right, bottom = tip["rect"]
        self.assertTrue(left - 5 <= x <= right + 5 and top - 5 <= y <= bottom + 5,
                        f"the tip {tip['rect']} is away from the point ({x}, {y}); see {path}")
        self.assertTrue(right <= width and bottom <= height and left >= width // 2 and top >= height // 2,
                        f"the tip {tip['rect']} is not in the lower right corner; see {path}")
        # A tooltip answers WM_GETTEXT with the text it shows.
        answer = self.session.probe("text", class_name="tooltips_class32")
        self.assertEqual(answer["hwnd"], tip["hwnd"])
        return answer["text"]

    # -- the held time --

    def fetch(self, answer):
        server = TimeServer(lifetime=90)
        self.addCleanup(server.close)
        server.answer(answer)
        self.session.settext(COMBO, server.url)
        self.session.click(GET)
        self.assertTrue(server.wait_requests(1, timeout=20), "the server was never asked")
        self.assertIsNotNone(self.session.wait_text(FIELD, r"^\d{4}-", timeout=20))
        return server

    def tick_moment(self, field):
        """A moment at which the program's one-second tick ran, and the text it wrote: the change of a
        field that every tick rewrites with a new second."""
        shown = self.session.dump()["named"][field]["text"]
        for _ in range(5):
            tick = self.session.probe("wait-text", field, f"^(?!{shown}$)\\d{{4}}-", 3000)
            if tick["ms"] >= 40:
                return tick["at_ms"] / 1000 - 0.03, tick["text"]  # the probe looks every 40 ms
            # The tick came while the probe was starting, so its moment is unknown: take the next one.
            shown = tick["text"]
        self.fail("no tick was seen")

    @staticmethod
    def later(moment):
        """The same point of the tick one or more seconds on, far enough ahead for a probe to start."""
        while moment < time.time() + 2.5:
            moment += 1
        return moment

    def fetch_in_step(self):
        """Gets a time that a click can set: from a server that answers at once, asked well between two
        ticks, with a Date that the running held time keeps within half a second of the clock.

        A server that waits for the next second (as the automatic calibration's test uses) is no good
        here: a tick that comes due while the query waits runs right after the fetch and advances the
        time just set, so the held time then runs a second ahead and no click can be set."""
        tick, _ = self.tick_moment(LOCAL_TIME)
        at = self.later(tick + 0.3)
        # Held D until the next tick, then D + 1 from it on: D = round(tick + 0.5) puts the clock within
        # a second after the tick's moment at every tick, so half of every tick or more can be set.
        held = round(at - 0.3 + 0.5)
        server = TimeServer(lifetime=90)
        self.addCleanup(server.close)
        server.answer(Answer(date=http_date(held)))
        self.session.settext(COMBO, server.url)
        answer = self.session.click(GET, at=at)
        self.assertLess(answer["late_ms"], 150, "the machine was too busy to place the click")
        self.assertTrue(server.wait_requests(1, timeout=20), "the server was never asked")
        self.assertIsNotNone(self.session.wait_text(FIELD, r"^\d{4}-", timeout=20))

    def click_calibrate_in_step(self):
        """Clicks the calibrate button at a moment when the held time is nearest the clock, and returns
        that moment.

        Between two ticks the program holds the time shown plus one second (a tick shows the held time,
        then advances it), so within each tick the held time and the clock drift a second apart, and
        Wine sets the clock only within half a second of its own."""
        tick, shown = self.tick_moment(FIELD)
        held = epoch_of(shown) + 1
        low, high = max(tick, held - 0.5), min(tick + 1, held + 0.5)
        self.assertGreater(high - low, 0.3, f"the held time {shown} (+1 s) is off the clock")
        at = self.later((low + high) / 2)
        answer = self.session.click(CALIBRATE, at=at)
        self.assertLess(answer["late_ms"], 150, "the machine was too busy to place the click")
        return at

    # -- the tests --

    def test_a_click_sets_the_clock_and_the_success_tip_closes_by_itself(self):
        self.fetch_in_step()
        clicked = self.click_calibrate_in_step()
        self.assertEqual(self.wait_tip("success-click.png"), SUCCESS)
        self.assertTrue(self.wait_for(lambda: not self.tips(), 8), "the success tip stayed")
        self.assertGreater(time.time() - clicked, 2.5, "the success tip closed before its 3 s")

    def test_a_date_far_from_the_clock_gives_the_failure_tip_until_a_key_or_a_mouse_press(self):
        self.fetch(Answer(date=FAR))
        for press in (("key", LOCAL_TIME, "16"), ("click", LOCAL_TIME)):
            with self.subTest(press=press[0]):
                self.session.click(CALIBRATE)
                self.assertEqual(self.wait_tip(f"failure-{press[0]}.png"), FAILURE)
                time.sleep(4.5)
                self.assertTrue(self.tips(), "the failure tip closed by itself")
                self.session.probe(*press)
                self.assertTrue(self.wait_for(lambda: not self.tips(), 3), f"a {press[0]} left the tip open")
        # Nothing else changed: the held time runs on and the calibrate button can be used again.
        named = self.session.dump()["named"]
        self.assertTrue(named[FIELD]["text"].startswith("2015-11-19  11:"), named[FIELD]["text"])
        self.assertTrue(named[CALIBRATE]["enabled"])

    def test_auto_calibration_sets_the_clock_as_the_fetch_succeeds(self):
        self.session.click(AUTO)
        self.addCleanup(self.session.click, AUTO)
        self.assertEqual(self.session.dump()["named"][AUTO]["checked"], 1)
        started = time.time()
        self.fetch(Answer(next_second=True))
        self.assertEqual(self.wait_tip("success-auto.png"), SUCCESS)
        self.assertTrue(self.wait_for(lambda: not self.tips(), 8), "the success tip stayed")
        self.assertGreater(time.time() - started, 2.5, "the success tip closed before its 3 s")
