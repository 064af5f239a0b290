"""A settings file anyone can edit: huge, binary garbage, read-only, a folder in its place, values far
longer than any option. The program starts (with the defaults where nothing can be read), keeps working,
and loses nothing it could write:

- starting and closing never write the file: whatever it holds stays byte for byte;
- a file it may not write keeps its bytes, while the options still work for the run;
- after an option is clicked, that option comes back at the next start, every setting of the program
  already in the file keeps its value, and every line of text of the file stays. (Bytes that are not
  text at all are the system's profile functions' business: Wine's rewrite the file as text.)"""

import random
import shutil
import subprocess
import time
import unittest

import wine

INI = r"C:\Windows\Kavrin.ini"
OURS = "[自动校时]\r\n是否间隔=是\r\n间隔秒=7\r\n[lx]\r\nfuwuqi=http://127.0.0.1:9\r\n".encode("gbk")


def garbage(size, seed):
    rnd = random.Random(seed)
    return bytes(rnd.randrange(256) for _ in range(size))


class HostileSettingsTest(wine.WineTestCase):
    def start(self, **kw):
        program = self.session.start_program(timeout=60, **kw)
        self.addCleanup(self.stop, program)
        return program, self.session.dump()["named"]

    def stop(self, program):
        if program.running():
            self.session.close_program()
            if program.wait(15) is None:
                program.popen.kill()

    def restart(self, program):
        self.session.close_program()
        self.assertIsNotNone(program.wait(15), "the program did not end when closed")
        return self.start()

    def assert_defaults(self, c):
        self.assertEqual([c[n]["checked"] for n in ("选择框_间隔校时", "选择框_自动校准", "选择框_自动退出",
                                                    "选择框_启动后隐藏")], [0, 0, 0, 0])
        self.assertEqual((c["编辑框_间隔秒"]["text"], c["编辑框_间隔秒"]["enabled"]), ("5", True))
        self.assertEqual((c["编辑框_延迟秒"]["text"], c["编辑框_延迟秒"]["enabled"]), ("60", True))
        self.assertEqual(c["组合框1"]["text"], c["组合框1"]["items"][0])

    def set_file(self, data):
        path = self.session.host_path(INI)
        if path.is_dir():
            shutil.rmtree(path)
        elif path.exists():
            path.unlink()
        if isinstance(data, bytes):
            path.write_bytes(data)
        else:
            data(path)
        return path

    def test_unreadable_files_give_the_defaults_and_are_left_as_they_were(self):
        cases = [
            ("binary garbage", garbage(8192, 1)),
            ("a megabyte of NUL bytes", b"\0" * (1 << 20)),
            ("five megabytes of keys in no section", (b"k" * 40 + b"=" + b"v" * 37 + b"\r\n") * 65000),
            ("a folder in the file's place", lambda p: (p.mkdir(), (p / "inside.txt").write_bytes(b"keep"))),
        ]
        for name, data in cases:
            with self.subTest(name):
                path = self.set_file(data)
                before = path.read_bytes() if path.is_file() else sorted(x.name for x in path.iterdir())
                program, c = self.start()
                self.assert_defaults(c)
                self.stop(program)
                after = path.read_bytes() if path.is_file() else sorted(x.name for x in path.iterdir())
                self.assertEqual(after, before)
                if not path.is_file():
                    self.assertEqual((path / "inside.txt").read_bytes(), b"keep")

    def test_a_folder_in_the_file_s_place_the_options_work_for_the_run(self):
        path = self.set_file(lambda p: p.mkdir())
        program, c = self.start()
        s = self.session
        s.click("选择框_间隔校时")
        s.click("选择框_启动后隐藏")
        c = s.dump()["named"]
        self.assertEqual((c["选择框_间隔校时"]["checked"], c["编辑框_间隔秒"]["enabled"]), (1, False))
        self.assertEqual(c["选择框_启动后隐藏"]["checked"], 1)
        self.assertTrue(program.running())
        self.assertTrue(path.is_dir())
        self.assertEqual(list(path.iterdir()), [])

    def test_a_huge_file_is_read_and_keeps_every_line_after_an_option_is_written(self):
        filler = b"".join(b"; line %07d " % i + b"z" * 60 + b"\r\n" for i in range(70000))   # about 5 MB
        original = filler + OURS
        path = self.set_file(original)
        program, c = self.start()
        self.assertEqual((c["选择框_间隔校时"]["checked"], c["编辑框_间隔秒"]["text"]), (1, "7"))
        self.session.click("选择框_启动后隐藏")
        after = self.wait_file(path, "隐藏=是".encode("gbk"))
        self.assertTrue(after.startswith(filler), "lines before the program's section were changed")
        for line in OURS.split(b"\r\n"):
            self.assertIn(line, after)
        program, c = self.restart(program)
        self.assertEqual((c["选择框_间隔校时"]["checked"], c["编辑框_间隔秒"]["text"]), (1, "7"))
        self.assertEqual(c["选择框_启动后隐藏"]["checked"], 1)

    def test_garbage_around_the_settings_loses_no_setting_when_an_option_is_written(self):
        others = "[其他程序]\r\n名字=张三\r\n".encode("gbk")
        original = garbage(3000, 2) + b"\r\n" + OURS + others + garbage(3000, 3)
        path = self.set_file(original)
        program, c = self.start()
        self.assertEqual((c["选择框_间隔校时"]["checked"], c["编辑框_间隔秒"]["text"]), (1, "7"))
        self.session.click("选择框_启动后隐藏")
        after = self.wait_file(path, "隐藏=是".encode("gbk"))
        self.assertIn(others, after)
        program, c = self.restart(program)
        self.assertEqual((c["选择框_间隔校时"]["checked"], c["编辑框_间隔秒"]["text"]), (1, "7"))
        self.assertEqual(c["选择框_启动后隐藏"]["checked"], 1)
        self.assertEqual(c["组合框1"]["text"], "http://127.0.0.1:9")

    def test_a_read_only_file_keeps_its_bytes_and_the_options_work_for_the_run(self):
        original = "[自动校时]\r\n是否自动=是\r\n秒=30\r\n".encode("gbk")
        path = self.set_file(original)
        path.chmod(0o444)                # what Wine shows as the read-only attribute
        # The tests run as root, whom file modes do not stop; an immutable file stops everyone.
        if subprocess.run(["chattr", "+i", str(path)], capture_output=True).returncode != 0:
            path.chmod(0o644)
            self.skipTest("chattr +i is not available here")
        self.addCleanup(subprocess.run, ["chattr", "-i", str(path)], capture_output=True)
        program, c = self.start()
        self.assertEqual((c["选择框_自动校准"]["checked"], c["编辑框_延迟秒"]["text"]), (1, "30"))
        s = self.session
        for box in ("选择框_间隔校时", "选择框_启动后隐藏", "选择框_自动退出"):
            s.click(box)
        c = s.dump()["named"]
        self.assertEqual([c[n]["checked"] for n in ("选择框_间隔校时", "选择框_自动校准", "选择框_自动退出",
                                                    "选择框_启动后隐藏")], [0, 0, 1, 1])
        s.settext("组合框1", "http://127.0.0.1:9")
        s.probe("focus", "组合框1")
        s.probe("focus", "编辑框_间隔秒")          # the combo losing the focus writes the server
        self.assertTrue(program.running())
        self.assertEqual(path.read_bytes(), original)

    def test_values_far_longer_than_any_option(self):
        long_server = "http://" + "a" * 20000
        text = ("[自动校时]\r\n是否间隔=是" + "x" * 20000 + "\r\n是否自动=是\r\n秒=" + "9" * 20000 +
                "\r\n间隔秒=" + "8" * 20000 + "\r\n隐藏=" + "是" * 10000 + "\r\n[lx]\r\nfuwuqi=" + long_server + "\r\n")
        self.set_file(text.encode("gbk"))
        program, c = self.start()
        # Only exactly "是" turns an option on; the reading stops at 10239 bytes.
        self.assertEqual([c[n]["checked"] for n in ("选择框_间隔校时", "选择框_自动校准", "选择框_启动后隐藏")], [0, 1, 0])
        self.assertEqual(c["组合框1"]["text"], long_server[:10239])
        self.assertEqual(c["编辑框_延迟秒"]["text"], "9" * 10239)
        # The delay counts down from a number with ten thousand digits, and a fetch asks a server whose
        # address is ten kilobytes long: both must leave the program running and its window answering.
        s = self.session
        s.click("图形按钮_获取时间")
        self.assertIsNotNone(s.wait_text("编辑框_服务器时间", "失败|未连接", timeout=60))
        self.assertTrue(program.running())
        self.assertEqual(s.probe("find")["_rc"], 0)

    def wait_file(self, path, needle, timeout=10.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            data = path.read_bytes() if path.is_file() else b""
            if needle in data:
                return data
            time.sleep(0.05)
        self.fail(f"{needle!r} never reached the file")


if __name__ == "__main__":
    unittest.main()
