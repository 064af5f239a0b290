"""The one-second tick of the real program under Wine: both time fields, the interval cycle, the exit
countdown after a calibration, the analog clock face on screen, and nothing piling up while it ticks."""

import datetime
import math
import re
import subprocess
import time
import unittest

import wine
from timeserver import Answer, TimeServer

SHOWN = re.compile(r"^(\d{4})-(\d\d)-(\d\d)  (\d\d):(\d\d):(\d\d)$")
SECOND = datetime.timedelta(seconds=1)
# The notice check gets no sources: it must not reach for the network during these tests.
NO_NOTICE = {"LUMVO_TEST_NOTICE_PRIMARY": "", "LUMVO_TEST_NOTICE_BACKUP": ""}
TEST_DIR = wine.TEST_DIR


def shown_time(text):
    """The datetime a time field shows, or None when it shows something else."""
    m = SHOWN.match(text or "")
    return datetime.datetime(*map(int, m.groups())) if m else None


def settings(server_url="", **options):
    """A settings file in GBK: section 自动校时 with every synchronisation option off unless given,
    and the server choice."""
    values = {"是否自动": "否", "是否间隔": "否", "自动退出": "否", "隐藏": "否"}
    values.update(options)
    lines = ["[自动校时]"] + [f"{k}={v}" for k, v in values.items()]
    if server_url:
        lines += ["[lx]", f"fuwuqi={server_url}"]
    return ("\r\n".join(lines) + "\r\n").encode("gbk")


def wine_local_time(session):
    """Wine's local time now, as a naive datetime with milliseconds."""
    text = session.probe("local-time")["local"]
    return datetime.datetime.strptime(text, "%Y-%m-%d  %H:%M:%S.%f")


# ---- the clock face ---------------------------------------------------------------------------------

CANVAS_IN_WINDOW = (5 + 176, 30 + 205)  # the page's place in the window + 画板1's place on the page
CANVAS_SIZE = 80
CENTRE = (40, 40)
RED = (255, 0, 0)
SILVER = (192, 192, 192)


def hand_ends(hour, minute, second, centre=CENTRE):
    """Where the three hands end: positions count minutes of the dial from 3 o'clock, 6.28 radians to a
    turn, and every conversion to an integer truncates toward zero."""
    def end(p, length):
        angle = p * 6.28 / 60
        return (math.trunc(centre[0] + math.cos(angle) * length), math.trunc(centre[1] + math.sin(angle) * length))

    h0, m0, s0 = hour - 15, minute - 15, second - 15
    return {"hour": end(math.trunc(h0 * 5 + m0 / 12 + 1), 15), "minute": end(m0, 20), "second": end(s0, 30)}


def distance_to_segment(point, a, b):
    (px, py), (ax, ay), (bx, by) = point, a, b
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy
    t = 0.0 if length2 == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length2))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def read_pixels(png, left, top, size):
    """The RGB pixels of a square of a PNG, through ImageMagick: {(x, y): (r, g, b)}."""
    ppm = subprocess.run(["convert", str(png), "-crop", f"{size}x{size}+{left}+{top}", "+repage", "-depth", "8",
                          "ppm:-"], check=True, capture_output=True, timeout=30).stdout
    # P6 <w> <h> <max>\n then the bytes
    fields = ppm.split(maxsplit=4)
    width, height, data = int(fields[1]), int(fields[2]), fields[4]
    return {(x, y): tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3]) for y in range(height) for x in range(width)}


def face_faults(pixels, hour, minute, second):
    """What is wrong with a drawing of the face for this time: an empty list when each hand is where the
    time puts it, in its colour, and nothing red or silver lies anywhere else."""
    ends = hand_ends(hour, minute, second)
    width = {"hour": 2.5, "minute": 2.0, "second": 1.5}   # half the pen, plus the rasteriser's pixel
    colour = {"hour": SILVER, "minute": SILVER, "second": RED}
    faults = []
    for hand, end in ends.items():
        others = [h for h in ends if h != hand]
        checked = 0
        for t in (0.35, 0.5, 0.65, 0.8, 0.95):
            x = CENTRE[0] + (end[0] - CENTRE[0]) * t
            y = CENTRE[1] + (end[1] - CENTRE[1]) * t
            if math.hypot(x - CENTRE[0], y - CENTRE[1]) < 6:
                continue  # the centre dot
            # The second hand lies over the silver ones; a silver point under it proves nothing.
            if colour[hand] == SILVER and distance_to_segment((x, y), CENTRE, ends["second"]) < 2.5:
                continue
            if hand == "hour" and distance_to_segment((x, y), CENTRE, ends["minute"]) < 3:
                continue  # a minute hand over the hour hand would pass as well
            checked += 1
            near = [pixels.get((round(x) + dx, round(y) + dy)) for dx in (-1, 0, 1) for dy in (-1, 0, 1)]
            if colour[hand] not in near:
                faults.append(f"{hand} hand: no {colour[hand]} near ({x:.1f}, {y:.1f})")
        if checked == 0 and all(distance_to_segment(end, CENTRE, ends[o]) > 3 for o in others):
            faults.append(f"{hand} hand: nothing to check")
    for (x, y), rgb in pixels.items():
        if rgb == RED and distance_to_segment((x, y), CENTRE, ends["second"]) > width["second"]:
            faults.append(f"red at ({x}, {y}), away from the second hand")
        if rgb == SILVER and math.hypot(x - CENTRE[0], y - CENTRE[1]) > 5 and all(
                distance_to_segment((x, y), CENTRE, ends[h]) > width[h] for h in ("hour", "minute")):
            faults.append(f"silver at ({x}, {y}), away from the hour and minute hands")
    return faults[:12]


class TickTest(wine.WineTestCase):
    """One program for the class, with every synchronisation option off."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        s = cls.session
        s.write_file(r"C:\Windows\Kavrin.ini", settings())
        cls.app = s.start_program(env=NO_NOTICE)

    def fields(self):
        """(local-time field, standard-time field) read in one go."""
        named = self.session.dump()["named"]
        return named["编辑框_系统时间"]["text"], named["编辑框_服务器时间"]["text"]

    def test_local_time_field_shows_wines_clock_every_second(self):
        s = self.session
        before = wine_local_time(s)
        texts, _, gone = s.watch_text("编辑框_系统时间", 4.5)
        after = wine_local_time(s)
        self.assertIsNone(gone)
        shown = [shown_time(t) for t in texts]
        self.assertTrue(all(shown), texts)
        # Whole seconds of Wine's clock, read at the ticks between the two readings of it.
        for t in shown:
            self.assertGreaterEqual(t, before.replace(microsecond=0) - SECOND, texts)
            self.assertLessEqual(t, after + SECOND, texts)
        # A new second at every tick; a loaded machine may merge two timer events into one.
        self.assertGreaterEqual(len(shown), 4, texts)
        steps = [b - a for a, b in zip(shown, shown[1:])]
        self.assertTrue(all(SECOND <= d <= 3 * SECOND for d in steps), texts)
        # Wine's local time is Beijing time here, as the program's users have it.
        utc = datetime.datetime.now(datetime.timezone.utc).replace(tzinfo=None)
        self.assertLess(abs((after - utc) - datetime.timedelta(hours=8)), datetime.timedelta(seconds=5))

    def test_standard_time_runs_one_second_per_tick_across_the_new_year(self):
        s = self.session
        with TimeServer(lifetime=60) as server:
            server.answer(Answer(date="Thu, 31 Dec 2015 15:59:55 GMT"))
            s.settext("组合框1", server.url)
            s.click("图形按钮_获取时间")
            self.assertIsNotNone(s.wait_text("编辑框_服务器时间", r"^2015-12-31  23:59:5[5-9]$", timeout=20))
            texts, _, _ = s.watch_text("编辑框_服务器时间", 7)
            self.assertEqual(len(server.requests), 1)
        shown = [shown_time(t) for t in texts]
        self.assertTrue(all(shown), texts)
        # Every tick shows the held time and then advances it by exactly one second, with carry.
        start = shown[0]
        self.assertEqual(shown, [start + i * SECOND for i in range(len(shown))], texts)
        self.assertIn(datetime.datetime(2016, 1, 1, 0, 0, 0), shown, texts)
        # The two fields change at the same ticks, so their difference holds.
        first_local, first_standard = map(shown_time, self.fields())
        time.sleep(2.5)
        last_local, last_standard = map(shown_time, self.fields())
        self.assertGreater(last_standard, first_standard)
        drift = (last_local - last_standard) - (first_local - first_standard)
        self.assertLessEqual(abs(drift), SECOND)

    def test_clock_face_hands_follow_the_local_time(self):
        s = self.session
        window = s.probe("find")["rect"]
        canvas = s.dump()["named"]["画板1"]["rect"]
        self.assertEqual(canvas, [*CANVAS_IN_WINDOW, CANVAS_IN_WINDOW[0] + CANVAS_SIZE, CANVAS_IN_WINDOW[1] + CANVAS_SIZE])
        # A borderless window: its client area starts at its top left corner.
        left, top = window[0] + canvas[0], window[1] + canvas[1]
        for attempt in range(4):
            # The field and the face come from the same tick; a screenshot between two readings of the
            # field that agree shows that tick's face (or, at worst, the next one's).
            before, _ = self.fields()
            shot = s.screenshot(s.dir / f"face-{attempt}.png")
            after, _ = self.fields()
            times = sorted({shown_time(before), shown_time(after)})
            if times[-1] - times[0] > SECOND:
                continue
            pixels = read_pixels(shot, left, top, CANVAS_SIZE)
            verdicts = {t: face_faults(pixels, t.hour, t.minute, t.second) for t in times}
            good = [t for t, faults in verdicts.items() if not faults]
            self.assertTrue(good, f"{shot}: {verdicts}")
            return
        self.fail("the local-time field changed by more than a second around every screenshot")

    def test_ticking_makes_no_gdi_objects_or_windows(self):
        s = self.session
        self.wait_ticks(3)  # the notice check's timer has fired and start-up is over
        first = s.probe("objects")
        self.wait_ticks(15)  # fifteen redrawings of the face and rewritings of the fields
        last = s.probe("objects")
        self.assertIsNotNone(first["gdi"], "Wine's GDI table could not be read")
        self.assertEqual(last["gdi_kinds"], first["gdi_kinds"])
        self.assertEqual(last["windows"], first["windows"])

    def wait_ticks(self, count, timeout=90):
        """Waits until the local-time field has moved on by `count` seconds."""
        start = shown_time(self.fields()[0])
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            now = shown_time(self.fields()[0])
            if start and now and now - start >= count * SECOND:
                return
            time.sleep(0.5)
        self.fail(f"the local-time field did not move on by {count} s")


class SettingsDrivenTest(wine.WineTestCase):
    """Programs started with options in their settings file, each test its own."""

    def start(self, server, **options):
        s = self.session
        s.write_file(r"C:\Windows\Kavrin.ini", settings(server.url, **options))
        app = s.start_program(env={**NO_NOTICE, **getattr(self, "extra_env", {})})
        self.addCleanup(lambda: s.close_program() if app.running() else None)
        return app

    def test_interval_cycle_counts_down_fetches_and_starts_again(self):
        s = self.session
        with TimeServer(lifetime=90) as server:
            server.answer(Answer(next_second=True))
            self.start(server, **{"是否间隔": "是", "间隔秒": "2"})
            watch_start = time.time()
            texts, _, _ = s.watch_text("编辑框_间隔秒", 12)
            requests = [r.time - watch_start for r in server.requests]
            # (a fetch may be under way: it shows its own text until the server answers)
            standard = s.wait_text("编辑框_服务器时间", SHOWN.pattern, timeout=10)
            local = wine_local_time(s)
        # The field counts 2, 1, 0; at 0 the fetch runs and the saved 2 comes back.
        self.assertGreaterEqual(len(texts), 6, texts)
        cycle = ["2", "1", "0"]
        first = cycle.index(texts[0])
        self.assertEqual(texts, [cycle[(first + i) % 3] for i in range(len(texts))])
        restarts = sum(1 for a, b in zip(texts, texts[1:]) if (a, b) == ("0", "2"))
        self.assertGreaterEqual(restarts, 2, texts)
        # A request for each run-out count, one count (three ticks) plus the fetch apart.
        self.assertGreaterEqual(len(requests), restarts, requests)
        self.assertTrue(all(r.path == "/123.123" for r in server.requests))
        gaps = [b - a for a, b in zip(requests, requests[1:])]
        self.assertTrue(gaps and all(2.5 <= g <= 9 for g in gaps), gaps)
        # Each fetch brought the server's time, which then runs in the standard-time field.
        self.assertLessEqual(abs(shown_time(standard) - local.replace(microsecond=0)), 2 * SECOND, standard)

    def test_exit_countdown_after_a_calibration_closes_the_program_once(self):
        s = self.session
        trace = TEST_DIR + r"\exit.log"
        s.remove_file(trace)
        self.extra_env = {"LUMVO_TEST_EXIT_TRACE": trace}
        with TimeServer(lifetime=90) as server:
            server.answer(Answer(next_second=True))
            app = self.start(server, **{"自动退出": "是", "是否自动": "是", "秒": "1"})
            texts, _, gone = s.watch_text("编辑框_服务器时间", 30)
            code = app.wait(15)
            self.assertEqual(len(server.requests), 1)
        # The text with -1 stands only until the queued close is handled; the watcher still sees it, since
        # a read it sends during that tick is answered before the posted close is taken.
        countdown = [t for t in texts if t.startswith("校准完成")]
        self.assertEqual(countdown, [f"校准完成 {n} 秒后自动退出" for n in (3, 2, 1, 0, -1)], texts)
        # The calibrated time was shown before the countdown took the field over.
        self.assertIsNotNone(shown_time(texts[texts.index(countdown[0]) - 1]), texts)
        self.assertIsNotNone(gone, texts)
        self.assertEqual(code, 0)
        self.assertEqual(s.read_file(trace), b"ExitCleanup\n")


if __name__ == "__main__":
    unittest.main()
