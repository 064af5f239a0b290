// probe.exe: reads and drives the program's window from another process of the same Wine session, for
// the end-to-end tests. One command per run; the answer is one JSON object on stdout (UTF-8).
//
//   probe.exe [--title TEXT] [--class NAME] [--timeout MS] [--settle MS] COMMAND ARG...
//
// The target is the top-level window with that text (default: the program's main window) and/or class,
// waited for up to --timeout ms (default 10000). Exit code 0: done; 1: error (window missing, bad
// arguments), with {"error": ...}; 3: a wait ended without what it waited for.
//
// Commands (ID is a control id, 1000 + the control's index in the Ctl enum; x,y are client coordinates
// of the main window):
//   find                         the window's handle, process and visibility
//   dump                         the window and every descendant control
//   text                         the window's own text by WM_GETTEXT (a tooltip answers with its tip)
//   click ID|x,y                 BM_CLICK for buttons, posted left button down/up otherwise
//   rclick ID|x,y                posted right button down/up (a window shows its context menu)
//   settext ID TEXT              WM_SETTEXT
//   type ID TEXT                 WM_CHAR per character (goes through the control's typing filter)
//   combo-set ID ITEM...         replaces a combo box's list
//   focus ID                     gives the control the keyboard focus
//   key ID VK                    posted key down/up; VK is a number or RETURN, TAB, ESCAPE, SPACE, UP, DOWN...
//   wait-text ID REGEX MS        waits until the control's text matches (ECMAScript regex, searched)
//   watch-text ID MS             reads the control's text every few ms for MS ms or until the window goes;
//                                every text it held, in order, with the ms at which each was first seen
//   close                        WM_CLOSE, then waits for the window and its process to end
//   notify NAME                  posts the registered window message NAME to the window (a test hook)
//   menu                         the open pop-up menu: where it is and, when readable, its items
//   menu-key VK...               keys for the open pop-up menu
//   menu-pick N                  chooses the Nth item (0-based, separators not counted) by keyboard
//   gui-resources [PID]          GDI/USER object counts and memory of a process (default: the window's)
//   objects [PID]                what a process holds, counted where Wine keeps it: live GDI objects by
//                                kind, kernel handles, its windows, working set (default: the window's)
//   tray                         the windows of the tray (Wine's own tray window) and their children
//   tray-click INDEX [left|right|double]   clicks the INDEXth icon of Wine's tray window, then waits
//                                for the tray and the program's window
//   windows                      every top-level window
//   system                       code pages, time-zone bias and screen size of the session
//   local-time                   the session's local time (GetLocalTime) and the host's Unix time
//   cursor [x,y]                 the mouse pointer's screen position, after moving it there when given
//   read-file PATH               the file's bytes in hex
//   list-dir PATH                a directory's entries
//
// --at MS delivers a command on the target window at that moment of the wall clock (milliseconds since 1970, UTC) instead of
// at once, so a test can place a click within a second without the probe's own start-up time in the
// way; the answer then carries "late_ms", how far past that moment the command went out.
//
// Input commands (click, rclick, type, key, menu-*) post their messages and then wait, up to --settle
// ms (default 2000), until the program has taken them: two WM_NULL round trips. "settled": false means
// the program was still busy (a fetch in progress); wait on the program's state instead.
#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <winternl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "core/controls.h"

namespace {

// ---- output ---------------------------------------------------------------------------------------

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::string Quote(const std::wstring& w) {
  const std::string s = Utf8(w);
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  return out + "\"";
}

std::string Bool(bool b) { return b ? "true" : "false"; }
std::string Num(long long v) { return std::to_string(v); }
std::string Hex(unsigned long long v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "\"0x%llx\"", v);
  return buf;
}
std::string RectJson(const RECT& r) {
  return "[" + Num(r.left) + "," + Num(r.top) + "," + Num(r.right) + "," + Num(r.bottom) + "]";
}

// Builds one JSON object, member by member.
class Obj {
 public:
  Obj& Add(const char* key, const std::string& json) {
    text_ += (text_.empty() ? "{" : ",");
    text_ += "\"";
    text_ += key;
    text_ += "\":";
    text_ += json;
    return *this;
  }
  std::string Str() const { return text_.empty() ? "{}" : text_ + "}"; }

 private:
  std::string text_;
};

long long lateMs = -1;  // set when --at delayed the command

// Milliseconds since 1970 (UTC) by the wall clock, which under Wine is the host's.
long long EpochMs() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  const unsigned long long ticks = (static_cast<unsigned long long>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return static_cast<long long>((ticks - 116444736000000000ULL) / 10000ULL);
}

int Emit(std::string json, int code) {
  if (lateMs >= 0 && json.size() > 2 && json.back() == '}') {
    json.insert(json.size() - 1, ",\"late_ms\":" + std::to_string(lateMs));
  }
  std::fwrite(json.data(), 1, json.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  return code;
}

int Fail(const std::wstring& message) { return Emit(Obj().Add("error", Quote(message)).Str(), 1); }

// ---- the target window -------------------------------------------------------------------------------

struct Options {
  std::wstring title = L"Lumvo自动校时v3.5";
  std::wstring className;
  bool titleGiven = false;
  DWORD timeoutMs = 10000;
  DWORD settleMs = 2000;
  long long atMs = -1;
};

constexpr UINT kSendTimeoutMs = 1500;

HWND FindTarget(const Options& o) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND w = FindWindowW(o.className.empty() ? nullptr : o.className.c_str(), (o.className.empty() || o.titleGiven) ? o.title.c_str() : nullptr);
    if (w) return w;
    if (GetTickCount() - start >= o.timeoutMs) return nullptr;
    Sleep(50);
  }
}

bool Send(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result = nullptr) {
  DWORD_PTR r = 0;
  const LRESULT ok = SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &r);
  if (result) *result = static_cast<LRESULT>(r);
  return ok != 0;
}

// Waits until the window's thread has handled what was posted before: a sent message is handled only
// when the thread next looks at its queue, so two round trips a moment apart put the posted input behind us.
bool Settle(HWND w, DWORD ms) {
  DWORD_PTR r = 0;
  for (int i = 0; i < 2; ++i) {
    if (!SendMessageTimeoutW(w, WM_NULL, 0, 0, SMTO_NORMAL, ms, &r)) return false;
    Sleep(30);
  }
  return true;
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[256] = {};
  GetClassNameW(w, buf, 256);
  return buf;
}

bool TextOf(HWND w, std::wstring& text) {
  LRESULT len = 0;
  if (!Send(w, WM_GETTEXTLENGTH, 0, 0, &len)) return false;
  std::vector<wchar_t> buf(static_cast<size_t>(len) + 2, L'\0');
  LRESULT got = 0;
  if (!Send(w, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()), &got)) return false;
  text.assign(buf.data(), static_cast<size_t>(got) < buf.size() ? static_cast<size_t>(got) : 0);
  return true;
}

BOOL CALLBACK Collect(HWND w, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
  return TRUE;
}

std::vector<HWND> Descendants(HWND top) {
  std::vector<HWND> all;
  EnumChildWindows(top, Collect, reinterpret_cast<LPARAM>(&all));
  return all;
}

bool IsCombo(HWND w) { return lstrcmpiW(ClassOf(w).c_str(), L"ComboBox") == 0; }

// The edit inside a combo box is the combo box's own part, and its fixed id (1001) would shadow a control.
bool IsInner(HWND top, HWND w) {
  HWND parent = GetParent(w);
  return parent && parent != top && IsCombo(parent);
}

HWND ControlById(HWND top, int id) {
  for (HWND w : Descendants(top)) {
    if (GetDlgCtrlID(w) == id && !IsInner(top, w)) return w;
  }
  return nullptr;
}

bool IsButton(HWND w) { return lstrcmpiW(ClassOf(w).c_str(), L"Button") == 0; }

bool IsCheckable(HWND w) {
  if (!IsButton(w)) return false;
  switch (GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK) {
    case BS_CHECKBOX: case BS_AUTOCHECKBOX: case BS_RADIOBUTTON: case BS_3STATE: case BS_AUTO3STATE:
    case BS_AUTORADIOBUTTON:
      return true;
    default:
      return false;
  }
}

RECT RectInClient(HWND top, HWND w) {
  RECT r;
  GetWindowRect(w, &r);
  MapWindowPoints(HWND_DESKTOP, top, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::vector<std::wstring> ComboItems(HWND w, bool& ok) {
  std::vector<std::wstring> items;
  LRESULT count = 0;
  ok = Send(w, CB_GETCOUNT, 0, 0, &count) && count >= 0;
  for (LRESULT i = 0; ok && i < count; ++i) {
    LRESULT len = 0;
    if (!Send(w, CB_GETLBTEXTLEN, i, 0, &len) || len < 0) {
      ok = false;
      break;
    }
    std::vector<wchar_t> buf(static_cast<size_t>(len) + 2, L'\0');
    Send(w, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf.data()));
    items.emplace_back(buf.data());
  }
  return items;
}

std::string ItemsJson(const std::vector<std::wstring>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + Quote(items[i]);
  return out + "]";
}

// The id of the control with the keyboard focus in the window's thread, 0 for the window itself,
// -1 for none (or a window elsewhere).
int FocusId(HWND top) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info) || !info.hwndFocus) return -1;
  if (info.hwndFocus == top) return 0;
  if (IsChild(top, info.hwndFocus)) {
    // An edit inside a combo box has the focus for the combo box.
    HWND w = info.hwndFocus;
    if (IsInner(top, w)) w = GetParent(w);
    return GetDlgCtrlID(w);
  }
  return -1;
}

std::string WindowJson(HWND top) {
  RECT r, c;
  GetWindowRect(top, &r);
  GetClientRect(top, &c);
  DWORD pid = 0;
  GetWindowThreadProcessId(top, &pid);
  const LONG style = GetWindowLongW(top, GWL_STYLE);
  const LONG ex = GetWindowLongW(top, GWL_EXSTYLE);
  const bool owned = GetWindow(top, GW_OWNER) != nullptr;
  const bool tool = (ex & WS_EX_TOOLWINDOW) != 0;
  const bool app = (ex & WS_EX_APPWINDOW) != 0;
  wchar_t title[512] = {};
  GetWindowTextW(top, title, 512);  // the caption the system holds; no message needed for top-level windows

  std::string region = "null";
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  const int type = GetWindowRgn(top, rgn);
  if (type == SIMPLEREGION || type == COMPLEXREGION) {
    RECT box;
    GetRgnBox(rgn, &box);
    region = Obj().Add("type", Quote(type == SIMPLEREGION ? L"simple" : L"complex")).Add("box", RectJson(box)).Str();
  }
  DeleteObject(rgn);

  return Obj()
      .Add("hwnd", Hex(reinterpret_cast<uintptr_t>(top)))
      .Add("pid", Num(pid))
      .Add("title", Quote(title))
      .Add("class", Quote(ClassOf(top)))
      .Add("rect", RectJson(r))
      .Add("client", "[" + Num(c.right) + "," + Num(c.bottom) + "]")
      .Add("visible", Bool(IsWindowVisible(top)))
      .Add("enabled", Bool(IsWindowEnabled(top)))
      .Add("minimized", Bool(IsIconic(top)))
      .Add("topmost", Bool(ex & WS_EX_TOPMOST))
      .Add("style", Hex(static_cast<DWORD>(style)))
      .Add("exstyle", Hex(static_cast<DWORD>(ex)))
      .Add("owned", Bool(owned))
      .Add("toolwindow", Bool(tool))
      .Add("appwindow", Bool(app))
      // The shell's rule: a visible window gets a taskbar button when it is unowned and not a tool
      // window, or when it asks for one.
      .Add("taskbar", Bool(IsWindowVisible(top) && (app || (!owned && !tool))))
      .Add("region", region)
      .Add("foreground", Bool(GetForegroundWindow() == top))
      .Add("focus", Num(FocusId(top)))
      .Str();
}

std::string ControlJson(HWND top, HWND w) {
  std::wstring text;
  const bool haveText = TextOf(w, text);
  Obj o;
  HWND parent = GetParent(w);
  o.Add("id", Num(GetDlgCtrlID(w)))
      .Add("class", Quote(ClassOf(w)))
      .Add("parent", Num(parent == top ? 0 : GetDlgCtrlID(parent)))
      .Add("rect", RectJson(RectInClient(top, w)))
      .Add("text", haveText ? Quote(text) : "null")
      .Add("enabled", Bool(IsWindowEnabled(w)))
      .Add("visible", Bool(IsWindowVisible(w)))
      .Add("style", Hex(static_cast<DWORD>(GetWindowLongW(w, GWL_STYLE))))
      .Add("inner", Bool(IsInner(top, w)));
  if (IsCheckable(w)) {
    LRESULT state = 0;
    o.Add("checked", Send(w, BM_GETCHECK, 0, 0, &state) ? Num(state) : "null");
  } else {
    o.Add("checked", "null");
  }
  if (IsCombo(w)) {
    bool ok = false;
    const std::vector<std::wstring> items = ComboItems(w, ok);
    LRESULT sel = -1;
    Send(w, CB_GETCURSEL, 0, 0, &sel);
    o.Add("items", ok ? ItemsJson(items) : "null").Add("selected", Num(sel));
  }
  return o.Str();
}

// ---- arguments ------------------------------------------------------------------------------------------

bool ParseInt(const std::wstring& s, long& v) {
  if (s.empty()) return false;
  wchar_t* end = nullptr;
  v = std::wcstol(s.c_str(), &end, 0);
  return end && *end == L'\0';
}

bool ParsePoint(const std::wstring& s, POINT& p) {
  const size_t comma = s.find(L',');
  long x = 0, y = 0;
  if (comma == std::wstring::npos || !ParseInt(s.substr(0, comma), x) || !ParseInt(s.substr(comma + 1), y))
    return false;
  p = {x, y};
  return true;
}

bool ParseVk(const std::wstring& s, UINT& vk) {
  static const struct {
    const wchar_t* name;
    UINT vk;
  } kNames[] = {{L"RETURN", VK_RETURN}, {L"ENTER", VK_RETURN}, {L"TAB", VK_TAB},     {L"ESCAPE", VK_ESCAPE},
                {L"ESC", VK_ESCAPE},    {L"SPACE", VK_SPACE},  {L"UP", VK_UP},       {L"DOWN", VK_DOWN},
                {L"LEFT", VK_LEFT},     {L"RIGHT", VK_RIGHT},  {L"HOME", VK_HOME},   {L"END", VK_END},
                {L"BACK", VK_BACK},     {L"DELETE", VK_DELETE}, {L"F4", VK_F4},      {L"MENU", VK_MENU}};
  for (const auto& n : kNames) {
    if (lstrcmpiW(n.name, s.c_str()) == 0) {
      vk = n.vk;
      return true;
    }
  }
  long v = 0;
  if (ParseInt(s, v) && v > 0 && v < 256) {
    vk = static_cast<UINT>(v);
    return true;
  }
  if (s.size() == 1 && std::iswalnum(s[0])) {
    vk = static_cast<UINT>(std::towupper(s[0]));
    return true;
  }
  return false;
}

// ---- commands ---------------------------------------------------------------------------------------------

struct Target {
  HWND top;
  HWND hit;   // the control (or the window itself) the input goes to
  POINT at;   // in `hit`'s client coordinates
};

// Resolves "ID" to the control's centre, or "x,y" (main window client coordinates) to the deepest
// visible child under that point.
bool Resolve(HWND top, const std::wstring& arg, Target& t, std::wstring& error) {
  t.top = top;
  POINT p;
  if (ParsePoint(arg, p)) {
    HWND w = top;
    POINT local = p;
    for (;;) {
      HWND child = ChildWindowFromPointEx(w, local, CWP_SKIPINVISIBLE | CWP_SKIPTRANSPARENT);
      if (!child || child == w) break;
      MapWindowPoints(w, child, &local, 1);
      w = child;
    }
    t.hit = w;
    t.at = local;
    return true;
  }
  long id = 0;
  if (!ParseInt(arg, id)) {
    error = L"not a control id or x,y: " + arg;
    return false;
  }
  t.hit = ControlById(top, static_cast<int>(id));
  if (!t.hit) {
    error = L"no control with id " + arg;
    return false;
  }
  RECT c;
  GetClientRect(t.hit, &c);
  t.at = {c.right / 2, c.bottom / 2};
  return true;
}

// A real click on a disabled or hidden window reaches nothing; neither does ours.
const wchar_t* Unreachable(HWND top, HWND w) {
  for (HWND x = w; x; x = (x == top ? nullptr : GetParent(x))) {
    if (!IsWindowEnabled(x)) return L"disabled";
    if (!IsWindowVisible(x)) return L"hidden";
  }
  return nullptr;
}

int Click(const Options& o, HWND top, const std::wstring& arg, bool right) {
  Target t;
  std::wstring error;
  if (!Resolve(top, arg, t, error)) return Fail(error);
  Obj out;
  out.Add("target", Num(t.hit == top ? 0 : GetDlgCtrlID(t.hit))).Add("class", Quote(ClassOf(t.hit)));
  if (const wchar_t* why = Unreachable(top, t.hit)) {
    return Emit(out.Add("clicked", "false").Add("reason", Quote(why)).Str(), 0);
  }
  const LPARAM at = MAKELPARAM(t.at.x, t.at.y);
  if (right) {
    PostMessageW(t.hit, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(t.hit, WM_RBUTTONUP, 0, at);
  } else if (IsButton(t.hit) && (GetWindowLongW(t.hit, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX) {
    PostMessageW(t.hit, BM_CLICK, 0, 0);
  } else {
    PostMessageW(t.hit, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(t.hit, WM_LBUTTONUP, 0, at);
  }
  return Emit(out.Add("clicked", "true").Add("settled", Bool(Settle(top, o.settleMs))).Str(), 0);
}

bool GiveFocus(HWND w) {
  const DWORD mine = GetCurrentThreadId();
  const DWORD theirs = GetWindowThreadProcessId(w, nullptr);
  // SetFocus works only on windows of the caller's input queue; share theirs for a moment.
  const bool attached = AttachThreadInput(mine, theirs, TRUE) != FALSE;
  SetFocus(w);
  if (attached) AttachThreadInput(mine, theirs, FALSE);
  return attached;
}

HWND EditOf(HWND w) {
  if (IsCombo(w)) {
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    if (GetComboBoxInfo(w, &info) && info.hwndItem) return info.hwndItem;
    if (HWND edit = FindWindowExW(w, nullptr, L"Edit", nullptr)) return edit;
  }
  return w;
}

void PostKey(HWND w, UINT vk) {
  const DWORD scan = MapVirtualKeyW(vk, MAPVK_VK_TO_VSC) << 16;
  // Key-up: repeat count 1, previous state down (bit 30), transition (bit 31).
  PostMessageW(w, WM_KEYDOWN, vk, static_cast<LPARAM>(1u | scan));
  PostMessageW(w, WM_KEYUP, vk, static_cast<LPARAM>(1u | scan | 0xC0000000u));
}

HWND FindMenuWindow(DWORD timeoutMs) {
  const DWORD start = GetTickCount();
  for (;;) {
    HWND w = nullptr;
    while ((w = FindWindowExW(nullptr, w, L"#32768", nullptr)) != nullptr) {
      if (IsWindowVisible(w)) return w;
    }
    if (GetTickCount() - start >= timeoutMs) return nullptr;
    Sleep(50);
  }
}

int Menu(const Options& o) {
  HWND m = FindMenuWindow(o.timeoutMs);
  if (!m) return Emit(Obj().Add("open", "false").Str(), 3);
  RECT r;
  GetWindowRect(m, &r);
  DWORD pid = 0;
  GetWindowThreadProcessId(m, &pid);
  Obj out;
  out.Add("open", "true").Add("hwnd", Hex(reinterpret_cast<uintptr_t>(m))).Add("pid", Num(pid)).Add("rect", RectJson(r));
  LRESULT h = 0;
  const HMENU menu = Send(m, MN_GETHMENU, 0, 0, &h) ? reinterpret_cast<HMENU>(h) : nullptr;
  const int count = menu ? GetMenuItemCount(menu) : -1;
  out.Add("hmenu", Hex(reinterpret_cast<uintptr_t>(menu))).Add("count", Num(count));
  if (count < 0) return Emit(out.Add("items", "null").Str(), 0);
  std::string items = "[";
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
    const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
    items += (i ? "," : "") + Obj()
                                  .Add("text", Quote(text))
                                  .Add("id", Num(static_cast<int>(GetMenuItemID(menu, i))))
                                  .Add("separator", Bool(state & MF_SEPARATOR))
                                  .Add("disabled", Bool(state & (MF_DISABLED | MF_GRAYED)))
                                  .Add("checked", Bool(state & MF_CHECKED))
                                  .Str();
  }
  return Emit(out.Add("items", items + "]").Str(), 0);
}

int MenuKeys(const Options& o, const std::vector<UINT>& keys) {
  HWND m = FindMenuWindow(o.timeoutMs);
  if (!m) return Emit(Obj().Add("open", "false").Str(), 3);
  // The menu's modal loop reads every keyboard message of its thread, whichever window it is posted to.
  for (UINT vk : keys) PostKey(m, vk);
  // The menu window goes when an item is chosen; its thread's other windows stay to be asked.
  Options now = o;
  now.timeoutMs = 0;
  HWND top = FindTarget(now);
  const DWORD menuThread = GetWindowThreadProcessId(m, nullptr);
  if (!top || GetWindowThreadProcessId(top, nullptr) != menuThread) top = m;
  const bool settled = Settle(top, o.settleMs);
  return Emit(Obj().Add("open", "true").Add("sent", Num(static_cast<long long>(keys.size()))).Add("settled", Bool(settled)).Str(), 0);
}

int GuiResources(DWORD pid) {
  HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!p) p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!p) return Fail(L"cannot open the process");
  PROCESS_MEMORY_COUNTERS_EX mem = {};
  mem.cb = sizeof mem;
  const bool haveMem = GetProcessMemoryInfo(p, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof mem) != FALSE;
  DWORD handles = 0;
  const bool haveHandles = GetProcessHandleCount(p, &handles) != FALSE;
  Obj out;
  out.Add("pid", Num(pid))
      .Add("gdi", Num(GetGuiResources(p, GR_GDIOBJECTS)))
      .Add("user", Num(GetGuiResources(p, GR_USEROBJECTS)))
      .Add("handles", haveHandles ? Num(handles) : "null")
      .Add("private_bytes", haveMem ? Num(static_cast<long long>(mem.PrivateUsage)) : "null")
      .Add("working_set", haveMem ? Num(static_cast<long long>(mem.WorkingSetSize)) : "null");
  CloseHandle(p);
  return Emit(out.Str(), 0);
}

// ---- objects of a process, where Wine keeps them ------------------------------------------------------
// GetGuiResources and GetProcessHandleCount answer 0 under Wine 8. Wine does keep a real GDI handle
// table per process (PEB.GdiSharedHandleTable, 65536 entries of 24 bytes, a nonzero type byte for each
// live object, stock objects included) and lists every kernel handle of the session through
// NtQuerySystemInformation(SystemHandleInformation). Both can be read from here.

struct WineGdiEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;
  uint8_t flags;
  uint64_t user;
};
static_assert(sizeof(WineGdiEntry) == 24, "Wine's GDI handle entry");
constexpr size_t kGdiTableEntries = 0x10000;

// The object's full type is the low byte of the handle's upper word, kept in `unique`; 0x80 marks a
// stock object. (`type` holds only the base type, the same for brushes and pens.)
const char* GdiTypeName(uint8_t fullType) {
  switch (fullType & 0x7f) {
    case 0x01: return "dc";
    case 0x41: return "memory_dc";
    case 0x04: return "region";
    case 0x09: return "bitmap";
    case 0x08: return "palette";
    case 0x0a: return "font";
    case 0x10: return "brush";
    case 0x30: return "pen";
    case 0x50: return "extpen";
    default: return nullptr;
  }
}

// Live GDI objects of the process by kind, or false when its table cannot be read (a 32-bit reader of a
// 64-bit process, or a system that keeps the table elsewhere).
bool GdiObjectsOf(HANDLE process, std::map<std::string, long long>& byType, long long& total) {
  using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QueryProcess>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic = {};
  ULONG length = 0;
  if (!query || query(process, ProcessBasicInformation, &basic, sizeof basic, &length) != 0 || !basic.PebBaseAddress) {
    return false;
  }
  const size_t tableOffset = sizeof(void*) == 8 ? 0xF8 : 0x94;  // PEB.GdiSharedHandleTable
  uint64_t table = 0;
  SIZE_T got = 0;
  if (!ReadProcessMemory(process, reinterpret_cast<const char*>(basic.PebBaseAddress) + tableOffset, &table,
                         sizeof(void*), &got) ||
      got != sizeof(void*) || table == 0) {
    return false;
  }
  std::vector<WineGdiEntry> entries(kGdiTableEntries);
  if (!ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<uintptr_t>(table)), entries.data(),
                         entries.size() * sizeof(WineGdiEntry), &got) ||
      got != entries.size() * sizeof(WineGdiEntry)) {
    return false;
  }
  total = 0;
  for (const WineGdiEntry& e : entries) {
    if (!e.type) continue;
    ++total;
    const uint8_t fullType = static_cast<uint8_t>(e.unique & 0xff);
    const char* name = GdiTypeName(fullType);
    char other[16];
    std::snprintf(other, sizeof other, "type_%02x", fullType & 0x7f);
    byType[name ? name : other]++;
  }
  return true;
}

// Kernel handles held by the process, or -1 when the system does not list them.
long long KernelHandlesOf(DWORD pid) {
  struct Entry {  // SYSTEM_HANDLE_ENTRY
    ULONG pid;
    BYTE type;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
  };
  using QuerySystem = NTSTATUS(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
  const auto query = reinterpret_cast<QuerySystem>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
  if (!query) return -1;
  constexpr ULONG kSystemHandleInformation = 16;
  constexpr NTSTATUS kLengthMismatch = static_cast<NTSTATUS>(0xC0000004L);
  std::vector<char> buffer(1 << 16);
  for (int attempt = 0; attempt < 8; ++attempt) {
    ULONG needed = 0;
    const NTSTATUS status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
    if (status == kLengthMismatch) {
      buffer.resize(needed > buffer.size() ? needed + 4096 : buffer.size() * 2);
      continue;
    }
    if (status != 0) return -1;
    ULONG count = 0;
    std::memcpy(&count, buffer.data(), sizeof count);
    const size_t first = sizeof(void*) == 8 ? 8 : 4;  // the entries are pointer-aligned after the count
    if (first + static_cast<size_t>(count) * sizeof(Entry) > buffer.size()) return -1;
    long long mine = 0;
    for (ULONG i = 0; i < count; ++i) {
      Entry e;
      std::memcpy(&e, buffer.data() + first + i * sizeof(Entry), sizeof e);
      if (e.pid == pid) ++mine;
    }
    return mine;
  }
  return -1;
}

BOOL CALLBACK CollectTree(HWND w, LPARAM list) {
  auto* all = reinterpret_cast<std::vector<HWND>*>(list);
  all->push_back(w);
  EnumChildWindows(w, Collect, list);
  return TRUE;
}

// Every window of the process: top-level ones with their descendants, and message-only windows.
long long WindowsOf(DWORD pid) {
  std::vector<HWND> all;
  EnumWindows(CollectTree, reinterpret_cast<LPARAM>(&all));
  for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w;
       w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
    all.push_back(w);
  }
  long long mine = 0;
  for (HWND w : all) {
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    if (owner == pid) ++mine;
  }
  return mine;
}

int Objects(DWORD pid) {
  HANDLE p = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!p) return Fail(L"cannot open the process");
  std::map<std::string, long long> byType;
  long long gdi = 0;
  const bool haveGdi = GdiObjectsOf(p, byType, gdi);
  PROCESS_MEMORY_COUNTERS mem = {};
  mem.cb = sizeof mem;
  const bool haveMem = GetProcessMemoryInfo(p, &mem, sizeof mem) != FALSE;
  CloseHandle(p);
  Obj kinds;
  for (const auto& [name, count] : byType) kinds.Add(name.c_str(), Num(count));
  const long long handles = KernelHandlesOf(pid);
  return Emit(Obj()
                  .Add("pid", Num(pid))
                  .Add("gdi", haveGdi ? Num(gdi) : "null")
                  .Add("gdi_kinds", haveGdi ? kinds.Str() : "null")
                  .Add("handles", handles >= 0 ? Num(handles) : "null")
                  .Add("windows", Num(WindowsOf(pid)))
                  .Add("working_set", haveMem ? Num(static_cast<long long>(mem.WorkingSetSize)) : "null")
                  .Str(),
              0);
}

std::vector<HWND> TopLevelWindows() {
  std::vector<HWND> all;
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&all));
  return all;
}

std::string BriefJson(HWND w, HWND relativeTo) {
  RECT r;
  GetWindowRect(w, &r);
  if (relativeTo) MapWindowPoints(HWND_DESKTOP, relativeTo, reinterpret_cast<POINT*>(&r), 2);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  wchar_t title[512] = {};
  GetWindowTextW(w, title, 512);
  return Obj()
      .Add("hwnd", Hex(reinterpret_cast<uintptr_t>(w)))
      .Add("class", Quote(ClassOf(w)))
      .Add("title", Quote(title))
      .Add("pid", Num(pid))
      .Add("visible", Bool(IsWindowVisible(w)))
      .Add("rect", RectJson(r))
      .Str();
}

bool IsTrayClass(const std::wstring& cls) {
  std::wstring lower = cls;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  return lower == L"shell_traywnd" || lower.find(L"tray") != std::wstring::npos ||
         lower.find(L"systray") != std::wstring::npos;
}

// Wine without a desktop tray shows its own small window; the icons are its child windows.
std::vector<HWND> TrayWindows() {
  std::vector<HWND> trays;
  for (HWND w : TopLevelWindows()) {
    if (IsTrayClass(ClassOf(w))) trays.push_back(w);
  }
  return trays;
}

std::vector<HWND> TrayIcons() {
  std::vector<HWND> icons;
  for (HWND t : TrayWindows()) {
    if (!IsWindowVisible(t)) continue;
    for (HWND c : Descendants(t)) {
      if (IsWindowVisible(c)) icons.push_back(c);
    }
  }
  return icons;
}

int Tray() {
  std::string list = "[";
  bool first = true;
  for (HWND t : TrayWindows()) {
    std::string children = "[";
    bool firstChild = true;
    for (HWND c : Descendants(t)) {
      children += (firstChild ? "" : ",") + BriefJson(c, t);
      firstChild = false;
    }
    std::string one = BriefJson(t, nullptr);
    one.pop_back();
    list += (first ? "" : ",") + one + ",\"children\":" + children + "]}";
    first = false;
  }
  return Emit(Obj().Add("trays", list + "]").Add("icons", Num(static_cast<long long>(TrayIcons().size()))).Str(), 0);
}

int TrayClick(const Options& o, long index, const std::wstring& how) {
  const std::vector<HWND> icons = TrayIcons();
  if (index < 0 || static_cast<size_t>(index) >= icons.size()) return Fail(L"no such tray icon");
  HWND w = icons[static_cast<size_t>(index)];
  RECT c;
  GetClientRect(w, &c);
  const LPARAM at = MAKELPARAM(c.right / 2, c.bottom / 2);
  // The tray passes the click on to the icon's owner: wait for the tray, then for the program's window.
  auto settle = [&]() {
    bool settled = Settle(w, o.settleMs);
    Options now = o;
    now.timeoutMs = 0;
    if (HWND top = FindTarget(now)) settled = Settle(top, o.settleMs) && settled;
    return settled;
  };
  if (how == L"right") {
    PostMessageW(w, WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(w, WM_RBUTTONUP, 0, at);
  } else if (how == L"double") {
    PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(w, WM_LBUTTONUP, 0, at);
    // A hand's second press comes a good part of a second after the first, when the program has long
    // handled the first; posted together, the second would land inside the first one's handler.
    settle();
    PostMessageW(w, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageW(w, WM_LBUTTONUP, 0, at);
  } else if (how == L"left" || how.empty()) {
    PostMessageW(w, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(w, WM_LBUTTONUP, 0, at);
  } else {
    return Fail(L"left, right or double");
  }
  return Emit(Obj().Add("clicked", "true").Add("icon", BriefJson(w, nullptr)).Add("settled", Bool(settle())).Str(), 0);
}

int Windows() {
  std::string list = "[";
  bool first = true;
  for (HWND w : TopLevelWindows()) {
    list += (first ? "" : ",") + BriefJson(w, nullptr);
    first = false;
  }
  return Emit(Obj().Add("windows", list + "]").Str(), 0);
}

int System() {
  TIME_ZONE_INFORMATION tz;
  const DWORD zone = GetTimeZoneInformation(&tz);
  return Emit(Obj()
                  .Add("acp", Num(GetACP()))
                  .Add("oemcp", Num(GetOEMCP()))
                  .Add("bias_minutes", zone == TIME_ZONE_ID_INVALID ? "null" : Num(tz.Bias))
                  .Add("screen", "[" + Num(GetSystemMetrics(SM_CXSCREEN)) + "," + Num(GetSystemMetrics(SM_CYSCREEN)) + "]")
                  .Add("user_lcid", Num(GetUserDefaultLCID()))
                  .Str(),
              0);
}

int LocalTime() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  const double unix = static_cast<double>(ticks - 116444736000000000ULL) / 1e7;  // 100 ns since 1601
  char text[64];
  std::snprintf(text, sizeof text, "\"%04u-%02u-%02u  %02u:%02u:%02u.%03u\"", local.wYear, local.wMonth, local.wDay,
                local.wHour, local.wMinute, local.wSecond, local.wMilliseconds);
  char unixText[32];
  std::snprintf(unixText, sizeof unixText, "%.3f", unix);
  return Emit(Obj().Add("local", text).Add("unix", unixText).Str(), 0);
}

int Cursor(const std::vector<std::wstring>& a) {
  if (a.size() > 1) return Fail(L"cursor [x,y]");
  POINT p;
  if (a.size() == 1) {
    if (!ParsePoint(a[0], p)) return Fail(L"cursor [x,y]");
    SetCursorPos(p.x, p.y);
  }
  GetCursorPos(&p);
  return Emit(Obj().Add("at", "[" + Num(p.x) + "," + Num(p.y) + "]").Str(), 0);
}

int ReadFileHex(const std::wstring& path) {
  HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) {
    return Emit(Obj().Add("exists", "false").Add("error_code", Num(GetLastError())).Str(), 0);
  }
  std::string hex;
  unsigned char buf[4096];
  DWORD got = 0;
  long long size = 0;
  static const char kDigits[] = "0123456789abcdef";
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) {
    for (DWORD i = 0; i < got; ++i) {
      hex += kDigits[buf[i] >> 4];
      hex += kDigits[buf[i] & 15];
    }
    size += got;
  }
  CloseHandle(f);
  return Emit(Obj().Add("exists", "true").Add("size", Num(size)).Add("hex", "\"" + hex + "\"").Str(), 0);
}

int ListDir(std::wstring path) {
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW((path + L"*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return Emit(Obj().Add("exists", "false").Str(), 0);
  std::string list = "[";
  bool first = true;
  do {
    if (lstrcmpW(d.cFileName, L".") == 0 || lstrcmpW(d.cFileName, L"..") == 0) continue;
    const long long size = (static_cast<long long>(d.nFileSizeHigh) << 32) | d.nFileSizeLow;
    list += (first ? "" : ",") + Obj()
                                     .Add("name", Quote(d.cFileName))
                                     .Add("dir", Bool(d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                                     .Add("size", Num(size))
                                     .Str();
    first = false;
  } while (FindNextFileW(h, &d));
  FindClose(h);
  return Emit(Obj().Add("exists", "true").Add("entries", list + "]").Str(), 0);
}

int Close(const Options& o, HWND top) {
  DWORD pid = 0;
  GetWindowThreadProcessId(top, &pid);
  HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  PostMessageW(top, WM_CLOSE, 0, 0);
  const DWORD start = GetTickCount();
  while (IsWindow(top) && GetTickCount() - start < o.timeoutMs) Sleep(30);
  const bool closed = !IsWindow(top);
  Obj out;
  out.Add("closed", Bool(closed)).Add("closed_ms", Num(GetTickCount() - start));
  if (process) {
    const DWORD left = o.timeoutMs - (GetTickCount() - start);
    const bool exited = WaitForSingleObject(process, left > o.timeoutMs ? 0 : left) == WAIT_OBJECT_0;
    DWORD code = 0;
    out.Add("exited", Bool(exited)).Add("exited_ms", Num(GetTickCount() - start));
    if (exited && GetExitCodeProcess(process, &code)) out.Add("exit_code", Num(code));
    CloseHandle(process);
  }
  return Emit(out.Str(), closed ? 0 : 3);
}

int WaitText(HWND top, HWND w, const std::wstring& pattern, DWORD timeoutMs) {
  std::wregex re;
  try {
    re.assign(pattern, std::regex_constants::ECMAScript);
  } catch (const std::regex_error&) {
    return Fail(L"bad regular expression");
  }
  const DWORD start = GetTickCount();
  std::wstring text;
  bool matched = false;
  bool read = false;
  long long seenAt = 0;
  for (;;) {
    read = TextOf(w, text);
    if (read && std::regex_search(text, re)) {
      matched = true;
      seenAt = EpochMs();
      break;
    }
    if (GetTickCount() - start >= timeoutMs || !IsWindow(top)) break;
    Sleep(40);
  }
  return Emit(Obj()
                  .Add("matched", Bool(matched))
                  .Add("text", read ? Quote(text) : "null")
                  .Add("ms", Num(GetTickCount() - start))
                  .Add("at_ms", matched ? Num(seenAt) : "null")
                  .Str(),
              matched ? 0 : 3);
}

// Reads in a tight loop, so a text that stands for a second is never missed, and the last text before
// the window goes (a close right after a write) is caught as long as the window answers at all.
int WatchText(HWND top, HWND w, DWORD durationMs) {
  const DWORD start = GetTickCount();
  std::string texts = "[", times = "[";
  std::wstring last, text;
  bool any = false;
  long long goneMs = -1;
  for (;;) {
    if (!TextOf(w, text)) {
      if (!IsWindow(top) || !IsWindow(w)) {
        goneMs = GetTickCount() - start;
        break;
      }
    } else if (!any || text != last) {
      texts += (any ? "," : "") + Quote(text);
      times += (any ? "," : "") + Num(GetTickCount() - start);
      last = text;
      any = true;
    }
    if (GetTickCount() - start >= durationMs) break;
    Sleep(1);
  }
  return Emit(Obj()
                  .Add("texts", texts + "]")
                  .Add("ms", times + "]")
                  .Add("window_gone_ms", goneMs >= 0 ? Num(goneMs) : "null")
                  .Str(),
              0);
}

int Dump(HWND top) {
  std::string controls = "[";
  bool first = true;
  for (HWND w : Descendants(top)) {
    controls += (first ? "" : ",") + ControlJson(top, w);
    first = false;
  }
  std::string window = WindowJson(top);
  window.pop_back();
  // The known range of ids, so a test can tell the program's controls from a toolkit's inner windows.
  window += ",\"first_id\":" + Num(lumvo::ControlId(static_cast<lumvo::Ctl>(0))) +
            ",\"id_count\":" + Num(static_cast<int>(lumvo::Ctl::kCount));
  return Emit(window + ",\"controls\":" + controls + "]}", 0);
}

int Run(std::vector<std::wstring> args) {
  Options o;
  size_t i = 0;
  for (; i < args.size() && args[i].rfind(L"--", 0) == 0; ++i) {
    const std::wstring& flag = args[i];
    if (i + 1 >= args.size()) return Fail(L"missing value for " + flag);
    const std::wstring& value = args[++i];
    long v = 0;
    if (flag == L"--title") {
      o.title = value;
      o.titleGiven = true;
    } else if (flag == L"--class") {
      o.className = value;
    } else if (flag == L"--timeout" && ParseInt(value, v) && v >= 0) {
      o.timeoutMs = static_cast<DWORD>(v);
    } else if (flag == L"--settle" && ParseInt(value, v) && v >= 0) {
      o.settleMs = static_cast<DWORD>(v);
    } else if (flag == L"--at" && !value.empty()) {
      wchar_t* end = nullptr;
      o.atMs = std::wcstoll(value.c_str(), &end, 10);
      if (*end != L'\0' || o.atMs < 0) return Fail(L"bad option " + flag);
    } else {
      return Fail(L"bad option " + flag);
    }
  }
  if (i >= args.size()) return Fail(L"no command");
  const std::wstring cmd = args[i];
  const std::vector<std::wstring> a(args.begin() + static_cast<long>(i) + 1, args.end());

  // Commands that need no window.
  if (cmd == L"windows") return Windows();
  if (cmd == L"system") return System();
  if (cmd == L"local-time") return LocalTime();
  if (cmd == L"cursor") return Cursor(a);
  if (cmd == L"tray") return Tray();
  if (cmd == L"tray-click") {
    long index = 0;
    if (a.empty() || !ParseInt(a[0], index)) return Fail(L"tray-click INDEX [left|right|double]");
    return TrayClick(o, index, a.size() > 1 ? a[1] : L"left");
  }
  if (cmd == L"read-file") return a.size() == 1 ? ReadFileHex(a[0]) : Fail(L"read-file PATH");
  if (cmd == L"list-dir") return a.size() == 1 ? ListDir(a[0]) : Fail(L"list-dir PATH");
  if (cmd == L"menu") return Menu(o);
  if (cmd == L"menu-key" || cmd == L"menu-pick") {
    std::vector<UINT> keys;
    if (cmd == L"menu-pick") {
      long n = 0;
      if (a.size() != 1 || !ParseInt(a[0], n) || n < 0) return Fail(L"menu-pick N");
      keys.assign(static_cast<size_t>(n) + 1, VK_DOWN);
      keys.push_back(VK_RETURN);
    } else {
      for (const std::wstring& k : a) {
        UINT vk = 0;
        if (!ParseVk(k, vk)) return Fail(L"unknown key " + k);
        keys.push_back(vk);
      }
    }
    return MenuKeys(o, keys);
  }
  if (cmd == L"gui-resources" && !a.empty()) {
    long pid = 0;
    if (!ParseInt(a[0], pid)) return Fail(L"gui-resources [PID]");
    return GuiResources(static_cast<DWORD>(pid));
  }

  if (cmd == L"objects" && !a.empty()) {
    long pid = 0;
    if (!ParseInt(a[0], pid)) return Fail(L"objects [PID]");
    return Objects(static_cast<DWORD>(pid));
  }

  HWND top = FindTarget(o);
  if (!top) return Fail(L"window not found");
  if (o.atMs >= 0) {
    for (long long now = EpochMs(); now < o.atMs; now = EpochMs()) {
      Sleep(static_cast<DWORD>(o.atMs - now > 20 ? o.atMs - now - 10 : 1));
    }
    lateMs = EpochMs() - o.atMs;
  }

  if (cmd == L"find") return Emit(BriefJson(top, nullptr), 0);
  if (cmd == L"dump") return Dump(top);
  if (cmd == L"text") {
    std::wstring text;
    const bool read = TextOf(top, text);
    return Emit(Obj().Add("hwnd", Hex(reinterpret_cast<uintptr_t>(top))).Add("text", read ? Quote(text) : "null").Str(),
                read ? 0 : 1);
  }
  if (cmd == L"gui-resources") {
    DWORD pid = 0;
    GetWindowThreadProcessId(top, &pid);
    return GuiResources(pid);
  }
  if (cmd == L"objects") {
    DWORD pid = 0;
    GetWindowThreadProcessId(top, &pid);
    return Objects(pid);
  }
  if (cmd == L"close") return Close(o, top);
  if (cmd == L"notify") {
    if (a.size() != 1) return Fail(L"notify NAME");
    const UINT message = RegisterWindowMessageW(a[0].c_str());
    const bool posted = message && PostMessageW(top, message, 0, 0);
    return Emit(Obj().Add("posted", Bool(posted)).Add("settled", Bool(posted && Settle(top, o.settleMs))).Str(),
                posted ? 0 : 1);
  }
  if (cmd == L"click" || cmd == L"rclick") {
    if (a.size() != 1) return Fail(cmd + L" ID|x,y");
    return Click(o, top, a[0], cmd == L"rclick");
  }

  // The rest name one control.
  if (a.empty()) return Fail(cmd + L" needs a control id");
  long id = 0;
  if (!ParseInt(a[0], id)) return Fail(L"not a control id: " + a[0]);
  HWND w = ControlById(top, static_cast<int>(id));
  if (!w) return Fail(L"no control with id " + a[0]);

  if (cmd == L"settext") {
    if (a.size() != 2) return Fail(L"settext ID TEXT");
    LRESULT r = 0;
    const bool sent = Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[1].c_str()), &r);
    std::wstring now;
    const bool read = TextOf(w, now);
    return Emit(Obj().Add("sent", Bool(sent)).Add("result", Num(r)).Add("text", read ? Quote(now) : "null").Str(), 0);
  }
  if (cmd == L"type") {
    if (a.size() != 2) return Fail(L"type ID TEXT");
    HWND edit = EditOf(w);
    GiveFocus(edit);
    // Typing goes where the caret is; put it at the end, after what the box already holds.
    PostMessageW(edit, EM_SETSEL, 0x7fffffff, 0x7fffffff);
    for (wchar_t c : a[1]) PostMessageW(edit, WM_CHAR, c, 1);
    const bool settled = Settle(top, o.settleMs);
    std::wstring now;
    const bool read = TextOf(w, now);
    return Emit(Obj().Add("settled", Bool(settled)).Add("text", read ? Quote(now) : "null").Str(), 0);
  }
  if (cmd == L"combo-set") {
    if (!IsCombo(w)) return Fail(L"not a combo box");
    std::wstring text;
    const bool haveText = TextOf(w, text);
    bool ok = Send(w, CB_RESETCONTENT, 0, 0);
    for (size_t k = 1; k < a.size() && ok; ++k) {
      LRESULT index = 0;
      ok = Send(w, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(a[k].c_str()), &index) && index >= 0;
    }
    // Emptying the list clears the edit part too; the user's text is not the list's business.
    if (haveText) Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    bool read = false;
    const std::vector<std::wstring> items = ComboItems(w, read);
    return Emit(Obj().Add("ok", Bool(ok && read)).Add("items", read ? ItemsJson(items) : "null").Str(), ok ? 0 : 1);
  }
  if (cmd == L"focus") {
    GiveFocus(EditOf(w));
    return Emit(Obj().Add("focus", Num(FocusId(top))).Str(), 0);
  }
  if (cmd == L"key") {
    UINT vk = 0;
    if (a.size() != 2 || !ParseVk(a[1], vk)) return Fail(L"key ID VK");
    HWND target = EditOf(w);
    PostKey(target, vk);
    return Emit(Obj().Add("vk", Num(vk)).Add("settled", Bool(Settle(top, o.settleMs))).Str(), 0);
  }
  if (cmd == L"watch-text") {
    long ms = 0;
    if (a.size() != 2 || !ParseInt(a[1], ms) || ms < 0) return Fail(L"watch-text ID MS");
    return WatchText(top, w, static_cast<DWORD>(ms));
  }
  if (cmd == L"wait-text") {
    long ms = 0;
    if (a.size() != 3 || !ParseInt(a[2], ms) || ms < 0) return Fail(L"wait-text ID REGEX TIMEOUT_MS");
    return WaitText(top, w, a[1], static_cast<DWORD>(ms));
  }
  return Fail(L"unknown command " + cmd);
}

}  // namespace

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return Fail(L"no command line");
  std::vector<std::wstring> args(argv + 1, argv + argc);
  LocalFree(argv);
  return Run(args);
}
