"""Broken and hostile servers: answers cut short, oversized or garbage, servers that trickle or never
answer. Each attempt must end within bounded time, never take a wrong time, and leave the next server
(and the program's window) working. query.exe times single attempts with the program's own query and the
real WinHTTP object; the program itself shows that the window stays usable."""

import re
import time
import unittest

import procinfo
import wine
from timeserver import Answer, TimeServer

DATE = "Thu, 19 Nov 2015 03:18:29 GMT"
LOCAL = "2015-11-19  11:18:29"      # DATE + 8 hours, as the program shows it
HEAD = f"HTTP/1.1 200 OK\r\nDate: {DATE}\r\nContent-Length: 0\r\nConnection: close\r\n\r\n".encode()
PAD_LINE = b"X-Pad: " + b"a" * 1000 + b"\r\n"
QUERY_LINE = re.compile(r"(ok|fail) (\d{4}-\d\d-\d\d  \d\d:\d\d:\d\d) \((\d+) ms\)")


def query_lines(result):
    return [(m.group(1) == "ok", m.group(2), int(m.group(3))) for m in QUERY_LINE.finditer(result.stdout)]


class HostileAnswerTest(wine.WineTestCase):
    def test_broken_and_oversized_answers_fail_at_once_and_the_next_server_still_serves(self):
        # (what the server sends, whether the attempt may take the time from it)
        cases = [
            ("a Date of 10,000 characters", Answer(date="x" * 10000), False),
            ("a valid Date followed by 10,000 characters", Answer(date=DATE + " " + "9" * 10000), False),
            ("1,000 Date headers, the first valid", Answer(dates=[DATE] * 1000), True),
            ("1,000 Date headers, the first broken", Answer(dates=["Thu, 19 Nov"] + [DATE] * 999), False),
            ("a megabyte of other headers before the Date", Answer(raw=b"HTTP/1.1 200 OK\r\n" + PAD_LINE * 1000 +
                                                                 f"Date: {DATE}\r\n\r\n".encode()), True),
            ("closed inside the status line", Answer(raw=b"HTTP/1.1 20"), False),
            ("closed inside the Date", Answer(raw=b"HTTP/1.1 200 OK\r\nDate: Thu, 19 No"), False),
            ("closed after the status line", Answer(raw=b"HTTP/1.1 200 OK\r\n"), False),
            ("closed without a byte", Answer(close=True), False),
            ("no HTTP at all", Answer(raw=b"hello\r\n\r\n"), False),
            ("binary garbage", Answer(raw=bytes(range(256)) * 16), False),
            ("bytes outside ASCII in the Date", Answer(raw=b"HTTP/1.1 200 OK\r\nDate: \xff\xfe\xa1\xa1" + b"\x80" * 40 +
                                                      b"\r\nContent-Length: 0\r\n\r\n"), False),
        ]
        with TimeServer(lifetime=90) as server:
            # The first answer sets the held time; every hostile one after it must leave that time alone
            # (or, where the answer does carry the right Date, take exactly that time).
            server.queue(Answer(date=DATE), *[answer for _, answer, _ in cases],
                         Answer(date="Fri, 20 Nov 2015 00:00:00 GMT"))
            result = self.session.run("query.exe", *[server.url] * (len(cases) + 2), timeout=120)
        lines = query_lines(result)
        self.assertEqual(len(lines), len(cases) + 2, result)
        self.assertEqual(lines[0][:2], (True, LOCAL))
        for (name, _, may_serve), (ok, held, ms) in zip(cases, lines[1:]):
            with self.subTest(name):
                self.assertEqual(held, LOCAL)
                if not may_serve:
                    self.assertFalse(ok)
                self.assertLess(ms, 5000)            # a broken answer ends its attempt; no time-out needed
        self.assertEqual(lines[-1][:2], (True, "2015-11-20  08:00:00"))

    def test_a_header_flood_ends_and_its_memory_is_not_kept(self):
        # Windows' WinHTTP refuses a head beyond 64 KB; Wine's reads all of it. Sixteen megabytes of
        # headers, twice, must still end the attempts quickly and leave the process no bigger than one
        # flood's worth: nothing of the first flood is kept.
        flood = b"HTTP/1.1 200 OK\r\n" + PAD_LINE * 16000 + f"Date: {DATE}\r\n\r\n".encode()
        with TimeServer(lifetime=90) as server:
            server.answer(Answer(raw=flood))
            program = self.session.spawn("query.exe", *[server.url] * 4)
            peak = 0
            deadline = time.monotonic() + 60
            while program.running() and time.monotonic() < deadline:
                snap = procinfo.sample(program.pid)
                if snap:
                    peak = max(peak, snap.get("peak_rss_kb", 0))
                time.sleep(0.02)
            self.assertIsNotNone(program.wait(5), "query.exe still running after a minute")
        lines = [(ok, held) for ok, held, _ in query_lines(wine.Result(0, program.output(), "", 0))]
        self.assertEqual(len(lines), 4, program.output())
        for ok, held in lines:
            self.assertTrue(held.startswith("2015-11-19  11:18:"), held)   # plus the whole seconds it took
        # Four floods of 16 MB: a process that kept them would pass 200 MB.
        self.assertLess(peak, 200 * 1024, f"peak resident {peak} kB")


class SlowServerTest(wine.WineTestCase):
    # Wine 8's WinHTTP object waits for the response headers without any time-out of its own; the
    # program bounds each attempt itself.
    def test_a_silent_server_is_given_up_within_the_receive_timeout(self):
        with TimeServer(lifetime=25) as server:
            server.answer(Answer(hang=True))
            start = time.monotonic()
            result = self.session.run("query.exe", server.url, timeout=90)
            took = time.monotonic() - start
        (ok, _, ms), = query_lines(result)
        self.assertFalse(ok)
        self.assertLess(ms, 15000)
        self.assertLess(took, 20)

    def test_a_trickling_server_cannot_hold_an_attempt_beyond_the_timeouts(self):
        # One byte a second keeps every single receive inside its time-out, forever; the attempt as a
        # whole must still end (the four time-outs add up to 25 s), long before this server would stop.
        endless = b"HTTP/1.1 200 OK\r\nX-Pad: " + b"a" * 200
        with TimeServer(lifetime=50) as slow, TimeServer(lifetime=90) as good:
            slow.answer(Answer(raw=endless, trickle_ms=1000))
            good.answer(Answer(date=DATE))
            start = time.monotonic()
            result = self.session.run("query.exe", slow.url, good.url, timeout=120)
            took = time.monotonic() - start
        (ok1, _, ms1), (ok2, held2, _) = query_lines(result)
        self.assertFalse(ok1)
        self.assertLess(ms1, 35000)
        self.assertEqual((ok2, held2), (True, LOCAL))
        self.assertLess(took, 45)

    def test_a_slow_answer_serves_within_the_receive_timeout_with_its_delay_added(self):
        # Each byte 30 ms apart: the head takes about three seconds, inside the five of the receive
        # time-out. The answer serves; the whole seconds it took are added to its Date. The same head at
        # 80 ms a byte takes longer than the time-out and fails.
        with TimeServer(lifetime=60) as server:
            server.queue(Answer(raw=HEAD, trickle_ms=30), Answer(raw=HEAD, trickle_ms=80))
            result = self.session.run("query.exe", server.url, server.url, timeout=90)
        (ok, held, ms), (ok2, held2, ms2) = query_lines(result)
        self.assertTrue(ok, result)
        self.assertGreaterEqual(ms, len(HEAD) * 30 - 1000)
        self.assertEqual(held, "2015-11-19  11:18:%02d" % (29 + ms // 1000))
        self.assertEqual((ok2, held2), (False, held), result)
        self.assertLess(ms2, 15000)

class HostileServerProgramTest(wine.WineTestCase):
    """The real program against the same kind of servers: after each bad answer the window answers and
    the next good server serves."""

    def setUp(self):
        s = self.session
        s.write_file(r"C:\Windows\Kavrin.ini", "[自动校时]\r\n".encode("gbk"))
        self.program = s.start_program()
        self.addCleanup(self.stop)
        # No list: each click makes exactly one attempt, at the server in the combo's text.
        s.probe("combo-set", "组合框1")

    def stop(self):
        if self.program.running():
            self.session.close_program()
            if self.program.wait(15) is None:
                self.program.popen.kill()

    def fetch(self, url, expect, timeout=60):
        s = self.session
        s.settext("组合框1", url)
        s.click("图形按钮_获取时间", settle=0.2, check=False)
        return s.wait_text("编辑框_服务器时间", expect, timeout=timeout)

    def test_after_each_bad_server_the_window_answers_and_a_good_server_serves(self):
        flood = b"HTTP/1.1 200 OK\r\n" + PAD_LINE * 16000 + b"\r\n"
        bad = [
            ("silent for six seconds, then dropped", Answer(delay_ms=6000, close=True)),
            ("binary garbage", Answer(raw=bytes(range(256)) * 16)),
            ("closed inside the Date", Answer(raw=b"HTTP/1.1 200 OK\r\nDate: Thu, 19 No")),
            ("a Date of 10,000 characters", Answer(date="x" * 10000)),
            ("16 MB of headers and no Date", Answer(raw=flood)),
            ("1,000 Date headers, the first broken", Answer(dates=["Thu, 19 Nov"] + [DATE] * 999)),
        ]
        s = self.session
        with TimeServer(lifetime=240) as hostile, TimeServer(lifetime=240) as good:
            for day, (name, answer) in enumerate(bad, start=1):
                with self.subTest(name):
                    hostile.answer(answer)
                    start = time.monotonic()
                    self.assertIsNotNone(self.fetch(hostile.url, "时间服务器连接失败"), name)
                    self.assertLess(time.monotonic() - start, 30)
                    self.assertTrue(self.program.running())
                    self.assertEqual(s.probe("find")["_rc"], 0)
                    c = s.dump()["named"]
                    self.assertEqual((c["图形按钮_获取时间"]["enabled"], c["图形按钮_开始校准"]["enabled"]),
                                     (True, False))
                    # A different day each round, so the field cannot show an earlier round's time.
                    good.answer(Answer(date=f"Thu, {day:02d} Nov 2035 03:18:29 GMT"))
                    self.assertIsNotNone(self.fetch(good.url, f"^2035-11-{day:02d}  11:18:\\d\\d$"), name)

    def test_repeated_floods_leave_memory_bounded(self):
        # Each flood swells Wine's WinHTTP for the attempt; what stays afterwards must not add up.
        sizes = []
        with TimeServer(lifetime=240) as server:
            for day in range(1, 7):
                date = f"Thu, {day:02d} Nov 2035 03:18:29 GMT"
                server.answer(Answer(raw=b"HTTP/1.1 200 OK\r\n" + PAD_LINE * 16000 + f"Date: {date}\r\n\r\n".encode()))
                self.assertIsNotNone(self.fetch(server.url, f"^2035-11-{day:02d}  11:18:\\d\\d$"), f"flood {day}")
                sizes.append(procinfo.sample(self.program.pid)["rss_kb"])
        self.assertTrue(self.program.running())
        # After the first flood the process has its peak working set; five more must not add five more.
        self.assertLess(max(sizes[1:]) - sizes[0], 64 * 1024, f"resident kB after each flood: {sizes}")

class TarpitTest(wine.WineTestCase):
    def test_attempts_given_up_keep_nothing_of_the_program_and_the_rest_goes_with_the_connection(self):
        # Interval synchronisation every second against two servers that never let go while the test
        # runs: one silent, one trickling a header that never ends. Each attempt is given up after the
        # receive time-out and must then let go of the program's own thread and request object at once.
        # Wine's WinHTTP keeps a thread of its pool and the socket of such a request until the server
        # drops the connection; those must come back once it does.
        s = self.session
        with TimeServer(lifetime=400) as silent, TimeServer(lifetime=400) as trickle, \
                TimeServer(lifetime=400) as good:
            silent.answer(Answer(hang=True))
            trickle.answer(Answer(raw=b"HTTP/1.1 200 OK\r\nX-Pad: " + b"a" * 100000, trickle_ms=1000))
            good.answer(Answer(date=DATE))
            s.write_file(r"C:\Windows\Kavrin.ini", f"[自动校时]\r\n是否间隔=是\r\n间隔秒=1\r\n[lx]\r\nfuwuqi={silent.url}\r\n"
                         .encode("gbk"))
            program = s.start_program()
            self.addCleanup(lambda: program.running() and program.popen.kill())
            # Each fetch asks the combo's text, then both servers of the list.
            s.probe("combo-set", "组合框1", silent.url, trickle.url)

            def attempts():
                return len(silent.requests) + len(trickle.requests)

            self.assertGreaterEqual(self.wait_for(attempts, 2, 60), 2)
            first = procinfo.sample(program.pid)
            first_own = procinfo.own_threads(program.pid)
            start = attempts()
            self.assertGreaterEqual(self.wait_for(attempts, start + 12, 240), start + 12)
            own = procinfo.own_threads(program.pid)
            # At most the attempt in flight has a thread of its own; twelve given up leave none behind.
            self.assertLessEqual(own - first_own, 1, f"own threads {first_own} -> {own}")

            silent.close()
            trickle.close()
            s.probe("combo-set", "组合框1")
            s.settext("组合框1", good.url)
            self.assertIsNotNone(s.wait_text("编辑框_服务器时间", "^2015-11-19  11:18:", timeout=60))
            end = time.monotonic() + 30
            while time.monotonic() < end:
                last = procinfo.sample(program.pid)
                if last["fds"] - first["fds"] <= 8:
                    break
                time.sleep(1)
            self.assertLessEqual(last["fds"] - first["fds"], 8, f"descriptors {first} -> {last}")
            self.assertLess(last["rss_kb"] - first["rss_kb"], 32 * 1024, f"resident {first} -> {last}")
            s.close_program()
            self.assertIsNotNone(program.wait(15))

    @staticmethod
    def wait_for(count, at_least, timeout):
        """Waits until count() reaches at_least; returns the count then."""
        end = time.monotonic() + timeout
        while count() < at_least and time.monotonic() < end:
            time.sleep(0.2)
        return count()

if __name__ == "__main__":
    unittest.main()
