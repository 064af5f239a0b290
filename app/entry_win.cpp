// The program's entry and its life: set-up, the main window, the message loop, the clean-up at the end.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>

#include "app/initialise.h"
#include "core/program.h"
#include "platform/clock_win.h"
#include "platform/network_win.h"
#include "platform/object_count_win.h"
#include "platform/pump_win.h"
#include "platform/shell_win.h"
#include "platform/text_win.h"
#include "platform/winhttp_request_win.h"
#include "settings/settings_store_win.h"
#include "ui/main_window_win.h"
#include "ui/window_adapters_win.h"
#include "ui/window_context_win.h"
#include "update/notice.h"
#include "update/update_check_win.h"

namespace lumvo {
namespace {

struct ProgramPath {
  std::string directory;  // no trailing backslash
  std::string fileName;
};

// Split as UTF-16 and then turned into GBK: in GBK bytes a backslash can be the second byte of a Chinese
// character, and the program's texts are GBK whatever the system's ANSI code page is.
ProgramPath LearnProgramPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (length == 0) return ProgramPath{};
    if (length < path.size() || path.size() >= 32768) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return ProgramPath{std::string(), NarrowGbk(path)};
  return ProgramPath{NarrowGbk(path.substr(0, slash)), NarrowGbk(path.substr(slash + 1))};
}

#ifdef LUMVO_TEST_HOOKS
std::wstring exitTracePath;

bool TestValue(const wchar_t* name, std::wstring& value) {
  const wchar_t* text = _wgetenv(name);
  if (!text) return false;
  value = text;
  return true;
}

// The end-to-end tests point the notice check at their own loopback servers; a variable that is set, even
// to nothing, replaces its source.
NoticeSources TestNoticeSources() {
  NoticeSources sources = BuiltInNoticeSources();
  std::wstring value;
  if (TestValue(L"LUMVO_TEST_NOTICE_PRIMARY", value)) sources.primary = NarrowGbk(value);
  if (TestValue(L"LUMVO_TEST_NOTICE_BACKUP", value)) sources.backup = NarrowGbk(value);
  return sources;
}
#endif

NoticeSources NoticeSourcesOfThisBuild() {
#ifdef LUMVO_TEST_HOOKS
  return TestNoticeSources();
#else
  return BuiltInNoticeSources();
#endif
}

#ifdef LUMVO_TEST_HOOKS
// A long run under Wine, where GetGuiResources answers 0, asks the program what it holds: on the
// registered message below it writes the WM_TIMER events its main window has handled by timer id and
// the live handles of its owners by kind, one "name id-or-kind count" a line and "end" last, to the file
// named by LUMVO_TEST_OBJECT_REPORT (replaced whole, so a reader never sees half of it). The window is
// subclassed for it, because a fetch's wait dispatches messages in a loop of its own.
constexpr wchar_t kObjectReportMessage[] = L"LumvoTestObjectReport";
std::wstring objectReportPath;
UINT objectReportMessage = 0;
std::map<WPARAM, long long> timerEvents;

void WriteObjectReport() {
  std::string text;
  for (const auto& [id, count] : timerEvents) {
    text += "timer " + std::to_string(id) + " " + std::to_string(count) + "\n";
  }
  for (size_t k = 0; k < kOwnedKinds; ++k) {
    const Owned kind = static_cast<Owned>(k);
    text += std::string("owned ") + OwnedName(kind) + " " + std::to_string(OwnedCount::Live(kind)) + "\n";
  }
  text += "end\n";
  const std::wstring partial = objectReportPath + L".part";
  FILE* file = _wfopen(partial.c_str(), L"wb");
  if (!file) return;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (std::fclose(file) == 0 && written) {
    MoveFileExW(partial.c_str(), objectReportPath.c_str(), MOVEFILE_REPLACE_EXISTING);
  }
}

LRESULT CALLBACK ReportingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_TIMER) ++timerEvents[wp];
  if (msg == objectReportMessage) {
    WriteObjectReport();
    return 0;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void WatchForObjectReports(HWND main) {
  if (objectReportPath.empty()) return;
  objectReportMessage = RegisterWindowMessageW(kObjectReportMessage);
  if (objectReportMessage != 0) SetWindowSubclass(main, ReportingProc, 1, 0);
}
#endif

// Everything the handlers reach, for the life of the process.
struct App {
  App(HINSTANCE instance, ProgramPath path)
      : ctx(instance),
        controls(ctx),
        window(ctx),
        pump([this](const MSG& msg) { WatchMessage(ctx, msg); }),
        program{AppState{},
                controls,
                window,
                ctx.canvas,
                clock,
                network,
                http,
                pump,
                ctx.intervalTimer,
                ctx.tip,
                settings,
                shell,
                std::move(path.directory),
                std::move(path.fileName)},
        update{program, ctx.updateTimer, NoticeSourcesOfThisBuild(), GbkMessageBox} {
    ctx.program = &program;
    ctx.onUpdateTimer = [this] { OnUpdateTimer(update); };
  }

  WindowContext ctx;
  WinControls controls;
  WinMainWindow window;
  WinClock clock;
  WinNetwork network;
  WinHttpRequestFactory http;
  WinPump pump;
  WinSettingsStore settings;
  WinShell shell;
  Program program;
  UpdateContext update;  // the notice check's thread uses it until the process ends
};

// Created once and never deleted: the notice thread may still use the program while the process ends,
// and the process ends without waiting for it.
App* theApp = nullptr;

#ifdef LUMVO_TEST_HOOKS
// The end-to-end tests read this file to see that the clean-up ran, and ran once.
void TraceExitCleanup() {
  if (exitTracePath.empty()) return;
  if (FILE* file = _wfopen(exitTracePath.c_str(), L"ab")) {
    std::fputs("ExitCleanup\n", file);
    std::fclose(file);
  }
}
#endif

void RunExitCleanup() {
  if (!theApp) return;
  ExitCleanup(theApp->program.state);
#ifdef LUMVO_TEST_HOOKS
  TraceExitCleanup();
#endif
}

void ShutDownOle() { OleUninitialize(); }

}  // namespace
}  // namespace lumvo

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace lumvo;
  // COM for the whole user-interface thread: the time requests and the shortcut are COM objects, and
  // their code does not initialise it. Handlers registered with atexit run in reverse order, so this one,
  // registered first, shuts COM down after the clean-up.
  if (SUCCEEDED(OleInitialize(nullptr))) std::atexit(ShutDownOle);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
#ifdef LUMVO_TEST_HOOKS
  TestValue(L"LUMVO_TEST_EXIT_TRACE", exitTracePath);
  TestValue(L"LUMVO_TEST_OBJECT_REPORT", objectReportPath);
#endif

  theApp = new App(instance, LearnProgramPath());
  std::atexit(RunExitCleanup);  // once, after the loop: returning from WinMain runs it

  if (!CreateMainWindow(theApp->ctx)) return 1;
#ifdef LUMVO_TEST_HOOKS
  WatchForObjectReports(theApp->ctx.main);
#endif
  return RunMessageLoop([](const MSG& msg) { WatchMessage(theApp->ctx, msg); },
                        [] { return theApp->ctx.mainDestroyed; });
}
