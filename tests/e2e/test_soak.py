"""A minute of interval synchronisation every second: the program keeps fetching and setting the clock,
its window keeps answering, it does not grow, and it closes when asked. bench/soak runs the same for half
an hour and prints the figures."""

import time

import procinfo
import wine
from timeserver import Answer, TimeServer

SETTINGS = "[自动校时]\r\n是否间隔=是\r\n间隔秒=1\r\n[lx]\r\nfuwuqi={url}\r\n"
RUN_S = 60
WARM_UP_S = 10


class SoakTest(wine.WineTestCase):
    def test_a_minute_of_fetches_every_second(self):
        s = self.session
        with TimeServer(lifetime=RUN_S + 120) as server:
            # Answers land just after a second boundary, so every calibration succeeds under Wine: the
            # whole success path (balloon tip included) runs each time.
            server.answer(Answer(next_second=True))
            s.write_file(r"C:\Windows\Kavrin.ini", SETTINGS.format(url=server.url).encode("gbk"))
            program = s.start_program()
            started = time.monotonic()
            time.sleep(WARM_UP_S)
            first = procinfo.sample(program.pid)
            first_objects = self.steady_objects()
            fetches_first = len(server.requests)
            self.assertIsNotNone(first, "the program ended during the warm-up")

            answered = 0
            checks = 0
            while time.monotonic() - started < RUN_S:
                time.sleep(10)
                checks += 1
                self.assertTrue(program.running(), "the program ended during the run")
                if s.probe("find", check=False).get("_rc") == 0:
                    answered += 1
            last = procinfo.sample(program.pid)
            last_objects = self.steady_objects()
            fetches = len(server.requests) - fetches_first
            field = s.dump()["named"]["编辑框_服务器时间"]["text"]

        self.assertIsNotNone(last, "the program ended during the run")
        self.assertEqual(answered, checks, "the window stopped answering")
        # A fetch every two or three seconds (one second of countdown, the wait for the next second
        # boundary); a loaded machine slows that, a stalled interval stops it.
        self.assertGreaterEqual(fetches, 8, f"{fetches} fetches in {RUN_S - WARM_UP_S} s")
        self.assertRegex(field, r"^\d{4}-\d\d-\d\d  \d\d:\d\d:\d\d$")
        # Generous bounds: a program that leaks a little per fetch would need far longer to show it here
        # (bench/soak), but one that keeps each answer or a handle per tick shows at once.
        growth_kb = last["rss_kb"] - first["rss_kb"]
        self.assertLess(growth_kb, 32 * 1024, f"resident memory grew by {growth_kb} kB")
        self.assertLess(last["fds"] - first["fds"], 32, f"descriptors {first['fds']} -> {last['fds']}")
        # Each fetch makes a request object, a thread, a socket and a balloon tip; none may stay.
        for kind, bound in (("gdi", 16), ("windows", 4), ("handles", 16)):
            self.assertLessEqual(last_objects[kind] - first_objects[kind], bound,
                                 f"{kind}: {first_objects[kind]} -> {last_objects[kind]}")

        s.close_program()
        self.assertIsNotNone(program.wait(15), "the program did not end when closed")

    def steady_objects(self):
        """The program's object counts outside a fetch: a fetch in flight holds a thread, a socket and
        a few events for about a second, so the least of three reads 0.7 s apart is taken."""
        reads = []
        for i in range(3):
            if i:
                time.sleep(0.7)
            reads.append(self.session.probe("objects"))
        return {k: min(r[k] for r in reads) for k in ("gdi", "windows", "handles")}
