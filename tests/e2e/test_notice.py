"""The notice check of the real program (LumvoTimeTest.exe) under Wine, against two loopback notice
sources that replace the built-in ones: the footer and its link, the fallback to the second source, the
offer of a newer version, addresses that must never reach the shell, and a source that sends far more
than a notice. The check runs once per program run, two seconds after start, so each case is one run."""

import contextlib
import os
import re
import subprocess
import time
import unittest
from pathlib import Path

import wine
from noticeserver import (NoticeServer, Reply, address_hex, backup_page, decipher, des_block, encipher,
                          hex_text, notice, primary_body, sources_env, standard_subkeys)
from timeserver import RefusedPort

FOOTER = "标签_底栏"
OFFER_TITLE = "Lumvo自动校时 V3.6"
PRIMARY_PATH = "/lumvo/notice.dat"
BACKUP_PATH = "/blog/lumvo.html"
USER_AGENT = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)"
SHOTS = wine.ROOT / "build" / "e2e-shots"
TOOL = wine.ROOT / "build" / "native" / "lumvo-notice"


class NoticeCipherTest(unittest.TestCase):
    """The tests' own enciphering is what the maintainer's tool publishes, byte for byte, so a notice
    made here is one the program can meet in the field."""

    def tool(self, *args, stdin=None):
        result = subprocess.run([str(TOOL), *args], input=stdin, capture_output=True, timeout=30)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout

    def test_des_known_answer(self):
        keys = standard_subkeys(bytes.fromhex("133457799BBCDFF1"))
        self.assertEqual(des_block(bytes.fromhex("0123456789ABCDEF"), keys).hex().upper(), "85E813540F0AB405")
        self.assertEqual(des_block(bytes.fromhex("85E813540F0AB405"), keys, decipher=True).hex().upper(),
                         "0123456789ABCDEF")

    @unittest.skipUnless(TOOL.exists(), "the native build (lumvo-notice) is missing")
    def test_same_bytes_as_the_maintainers_tool(self):
        for url in ("http://127.0.0.1:8080/lumvo/notice.dat", "https://news.example.cn/a?b=1&c=%20"):
            with self.subTest(address=url):
                self.assertEqual(self.tool("address", url).decode().strip(), address_hex(url))
        doc = notice("Orvane", status="新版本已发布", status_url="http://x/", newest="3.7", download="http://d/")
        # Lengths 1 to 9 meet every amount of padding, and the length prefix's own block.
        for payload in [doc] + [b"abcdefghi"[:n] for n in range(1, 10)]:
            with self.subTest(payload=payload):
                self.assertEqual(self.tool("body", "-", "/dev/stdout", stdin=payload), primary_body(payload))
                page = self.tool("page", "--markers", "-", stdin=payload).strip()
                self.assertIn(page, backup_page(payload))
                self.assertEqual(self.tool("read-body", "/dev/stdin", stdin=encipher(payload)).rstrip(b"\n"),
                                 payload)
                self.assertEqual(decipher(encipher(payload)), payload)
        self.assertEqual(self.tool("read-hex", hex_text(encipher(doc))).rstrip(b"\n"), doc)


def linux_status(pid):
    """Memory figures (kB) of a Linux process: a Wine process is one."""
    figures = {}
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            name, _, value = line.partition(":")
            if name in ("VmRSS", "VmHWM", "RssAnon"):
                figures[name] = int(value.split()[0])
    return figures


class NoticeTest(wine.WineTestCase):
    def fresh_run(self):
        """New sources, a plain settings file and an empty record of opened addresses, for one run."""
        s = self.session
        s.write_file(r"C:\Windows\Kavrin.ini", "[自动校时]\r\n".encode("gbk"))
        s.remove_file(wine.TEST_DIR + r"\urls.log")
        self.primary = NoticeServer(lifetime=150)
        self.backup = NoticeServer(lifetime=150)
        self.addCleanup(self.primary.close)
        self.addCleanup(self.backup.close)

    def start(self, primary_url=None):
        """Starts the program with the two loopback sources; it is closed when the test ends."""
        env = sources_env(primary_url or self.primary.url + PRIMARY_PATH, self.backup.url + BACKUP_PATH)
        app = self.session.start_program(env=env)
        self.addCleanup(self.stop, app)
        return app

    @contextlib.contextmanager
    def running(self, primary_url=None):
        """One program run inside a case of a table: closed before the next case starts, failed or not,
        so two windows of the same title never stand side by side."""
        app = self.start(primary_url)
        try:
            yield app
        finally:
            self.stop(app)

    def stop(self, app):
        if app.running():
            self.session.close_program()
        if app.wait(10) is None:
            app.popen.kill()
            app.wait(5)

    def wait_footer(self, text, timeout=30):
        shown = self.session.wait_text(FOOTER, "^" + re.escape(text) + "$", timeout=timeout)
        self.assertEqual(shown, text, "the footer never showed the notice's status text")

    def offer_box(self, timeout=30):
        return self.session.probe("dump", title=OFFER_TITLE, class_name="#32770", timeout=timeout)

    def offer_gone(self, timeout=10):
        """Waits until no offer box is open; answers whether none is."""
        end = time.monotonic() + timeout
        while True:
            try:
                self.session.probe("find", title=OFFER_TITLE, class_name="#32770", timeout=0.1)
            except wine.ProbeError:
                return True
            if time.monotonic() >= end:
                return False
            time.sleep(0.2)

    def prefix_commands(self):
        """The command lines of the processes running in this session's prefix (Linux side)."""
        marker = b"WINEPREFIX=" + str(self.session.prefix).encode() + b"\0"
        commands = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/environ", "rb") as f:
                    if marker not in f.read():
                        continue
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    commands.append(f.read().replace(b"\0", b" ").decode("utf-8", "replace").strip())
            except OSError:
                pass  # ended meanwhile, or not ours to read
        return commands

    def visible_windows(self):
        return {w["hwnd"]: w for w in self.session.probe("windows")["windows"] if w["visible"]}

    def assert_get(self, request, path):
        self.assertEqual((request.method, request.path, request.version), ("GET", path, "HTTP/1.0"))
        self.assertEqual(request.headers.get("user-agent"), USER_AGENT)
        self.assertEqual(request.headers.get("accept"), "*/*")

    # ---- the first source --------------------------------------------------------------------------------

    def test_a_first_source_notice_sets_the_footer_and_its_link_and_the_second_is_never_asked(self):
        self.fresh_run()
        s = self.session
        status = "公告：Lumvo自动校时 3.6 新增服务器"
        link = "http://127.0.0.1:9/news?id=36&from=footer"
        # The newest version is the running one: no offer.
        self.primary.serve(PRIMARY_PATH, Reply(body=primary_body(
            notice("Orvane", status=status, status_url=link, newest="3.6"))))
        self.backup.serve(BACKUP_PATH, Reply(body=backup_page(notice("网易", status="不该出现"))))
        self.start()
        self.wait_footer(status)
        self.save_footer_shot("notice-footer.png")

        s.click(FOOTER)
        self.assertEqual(s.wait_urls(1), [link])
        time.sleep(1.5)  # a second source asked after the notice would have been asked by now
        self.assertEqual(self.backup.requests, [])
        self.assertEqual(len(self.primary.requests), 1)
        self.assert_get(self.primary.requests[0], PRIMARY_PATH)
        self.assertTrue(self.offer_gone(timeout=0))
        self.assertEqual(s.opened_urls(), [link])

    def save_footer_shot(self, name):
        """The window's picture under build/e2e-shots, for a person to look at."""
        SHOTS.mkdir(parents=True, exist_ok=True)
        whole = self.session.screenshot(self.session.dir / "whole.png")
        left, top, right, bottom = self.session.dump()["rect"]
        subprocess.run(["convert", str(whole), "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                        str(SHOTS / name)], check=True, timeout=30)

    # ---- falling back to the second source ----------------------------------------------------------------

    def test_a_bad_first_source_falls_back_to_the_second_sources_page(self):
        garbage = bytes((i * 37 + 11) % 256 for i in range(1024))  # whole blocks that decipher to nonsense
        cases = [
            ("404 page", Reply(status=404, body=b"<html><body>404 Not Found</body></html>")),
            ("garbage", Reply(body=garbage)),
            # The second source's tag, and a notice that must not be applied from the first source.
            ("wrong tag", Reply(body=primary_body(notice("网易", status="错误来源的公告")))),
            ("refused", None),
        ]
        for name, reply in cases:
            with self.subTest(name):
                self.fresh_run()
                status = f"备用公告（{name}）"
                link = f"http://127.0.0.1:9/backup/{name.replace(' ', '-')}"
                self.backup.serve(BACKUP_PATH, Reply(body=backup_page(notice("网易", status=status, status_url=link))))
                primary_url = None
                if reply is None:
                    refused = RefusedPort()
                    self.addCleanup(refused.close)
                    primary_url = refused.url + PRIMARY_PATH
                else:
                    self.primary.serve(PRIMARY_PATH, reply)
                with self.running(primary_url):
                    self.wait_footer(status)
                    self.session.click(FOOTER)
                    self.assertEqual(self.session.wait_urls(1), [link])
                    self.assertEqual(len(self.backup.requests), 1)
                    self.assert_get(self.backup.requests[0], BACKUP_PATH)
                    self.assertEqual(len(self.primary.requests), 0 if reply is None else 1)

    # ---- the offer of a newer version ------------------------------------------------------------------------

    def test_a_newer_version_is_offered_and_only_ok_opens_the_download_page(self):
        s = self.session
        for button, answer in (("OK", 1), ("Cancel", 2)):
            with self.subTest(button):
                self.fresh_run()
                status = f"新版本 3.7 已发布（{button}）"
                link = "http://127.0.0.1:9/news/3.7"
                download = "https://127.0.0.1:9/download/LumvoTime-3.7.zip?from=offer"
                self.primary.serve(PRIMARY_PATH, Reply(body=primary_body(
                    notice("Orvane", status=status, status_url=link, newest="3.7", download=download))))
                with self.running():
                    box = self.offer_box()
                    texts = [c["text"] for c in box["controls"] if c["text"] and "发现新版本" in c["text"]]
                    self.assertEqual(texts, ["发现新版本 \r\n当前版本：3.6\r\n最新版本：3.7\r\n点确定下载新版！"])
                    self.assertEqual(sorted(c["id"] for c in box["controls"] if c["class"] == "Button"), [1, 2])
                    # No owner: the main window stays usable while the box is open.
                    self.assertFalse(box["owned"])
                    self.assertTrue(s.dump()["enabled"])
                    # The footer is replaced before the offer is made.
                    self.assertEqual(s.dump()["named"][FOOTER]["text"], status)

                    s.probe("click", answer, title=OFFER_TITLE, class_name="#32770")
                    self.assertTrue(self.offer_gone())
                    if button == "OK":
                        self.assertEqual(s.wait_urls(1), [download])
                    # The footer's link is the last address expected; once it is recorded, anything handed
                    # to the shell when the box closed would be recorded too.
                    s.click(FOOTER)
                    expected = ([download] if button == "OK" else []) + [link]
                    self.assertEqual(s.wait_urls(len(expected)), expected)
                    time.sleep(1.5)
                    self.assertEqual(s.opened_urls(), expected)

    def test_addresses_that_are_not_web_addresses_never_reach_the_shell(self):
        # Under Wine both forms start Notepad when handed to the shell: a window to look for.
        notepad_url = "file:///C:/windows/notepad.exe"
        notepad_path = "C:\\windows\\notepad.exe"
        s = self.session
        for download, link in ((notepad_url, notepad_path), (notepad_path, notepad_url)):
            with self.subTest(download=download, link=link):
                self.fresh_run()
                status = "请下载新版本"
                self.primary.serve(PRIMARY_PATH, Reply(body=primary_body(
                    notice("Orvane", status=status, status_url=link, newest="4", download=download))))
                with self.running() as app:
                    self.offer_box()
                    self.assertEqual(s.dump()["named"][FOOTER]["text"], status)
                    before = self.visible_windows()
                    s.probe("click", 1, title=OFFER_TITLE, class_name="#32770")
                    self.assertTrue(self.offer_gone())
                    s.click(FOOTER)
                    time.sleep(3)  # a started Notepad shows its window well within this on the loaded machine
                    new = [w for h, w in self.visible_windows().items() if h not in before]
                    self.assertEqual(new, [])
                    self.assertEqual([c for c in self.prefix_commands() if "notepad" in c.lower()], [])
                    self.assertEqual(s.opened_urls(), [])
                    self.assertTrue(app.running())

    # ---- a source that sends far more than a notice ------------------------------------------------------

    def test_a_50_mb_body_is_cut_and_the_memory_stays_bounded(self):
        self.fresh_run()
        status = "大页面里的公告"
        link = "http://127.0.0.1:9/big"
        size = 50 * 1024 * 1024
        # The first source sends 50 MB with their length; the second a page of 50 MB without a length
        # whose notice stands near its start, so the first megabyte still holds it.
        self.primary.serve(PRIMARY_PATH, Reply(size=size))
        self.backup.serve(BACKUP_PATH, Reply(body=backup_page(notice("网易", status=status, status_url=link)),
                                             size=size, length=False, fill=b"x"))
        app = self.start()
        with open(f"/proc/{app.pid}/cmdline", "rb") as f:
            self.assertIn(b"LumvoTimeTest.exe", f.read())
        before = linux_status(app.pid)
        self.wait_footer(status, timeout=90)
        page = self.backup.wait_requests(1)[0]
        self.assertTrue(page.finished.wait(60))
        after = linux_status(app.pid)

        growth_mb = (after["VmHWM"] - before["VmRSS"]) / 1024
        # Reading either body whole would add at least its 50 MB; the cut keeps the peak a few MB up
        # (the megabyte read, its copies, and WinINet's own start).
        self.assertLess(growth_mb, 30, f"before {before}, after {after}")
        # The program hung up on the page long before its end.
        self.assertFalse(page.complete)
        self.assertLess(page.sent, size // 2)
        self.session.click(FOOTER)
        self.assertEqual(self.session.wait_urls(1), [link])


if __name__ == "__main__":
    unittest.main()
