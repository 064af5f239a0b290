"""The get-time command of the real program under Wine, over a server list of loopback servers: the order
in which the servers are asked, what each outcome leaves in the window, and what one request looks like."""

import time

import wine
from timeserver import Answer, TimeServer

SETTINGS = r"C:\Windows\Kavrin.ini"
FIELD = "编辑框_服务器时间"
COMBO = "组合框1"
GET = "图形按钮_获取时间"
CALIBRATE = "图形按钮_开始校准"
TRY_NEXT = "选择框_自动尝试下一服务器"
FAILED = "时间服务器连接失败......"

# Ways for one attempt to fail at once: an answer without a Date, and one whose Date is refused.
NO_DATE = Answer(status=503, date=None)
BAD_DATE = Answer(date="Thu, 19 Nov 2015 03:18:29 UTC")


def start_and_wait_shown(session):
    """Starts the program from an empty settings file and waits until its start-up has run."""
    session.write_file(SETTINGS, "[自动校时]\r\n".encode("gbk"))
    program = session.start_program()
    end = time.monotonic() + 20
    while time.monotonic() < end:
        if session.probe("find")["visible"]:
            return program
        time.sleep(0.1)
    raise AssertionError("the main window was never shown")


class FetchTest(wine.WineTestCase):
    """One program for the class; each test sets the server list and the combo's text it needs."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.program = start_and_wait_shown(cls.session)
        cls.addClassCleanup(cls.session.close_program)

    def servers(self, **answers):
        """Named loopback servers, each giving one answer to every request."""
        made = {}
        for name, answer in answers.items():
            server = TimeServer(lifetime=90)
            self.addCleanup(server.close)
            server.answer(answer)
            made[name] = server
        return made

    def set_servers(self, text, items):
        self.session.probe("combo-set", COMBO, *items)
        self.assertEqual(self.session.settext(COMBO, text)["text"], text)

    @staticmethod
    def asked(servers):
        """The names of the servers in the order their requests arrived."""
        log = [(r.time, name) for name, server in servers.items() for r in server.requests]
        return [name for _, name in sorted(log)]

    def fetch_until(self, pattern, last=None):
        """Clicks the get-time button and waits until the field shows `pattern`. With `last` (a server
        that is asked last), it first waits for that request, so a text left by an earlier fetch is not
        taken for this one's: the fetch shows its progress text first, before it asks anyone."""
        self.session.click(GET)
        if last is not None:
            self.assertTrue(last.wait_requests(1, timeout=30), "the last server was never asked")
        text = self.session.wait_text(FIELD, pattern, timeout=30)
        self.assertIsNotNone(text, self.session.dump()["named"][FIELD]["text"])
        return self.session.dump()["named"]

    def set_try_next(self, on):
        if bool(self.session.dump()["named"][TRY_NEXT]["checked"]) != on:
            self.session.click(TRY_NEXT)
        self.assertEqual(bool(self.session.dump()["named"][TRY_NEXT]["checked"]), on)

    def test_a_success_on_the_third_attempt_holds_that_server_and_its_time(self):
        self.set_try_next(True)
        s = self.servers(typed=NO_DATE, first=BAD_DATE, second=Answer(status=404, date="Sat, 21 Nov 2015 16:30:05 GMT"),
                         third=Answer.now())
        # The combo's own text is a server that is not in the list: it is asked first, then the list
        # from its first entry.
        self.set_servers(s["typed"].url, [s["first"].url, s["second"].url, s["third"].url])
        # 16:30:05 GMT on the 21st is past midnight here; the held time runs on from the first second.
        named = self.fetch_until(r"^2015-11-22  00:30:0[5-9]$")
        self.assertEqual(self.asked(s), ["typed", "first", "second"])
        self.assertEqual(named[COMBO]["text"], s["second"].url)
        self.assertEqual(named[COMBO]["items"], [s["first"].url, s["second"].url, s["third"].url])
        self.assertTrue(named[GET]["enabled"] and named[CALIBRATE]["enabled"])
        for server in s.values():
            self.assertTrue(all((r.method, r.path) == ("HEAD", "/123.123") for r in server.requests))

    def test_every_attempt_failing_leaves_the_last_entry_and_only_the_get_button(self):
        self.set_try_next(True)
        # Start from a held server time, so the fetch is seen to take it away.
        s = self.servers(good=Answer.now())
        self.set_servers(s["good"].url, [s["good"].url])
        self.assertTrue(self.fetch_until(r"^\d{4}-", last=s["good"])[CALIBRATE]["enabled"])

        s = self.servers(a=NO_DATE, b=BAD_DATE, c=NO_DATE)
        self.set_servers(s["a"].url, [s["a"].url, s["b"].url, s["c"].url])
        named = self.fetch_until("^" + FAILED + "$", last=s["c"])
        # The combo's text is the list's first entry, so that server is asked twice: as the text and as
        # the first entry. n entries give n + 1 attempts.
        self.assertEqual(self.asked(s), ["a", "a", "b", "c"])
        self.assertEqual(named[COMBO]["text"], s["c"].url)
        self.assertEqual((named[GET]["enabled"], named[CALIBRATE]["enabled"]), (True, False))
        for server in s.values():
            self.assertTrue(all((r.method, r.path) == ("HEAD", "/123.123") for r in server.requests))

    def test_without_try_next_only_the_combos_text_is_asked(self):
        self.set_try_next(False)
        self.addCleanup(self.set_try_next, True)
        s = self.servers(typed=NO_DATE, first=Answer.now(), second=Answer.now())
        items = [s["first"].url, s["second"].url]
        self.set_servers(s["typed"].url, items)
        named = self.fetch_until("^" + FAILED + "$", last=s["typed"])
        self.assertEqual(self.asked(s), ["typed"])
        self.assertEqual((named[COMBO]["text"], named[COMBO]["items"]), (s["typed"].url, items))
        self.assertEqual((named[GET]["enabled"], named[CALIBRATE]["enabled"]), (True, False))

    def test_the_window_handles_no_message_while_a_server_is_asked(self):
        """The program's thread waits for an answer without handling any message (its timers and clicks
        would otherwise run inside the query): another process asking for a control's text gets no answer
        until the server has answered."""
        s = self.servers(slow=Answer(date="Mon, 30 Nov 2015 16:00:00 GMT", delay_ms=4000))
        self.set_servers(s["slow"].url, [])
        self.session.click(GET, settle=0.3)
        self.assertTrue(s["slow"].wait_requests(1, timeout=10), "the server was never asked")
        answer = self.session.probe("wait-text", FIELD, ".", 100, check=False)
        self.assertLess(time.time() - s["slow"].requests[0].time, 3.5, "the probe came too late to tell")
        self.assertIsNone(answer["text"], "the window answered while its server was being asked")
        self.assertIsNotNone(self.session.wait_text(FIELD, r"^2015-12-01  00:00:0\d$", timeout=15))
