"""The option controls of the running program, read in one dump, for the end-to-end tests of the options,
the start-up and the tray.

    form = read_form(session)
    form.checked["选择框_间隔校时"]          True / False
    form.field("编辑框_间隔秒")              ("5", True): text and enabled
    form.server, form.servers                the combo box's text and its list
    form.rect, form.topmost, form.focus      the main window
    program = launch(session)                start the program, return once its start-up has run
    close(session, program)                  close it (if it still runs) and wait for its end
"""

import time

import wine

CHECK_BOXES = ("选择框_自动尝试下一服务器", "选择框_间隔校时", "选择框_自动校准", "选择框_自动退出",
               "选择框_开机后自动启动", "选择框_启动后隐藏")
FIELDS = ("编辑框_间隔秒", "编辑框_延迟秒")
PARKED = -3200


class Form:
    def __init__(self, dump):
        named = dump["named"]
        self.dump = dump
        self.checked = {}
        for name in CHECK_BOXES:
            state = named[name]["checked"]
            if state is None:
                raise AssertionError(f"{name}: the probe cannot read its check state")
            self.checked[name] = bool(state)
        self.fields = {name: (named[name]["text"], named[name]["enabled"]) for name in FIELDS}
        self.server = named["组合框1"]["text"]
        self.servers = named["组合框1"]["items"]
        self.calibrate_enabled = named["图形按钮_开始校准"]["enabled"]
        self.rect = dump["rect"]
        self.topmost = dump["topmost"]
        self.focus = dump["focus"]

    def field(self, name):
        return self.fields[name]

    def on(self):
        """The names of the checked boxes, in form order."""
        return [name for name in CHECK_BOXES if self.checked[name]]

    @property
    def parked(self):
        return self.rect[:2] == [PARKED, PARKED]


def read_form(session):
    return Form(session.dump())


def launch(session, exe=None, env=None, timeout=20.0):
    """Starts the test build (or the program at the Windows path `exe`) and returns once its window is
    shown. The window has its title while it is still being created; it is shown after the start-up
    steps have run, parked or not."""
    program = session.spawn(exe or "LumvoTimeTest.exe", env=env)
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        try:
            if session.probe("find", timeout=max(0.1, end - time.monotonic()))["visible"]:
                return program
        except wine.ProbeError:
            pass  # not there yet
        if not program.running():
            break
        time.sleep(0.05)
    raise AssertionError(f"the main window was never shown: {program.errors()[-500:]}")


def close(session, program):
    if program.running():
        session.close_program()
        if program.wait(10) is None:
            program.popen.kill()
