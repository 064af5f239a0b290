"""The bench itself: the scripted time server, probe.exe against a window of known controls, the URL
recorder, and the Wine session's settings. Every other end-to-end test stands on these."""

import http.client
import socket
import struct
import time
import unittest

import wine
from timeserver import Answer, RefusedPort, TimeServer, http_date

FIXTURE_TITLE = "probe fixture 窗口"


def raw_head(url, path="/123.123", timeout=5.0):
    """Sends a HEAD and returns (status line, [(name, value)...]) exactly as the server wrote them."""
    host, port = url[len("http://"):].split(":")
    with socket.create_connection((host, int(port)), timeout=timeout) as sock:
        sock.sendall(f"HEAD {path} HTTP/1.1\r\nHost: {host}\r\n\r\n".encode())
        data = b""
        while b"\r\n\r\n" not in data:
            chunk = sock.recv(4096)
            if not chunk:
                break
            data += chunk
    lines = data.split(b"\r\n\r\n")[0].decode("latin-1").split("\r\n")
    return lines[0], [tuple(part.strip() for part in line.split(":", 1)) for line in lines[1:]]


class TimeServerTest(unittest.TestCase):
    def test_headers_are_exactly_the_scripted_ones(self):
        cases = [
            (Answer(status=404, date="Thu, 19 Nov 2015 03:18:29 GMT"), "HTTP/1.1 404",
             ["Thu, 19 Nov 2015 03:18:29 GMT"]),
            (Answer(date=None), "HTTP/1.1 200", []),
            (Answer(dates=["a", "b"]), "HTTP/1.1 200", ["a", "b"]),
            (Answer(status=302, date="x", location="http://127.0.0.1:1/y"), "HTTP/1.1 302", ["x"]),
        ]
        with TimeServer(lifetime=30) as server:
            for answer, status, dates in cases:
                with self.subTest(answer=answer):
                    server.queue(answer)
                    line, headers = raw_head(server.url)
                    self.assertTrue(line.startswith(status), line)
                    self.assertEqual([v for n, v in headers if n.lower() == "date"], dates)
                    if answer.location:
                        self.assertIn(("Location", answer.location), headers)

    def test_answers_by_queue_then_path_then_default_and_every_request_is_logged(self):
        with TimeServer(lifetime=30) as server:
            server.answer(Answer(status=404, date="p"), path="/123.123")
            server.answer(Answer(status=500, date="d"))
            server.queue(Answer(status=201, date="q"))
            seen = [raw_head(server.url, path)[0].split()[1] for path in ("/123.123", "/123.123", "/other")]
            self.assertEqual(seen, ["201", "404", "500"])
            self.assertEqual([(r.method, r.path) for r in server.requests],
                             [("HEAD", "/123.123"), ("HEAD", "/123.123"), ("HEAD", "/other")])
            self.assertTrue(all(abs(r.time - time.time()) < 10 for r in server.requests))

    def test_default_answer_carries_the_current_time(self):
        with TimeServer(lifetime=30) as server:
            _, headers = raw_head(server.url)
            date = dict(headers)["Date"]
            self.assertIn(date, {http_date(time.time() - 1), http_date(), http_date(time.time() + 1)})

    def test_delay_silence_and_next_second(self):
        with TimeServer(lifetime=30) as server:
            server.queue(Answer(delay_ms=600))
            start = time.monotonic()
            raw_head(server.url)
            self.assertGreaterEqual(time.monotonic() - start, 0.55)

            server.queue(Answer(hang=True))
            with self.assertRaises(socket.timeout):
                raw_head(server.url, timeout=0.5)

            server.queue(Answer(next_second=True))
            _, headers = raw_head(server.url)
            arrived = time.time()
            stated = http_date(int(arrived))
            # Sent within a moment after the boundary of the second it names.
            self.assertEqual(dict(headers)["Date"], stated)
            self.assertLess(arrived - int(arrived), 0.3)

    def test_raw_and_trickled_answers_are_sent_as_scripted(self):
        with TimeServer(lifetime=30) as server:
            cut = b"HTTP/1.1 200 OK\r\nDate: Thu, 19 No"
            server.queue(Answer(raw=cut), Answer(raw=b"HTTP/1.1 200 OK\r\n\r\n", trickle_ms=50))
            with socket.create_connection(("127.0.0.1", server.port), timeout=5) as sock:
                sock.sendall(b"HEAD /123.123 HTTP/1.1\r\n\r\n")
                data = b""
                while chunk := sock.recv(4096):
                    data += chunk
            self.assertEqual(data, cut)                    # exactly those bytes, then the connection ends

            with socket.create_connection(("127.0.0.1", server.port), timeout=5) as sock:
                sock.sendall(b"HEAD /123.123 HTTP/1.1\r\n\r\n")
                start = time.monotonic()
                chunks = []
                while chunk := sock.recv(4096):
                    chunks.append(chunk)
                took = time.monotonic() - start
            self.assertEqual(b"".join(chunks), b"HTTP/1.1 200 OK\r\n\r\n")
            self.assertGreater(len(chunks), 5)             # byte by byte, not one piece
            self.assertGreaterEqual(took, 18 * 0.05 - 0.05)

    def test_refused_port_and_bounded_lifetime(self):
        with RefusedPort() as port:
            with self.assertRaises(ConnectionRefusedError):
                socket.create_connection(("127.0.0.1", port.port), timeout=2).close()
        server = TimeServer(lifetime=0.5)
        time.sleep(1.0)
        with self.assertRaises(OSError):
            socket.create_connection(("127.0.0.1", server.port), timeout=2).close()
        server.close()


class ProbeTest(wine.WineTestCase):
    """probe.exe against fixture_window.exe, whose controls and reactions are known."""

    def setUp(self):
        self.fixture = self.session.spawn("fixture_window.exe")
        self.assertIsNotNone(self.fixture.wait_line("^ready$", 20), self.fixture.errors())
        self.addCleanup(self.stop_fixture)

    def stop_fixture(self):
        if self.fixture.running():
            self.session.probe("close", title=FIXTURE_TITLE, check=False)
            if self.fixture.wait(5) is None:
                self.fixture.popen.kill()

    def probe(self, *args, **kw):
        return self.session.probe(*args, title=FIXTURE_TITLE, **kw)

    def controls(self):
        return {c["id"]: c for c in self.probe("dump")["controls"] if not c["inner"]}

    def events(self, after=0):
        return self.fixture.lines()[after:]

    def test_dump_describes_the_window_and_every_control(self):
        d = self.probe("dump")
        self.assertEqual(d["title"], FIXTURE_TITLE)
        self.assertEqual(d["rect"], [100, 100, 380, 466])
        self.assertEqual(d["client"], [280, 366])
        self.assertEqual((d["visible"], d["topmost"], d["toolwindow"], d["taskbar"]), (True, False, True, False))
        self.assertEqual(d["region"], {"type": "complex", "box": [0, 0, 280, 366]})
        c = {x["id"]: x for x in d["controls"] if not x["inner"]}
        self.assertEqual(sorted(c), list(range(1000, 1009)))
        self.assertEqual((c[1000]["class"], c[1000]["text"], c[1000]["checked"]), ("Button", "按钮", None))
        self.assertEqual((c[1001]["text"], c[1001]["checked"]), ("选择框", 0))
        self.assertEqual(c[1000]["rect"], [10, 10, 90, 34])
        self.assertFalse(c[1005]["enabled"])
        self.assertEqual((c[1003]["items"], c[1003]["selected"], c[1003]["text"]),
                         (["http://a.example", "http://b.example"], 0, "http://a.example"))
        # A control inside another: rect in the main window's client area, its parent named.
        self.assertEqual((c[1008]["rect"], c[1008]["parent"]), ([150, 130, 250, 154], 1007))
        # The combo box's own edit carries id 1001 too; it is marked and never taken for the check box.
        inner = [x for x in d["controls"] if x["inner"]]
        self.assertEqual([(x["class"], x["parent"]) for x in inner], [("Edit", 1003)])

    def test_clicks_reach_buttons_points_and_nothing_disabled(self):
        n = len(self.events())
        self.assertTrue(self.probe("click", 1000)["settled"])
        self.probe("click", 1001)
        answer = self.probe("click", 1005)
        self.assertEqual((answer["clicked"], answer["reason"]), (False, "disabled"))
        self.assertEqual(self.probe("click", "20,130")["target"], 1006)
        self.assertEqual(self.probe("click", "150,140")["target"], 1008)  # inside the inner static
        # (the inner check box reports to the static that holds it, not to the window)
        self.assertEqual(self.events(n), ["command 1000 0", "command 1001 0", "pad focus", "pad down 9 9",
                                          "pad up 9 9"])
        c = self.controls()
        self.assertEqual((c[1001]["checked"], c[1008]["checked"]), (1, 1))

    def test_texts_typing_and_keys(self):
        self.assertEqual(self.probe("settext", 1002, "345")["text"], "345")
        # Typed characters go through the box's digits-only filter and land after its text.
        self.assertEqual(self.probe("type", 1002, "6a7")["text"], "34567")
        self.assertEqual(self.probe("settext", 1004, "新标签")["text"], "新标签")
        self.assertEqual(self.probe("focus", 1006)["focus"], 1006)
        n = len(self.events())
        self.probe("key", 1006, "RETURN")
        self.probe("type", 1006, "z")
        self.assertEqual(self.events(n), ["pad key 13", "pad char 13", "pad char 122"])
        self.assertEqual(self.probe("focus", 1003)["focus"], 1003)

    def test_wait_text_matches_or_times_out(self):
        self.probe("settext", 1002, "2024")
        start = time.monotonic()
        self.assertEqual(self.session.wait_text(1002, r"^\d{4}$", timeout=5, title=FIXTURE_TITLE), "2024")
        self.assertLess(time.monotonic() - start, 3)
        start = time.monotonic()
        self.assertIsNone(self.session.wait_text(1002, r"^x", timeout=0.5, title=FIXTURE_TITLE))
        self.assertLess(time.monotonic() - start, 3)

    def test_a_command_goes_out_at_the_moment_asked_and_a_match_is_timed(self):
        # Tests place clicks within a second by the wall clock (Wine's clock is the host's).
        n = len(self.events())
        at = time.time() + 2.0
        answer = self.probe("click", 1000, at=at)
        self.assertTrue(0 <= answer["late_ms"] < 300, answer)
        self.assertEqual(self.events(n), ["command 1000 0"])
        self.assertGreaterEqual(time.time(), at)
        self.probe("settext", 1002, "77")
        before = time.time()
        seen = self.probe("wait-text", 1002, "^77$", 3000)
        self.assertTrue(before - 0.5 <= seen["at_ms"] / 1000 <= time.time() + 0.5, seen)

    def test_combo_list_is_replaced_across_processes(self):
        answer = self.probe("combo-set", 1003, "http://x.cn", "http://服务器.cn", "http://y.cn")
        self.assertEqual(answer["items"], ["http://x.cn", "http://服务器.cn", "http://y.cn"])
        c = self.controls()[1003]
        self.assertEqual(c["items"], answer["items"])
        self.assertEqual(c["text"], "http://a.example")  # the edit part keeps what it showed

    def test_popup_menu_opens_and_an_item_is_chosen_by_keyboard(self):
        n = len(self.events())
        self.probe("rclick", 1006)
        menu = self.probe("menu")
        self.assertTrue(menu["open"])
        left, top, right, bottom = menu["rect"]
        self.assertTrue(right > left and bottom > top)
        if menu["items"] is not None:  # Wine 8 cannot read another process's menu (count -1)
            self.assertEqual([i["text"] for i in menu["items"] if not i["separator"]],
                             ["第一项", "第二项", "禁用项", "退出"])
        self.probe("menu-pick", 1)
        self.assertIsNotNone(self.fixture.wait_line("^menu 2002$", 5), self.events(n))
        self.assertEqual(self.probe("menu", timeout=0.3, check=False)["open"], False)

    def test_tray_icon_is_seen_and_clicked(self):
        tray = self.probe("tray")
        self.assertGreaterEqual(tray["icons"], 1)
        n = len(self.events())
        self.probe("tray-click", 0, "left")
        self.probe("tray-click", 0, "right")
        self.assertIsNotNone(self.fixture.wait_line("^tray 517$", 5))
        self.assertEqual(self.events(n), ["tray 513", "tray 514", "tray 516", "tray 517"])

    def test_files_resources_and_close(self):
        data = "[自动校时]\r\n服务器=http://a\r\n".encode("gbk")
        self.session.write_file(r"C:\Windows\Kavrin.ini", data)
        self.assertTrue((self.session.prefix / "drive_c" / "windows" / "Kavrin.ini").exists())
        answer = self.probe("read-file", r"C:\Windows\Kavrin.ini")
        self.assertEqual(bytes.fromhex(answer["hex"]), data)
        self.assertFalse(self.probe("read-file", r"C:\nothing.ini")["exists"])
        names = [e["name"] for e in self.probe("list-dir", wine.TEST_DIR)["entries"]]
        self.assertIn("urlrecorder.exe", names)
        resources = self.probe("gui-resources")
        self.assertGreater(resources["working_set"], 0)  # Wine answers 0 for the GDI and USER counts
        closed = self.probe("close")
        self.assertEqual((closed["closed"], closed["exited"], closed["exit_code"]), (True, True, 0))
        self.assertLess(closed["exited_ms"], 1500)
        self.assertEqual(self.events()[-1], "close")


class ShellTest(wine.WineTestCase):
    def test_addresses_handed_to_the_shell_are_recorded(self):
        addresses = ["http://127.0.0.1:9/x?a=1&b=2", "https://example.invalid/下载", "http://127.0.0.1/ 空 格"]
        for address in addresses:
            result = self.session.run("shellopen.exe", address)
            self.assertEqual(result.returncode, 0, result)
        self.assertEqual(self.session.wait_urls(len(addresses)), addresses)


class SessionTest(wine.WineTestCase):
    def test_locale_time_zone_and_screen(self):
        info = self.session.probe("system")
        self.assertEqual((info["acp"], info["bias_minutes"], info["screen"]), (936, -480, [1024, 768]))

    def test_english_session_and_screenshots_of_two_displays(self):
        with wine.WineSession(lang="en_US.UTF-8") as other:
            self.assertNotEqual(other.display, self.session.display)
            self.assertEqual(other.probe("system")["acp"], 1252)
            shot = other.screenshot(other.dir / "shot.png")
            width, height = png_size(shot)
            self.assertEqual((width, height), (1024, 768))


class ProgramTest(wine.WineTestCase):
    def test_program_starts_with_its_window_and_closes(self):
        for test_build in (True, False):
            with self.subTest(test_build=test_build):
                program = self.session.start_program(test_build=test_build)
                found = self.session.probe("find")
                self.assertEqual(found["title"], wine.PROGRAM_TITLE)
                self.assertTrue(self.session.close_program()["closed"])
                self.assertEqual(program.wait(10), 0)


def png_size(path):
    data = path.read_bytes()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise AssertionError("not a PNG")
    return struct.unpack(">II", data[16:24])


if __name__ == "__main__":
    unittest.main()
