// window_waiter.exe TITLE PROGRAM [ARG...]: starts PROGRAM and polls, once a millisecond, for a visible
// top-level window of that process with that text. Prints one line
//   shown <ms> closed <ms>
// the time from CreateProcess to the window being visible, then from WM_CLOSE to the process's end
// (-1 when that did not happen in time; the process is then ended). Exit code 0 when the window showed.
// The same waiter measures every program, so its own overhead is the same for each.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

struct Search {
  DWORD pid;
  const wchar_t* title;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  if (wcscmp(text, s->title) != 0) return TRUE;
  s->found = hwnd;
  return FALSE;
}

double Ms(LARGE_INTEGER from, LARGE_INTEGER to, LARGE_INTEGER freq) {
  return static_cast<double>(to.QuadPart - from.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

// Quotes one argument for CreateProcess's command line.
std::wstring Quoted(const wchar_t* arg) { return L"\"" + std::wstring(arg) + L"\""; }

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 3) {
    std::fprintf(stderr, "usage: window_waiter TITLE PROGRAM [ARG...]\n");
    return 2;
  }
  std::wstring command = Quoted(argv[2]);
  for (int i = 3; i < argc; ++i) command += L" " + Quoted(argv[i]);

  LARGE_INTEGER freq, start, shown, closing, ended;
  QueryPerformanceFrequency(&freq);
  STARTUPINFOW si = {};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi = {};
  QueryPerformanceCounter(&start);
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "CreateProcess failed: %lu\n", GetLastError());
    return 2;
  }
  CloseHandle(pi.hThread);

  Search search = {pi.dwProcessId, argv[1], nullptr};
  const DWORD deadline = GetTickCount() + 30000;
  while (!search.found && GetTickCount() - deadline > 0x80000000u) {
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    if (search.found) break;
    if (WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;  // ended before any window
  }
  QueryPerformanceCounter(&shown);
  if (!search.found) {
    TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    std::printf("shown -1 closed -1\n");
    return 1;
  }

  QueryPerformanceCounter(&closing);
  PostMessageW(search.found, WM_CLOSE, 0, 0);
  double closedMs = -1;
  if (WaitForSingleObject(pi.hProcess, 10000) == WAIT_OBJECT_0) {
    QueryPerformanceCounter(&ended);
    closedMs = Ms(closing, ended, freq);
  } else {
    TerminateProcess(pi.hProcess, 1);
  }
  CloseHandle(pi.hProcess);
  std::printf("shown %.1f closed %.1f\n", Ms(start, shown, freq), closedMs);
  return 0;
}
