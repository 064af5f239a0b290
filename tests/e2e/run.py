#!/usr/bin/env python3
"""Runs the end-to-end tests (tests/e2e/test_*.py) and ends with the line "e2e: N passed, N failed".

    python3 tests/e2e/run.py                 every test
    python3 tests/e2e/run.py query probe     only tests whose id contains one of these words

Skipped tests and expected failures are counted on a line of their own, never as passes. The exit code
is 1 when any test failed or erred (or passed where a failure was expected).
"""

import faulthandler
import os
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

# A test that hangs must not hang the run: after this long the stacks are printed and the run ends
# (without its summary line, which the caller counts as a failure).
PER_TEST_LIMIT_S = 300


class Result(unittest.TextTestResult):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.passed = []
        self._started = 0.0

    def startTest(self, test):
        self._started = time.monotonic()
        faulthandler.dump_traceback_later(PER_TEST_LIMIT_S, exit=True)
        super().startTest(test)

    def stopTest(self, test):
        faulthandler.cancel_dump_traceback_later()
        super().stopTest(test)

    def _line(self, word, test, extra=""):
        took = time.monotonic() - self._started
        self.stream.write(f"{word:5} {test.id()} ({took:.1f} s){extra}\n")
        self.stream.flush()

    def addSuccess(self, test):
        unittest.TestResult.addSuccess(self, test)
        self.passed.append(test)
        self._line("PASS", test)

    def addFailure(self, test, err):
        unittest.TestResult.addFailure(self, test, err)
        self._line("FAIL", test)
        self.stream.write(self.failures[-1][1] + "\n")

    def addError(self, test, err):
        unittest.TestResult.addError(self, test, err)
        self._line("ERROR", test)
        self.stream.write(self.errors[-1][1] + "\n")

    def addSkip(self, test, reason):
        unittest.TestResult.addSkip(self, test, reason)
        self._line("SKIP", test, f": {reason}")

    def addExpectedFailure(self, test, err):
        unittest.TestResult.addExpectedFailure(self, test, err)
        self._line("XFAIL", test)

    def addUnexpectedSuccess(self, test):
        unittest.TestResult.addUnexpectedSuccess(self, test)
        self._line("XPASS", test, ": passed where a failure was expected; remove the mark")

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            failed = issubclass(err[0], test.failureException)
            self._line("FAIL" if failed else "ERROR", subtest)
            self.stream.write((self.failures if failed else self.errors)[-1][1] + "\n")

    def printErrors(self):
        pass  # each failure was printed where it happened


def flatten(suite):
    for item in suite:
        if isinstance(item, unittest.TestSuite):
            yield from flatten(item)
        else:
            yield item


def main(argv):
    words = [a for a in argv if not a.startswith("-")]
    suite = unittest.defaultTestLoader.discover(HERE, pattern="test_*.py", top_level_dir=HERE)
    if words:
        chosen = unittest.TestSuite()
        for test in flatten(suite):
            if any(w in test.id() for w in words):
                chosen.addTest(test)
        suite = chosen
    runner = unittest.TextTestRunner(stream=sys.stdout, verbosity=0, resultclass=Result)
    start = time.monotonic()
    result = runner.run(suite)
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    print(f"e2e: {len(result.skipped)} skipped, {len(result.expectedFailures)} expected failures, "
          f"{time.monotonic() - start:.0f} s")
    print(f"e2e: {len(result.passed)} passed, {failed} failed")
    sys.stdout.flush()
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
