"""Asking one server for its time, with the real WinHTTP object under Wine against loopback servers
(query.exe runs the program's query with the real request object and the real clock)."""

import re
import time
import unittest

import wine
from timeserver import Answer, RefusedPort, TimeServer

DATE = "Thu, 19 Nov 2015 03:18:29 GMT"
LOCAL = "2015-11-19  11:18:29"      # DATE + 8 hours, as the program shows it
ZERO = "1899-12-30  00:00:00"       # the value held before any answer


class QueryTest(wine.WineTestCase):
    def query(self, *servers, timeout=60):
        """Runs query.exe over the servers in turn; returns (ok, held time, ms) per server."""
        result = self.session.run("query.exe", *servers, timeout=timeout)
        lines = result.stdout.splitlines()
        self.assertEqual(len(lines), len(servers), result)
        answers = []
        for line in lines:
            m = re.fullmatch(r"(ok|fail) (\d{4}-\d\d-\d\d  \d\d:\d\d:\d\d) \((\d+) ms\)", line)
            self.assertIsNotNone(m, line)
            answers.append((m.group(1) == "ok", m.group(2), int(m.group(3))))
        return answers

    def test_any_status_with_a_date_serves(self):
        servers = [TimeServer(lifetime=60) for _ in range(4)]
        for server, status in zip(servers, (200, 404, 500, 503)):
            self.addCleanup(server.close)
            server.answer(Answer(status=status, date=DATE))
        answers = self.query(*(s.url for s in servers))
        for server, (ok, held, _) in zip(servers, answers):
            self.assertEqual((ok, held), (True, LOCAL))
            self.assertEqual([(r.method, r.path) for r in server.requests], [("HEAD", "/123.123")])

    def test_redirect_serves_with_its_own_date_and_its_target_is_never_asked(self):
        with TimeServer(lifetime=60) as target:
            target.answer(Answer(date="Fri, 20 Nov 2015 00:00:00 GMT"))
            redirects = []
            for status in (301, 302, 307):
                server = TimeServer(lifetime=60)
                self.addCleanup(server.close)
                server.answer(Answer(status=status, date=DATE, location=target.url + "/123.123"))
                redirects.append(server)
            answers = self.query(*(s.url for s in redirects))
            self.assertEqual([(ok, held) for ok, held, _ in answers], [(True, LOCAL)] * 3)
            time.sleep(0.3)
            self.assertEqual(target.requests, [])

    def test_a_missing_or_refused_date_fails_and_leaves_the_time(self):
        bad = [
            Answer(date=None),                                  # no Date at all
            Answer(date=""),                                    # an empty one
            Answer(date="Thu, 19 Nov 2015 03:18:29 UTC"),       # not GMT
            Answer(date="Thursday, 19-Nov-15 03:18:29 GMT"),    # the other layouts of HTTP
            Answer(date="Thu Nov 19 03:18:29 2015"),
            Answer(date="Thu, 19 Nov 2008 03:18:29 GMT"),       # year out of range
            Answer(date="Thu, 32 Nov 2015 03:18:29 GMT"),       # day out of range
        ]
        with TimeServer(lifetime=60) as good, TimeServer(lifetime=60) as server:
            good.answer(Answer(date=DATE))
            server.queue(*bad)
            answers = self.query(good.url, *[server.url] * len(bad))
            self.assertEqual(answers[0][:2], (True, LOCAL))
            for answer, sent in zip(answers[1:], bad):
                with self.subTest(date=sent.date):
                    self.assertEqual(answer[:2], (False, LOCAL))

    def test_whole_seconds_of_the_round_trip_are_added(self):
        with TimeServer(lifetime=60) as fast, TimeServer(lifetime=60) as slow:
            fast.answer(Answer(date=DATE, delay_ms=400))
            slow.answer(Answer(date=DATE, delay_ms=1300))
            (ok1, held1, ms1), (ok2, held2, ms2) = self.query(fast.url, slow.url)
            self.assertTrue(ok1 and ok2)
            self.assertLess(ms1, 1000)
            self.assertEqual(held1, LOCAL)
            self.assertTrue(1000 <= ms2 < 2000, ms2)
            self.assertEqual(held2, "2015-11-19  11:18:30")

    def test_the_server_text_is_used_unchanged(self):
        with TimeServer(lifetime=60) as server:
            server.answer(Answer(date=DATE))
            bare = server.url[len("http://"):]
            answers = self.query(bare, "", server.url + "/")
            # Without "http://" or with nothing at all the object takes no address: no request is made.
            self.assertEqual([a[:2] for a in answers[:2]], [(False, ZERO)] * 2)
            # A trailing slash stays: the path gets two.
            self.assertEqual(answers[2][:2], (True, LOCAL))
            self.assertEqual([r.path for r in server.requests], ["//123.123"])

    def test_a_refused_connection_fails_at_once(self):
        with RefusedPort() as port:
            (ok, held, ms), = self.query(port.url)
            self.assertEqual((ok, held), (False, ZERO))
            self.assertLess(ms, 2000)

    def test_two_date_headers_the_first_serves(self):
        with TimeServer(lifetime=60) as server:
            server.answer(Answer(dates=[DATE, "Fri, 20 Nov 2015 10:00:00 GMT"]))
            (ok, held, _), = self.query(server.url)
            self.assertEqual((ok, held), (True, LOCAL))

    def test_a_silent_server_fails_within_the_receive_timeout(self):
        with TimeServer(lifetime=60) as server:
            server.answer(Answer(delay_ms=8000, close=True))   # accepts, says nothing, drops after 8 s
            (ok, held, ms), = self.query(server.url)
            self.assertEqual((ok, held), (False, ZERO))
            self.assertTrue(4500 <= ms <= 7000, f"{ms} ms")
            # The server was asked once: the attempt was given up, not repeated.
            self.assertEqual(len(server.requests), 1)

    def test_no_window_message_is_handled_while_a_query_waits(self):
        """The query's thread has a window with a posted message and a running timer: none of them may
        run while the server is being asked (the program's timers and clicks would run inside the
        query), and all of them are still there for the message loop afterwards."""
        with TimeServer(lifetime=60) as slow, TimeServer(lifetime=60) as silent:
            slow.answer(Answer(date=DATE, delay_ms=700))
            silent.answer(Answer(delay_ms=7000, close=True))
            result = self.session.run("query.exe", "--messages", slow.url, silent.url, timeout=40)
            lines = result.stdout.splitlines()
            self.assertEqual(len(lines), 2, result)
            for line, outcome in zip(lines, ("ok " + LOCAL, "fail " + LOCAL)):
                with self.subTest(line=line):
                    m = re.fullmatch(r"(.*) \((\d+) ms\) during (\d+) after (\d+)", line)
                    self.assertIsNotNone(m, line)
                    self.assertEqual(m.group(1), outcome)
                    self.assertGreaterEqual(int(m.group(2)), 600)
                    self.assertEqual(int(m.group(3)), 0, "messages handled while the server was asked")
                    self.assertGreaterEqual(int(m.group(4)), 2, "the posted message and the timer")


if __name__ == "__main__":
    unittest.main()
