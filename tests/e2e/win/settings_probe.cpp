// Checks the settings-file and shell adapters against the real Windows functions (run under Wine in a
// scratch prefix: it writes C:\Windows\Kavrin.ini, a registry key under HKCU and files under C:\probe).
// Prints one UTF-8 line per check; the exit code is 1 when any check failed.
#include "platform/shell_win.h"
#include "platform/text_win.h"
#include "settings/autostart.h"
#include "settings/settings_store_win.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

// The shell interface's own DeleteFile, not the Win32 macro.
#undef DeleteFile

namespace {

using lumvo::NarrowGbk;
using lumvo::WidenGbk;

int failures = 0;

std::string Utf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                    nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &out[0], n, nullptr, nullptr);
  return out;
}
std::string Utf8FromGbk(const std::string& gbk) { return Utf8(WidenGbk(gbk)); }

void Check(const char* name, const std::string& got, const std::string& expected) {
  const bool ok = got == expected;
  if (!ok) ++failures;
  std::printf("%s %s: [%s]", ok ? "ok" : "FAIL", Utf8FromGbk(name).c_str(), Utf8FromGbk(got).c_str());
  if (!ok) std::printf(" expected [%s]", Utf8FromGbk(expected).c_str());
  std::printf("\n");
}
void Check(const char* name, bool got, bool expected) {
  Check(name, std::string(got ? "true" : "false"), std::string(expected ? "true" : "false"));
}

void SettingsFile() {
  lumvo::WinSettingsStore store;
  DeleteFileA(lumvo::kSettingsPath);
  Check("missing file gives the default", store.ReadSetting("自动校时", "秒", "60"), "60");

  store.WriteSetting("自动校时", "是否间隔", "是");
  store.WriteSetting("自动校时", "间隔秒", "7");
  store.WriteSetting("自动校时", "秒", "");
  store.WriteSetting("lx", "fuwuqi", "http://www.ntsc.ac.cn");
  Check("GBK value", store.ReadSetting("自动校时", "是否间隔", "否"), "是");
  Check("number", store.ReadSetting("自动校时", "间隔秒", "20"), "7");
  Check("present but empty", store.ReadSetting("自动校时", "秒", "60"), "");
  Check("server", store.ReadSetting("lx", "fuwuqi", "x"), "http://www.ntsc.ac.cn");
  Check("missing key", store.ReadSetting("自动校时", "自动退出", "否"), "否");
  Check("missing section", store.ReadSetting("别的", "秒", "60"), "60");
  Check("default kept with its blanks", store.ReadSetting("lx", "无", " 默认 "), " 默认 ");

  store.WriteSetting("自动校时", "间隔秒", "8");
  Check("rewritten", store.ReadSetting("自动校时", "间隔秒", "20"), "8");

  // What the profile functions make of blanks, quotes and line breaks.
  store.WriteSetting("lx", "blanks", "  http://a.b  ");
  Check("surrounding blanks are trimmed by the reader", store.ReadSetting("lx", "blanks", "x"), "http://a.b");
  store.WriteSetting("lx", "quoted", "\"q\"");
  Check("enclosing quotes are removed by the reader", store.ReadSetting("lx", "quoted", "x"), "q");
  store.WriteSetting("lx", "breaks", "a\r\n[lx]\r\nfuwuqi=evil");
  Check("a line break ends the value", store.ReadSetting("lx", "breaks", "x"), "a");
  Check("and adds no key", store.ReadSetting("lx", "fuwuqi", "x"), "http://www.ntsc.ac.cn");

  store.WriteSetting("lx", "long", std::string(12000, 'z'));
  Check("long value cut to 10239 bytes", std::to_string(store.ReadSetting("lx", "long", "").size()), "10239");
  store.WriteSetting("lx", "long", "");
}

void Registry(lumvo::WinShell& shell) {
  const std::string startup = lumvo::StartupFolderPath(shell, "Startup");
  Check("Startup folder read", startup.empty(), false);
  std::printf("info Startup folder: %s\n", Utf8FromGbk(startup).c_str());
  Check("link path", lumvo::AutoStartLinkPath(shell), startup + "\\Lumvo自动校时.lnk");

  HKEY key;
  RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\LumvoProbe\\文件夹", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  const std::wstring expandable = L"%APPDATA%\\启动";
  const std::wstring plain = L"C:\\自动\\启动";
  const DWORD number = 7;
  RegSetValueExW(key, L"展开", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expandable.c_str()),
                 static_cast<DWORD>((expandable.size() + 1) * sizeof(wchar_t)));
  RegSetValueExW(key, L"plain", 0, REG_SZ, reinterpret_cast<const BYTE*>(plain.c_str()),
                 static_cast<DWORD>(plain.size() * sizeof(wchar_t)));  // stored without its terminator
  RegSetValueExW(key, L"number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);

  const lumvo::RegistryText raw = shell.ReadUserValue("Software\\LumvoProbe\\文件夹", "展开");
  Check("expandable type", raw.type == lumvo::RegistryText::kExpandString, true);
  Check("expandable as stored", raw.value, "%APPDATA%\\启动");
  const std::string appData = shell.ExpandEnvironment("%APPDATA%");
  Check("environment expanded", appData.empty() || appData == "%APPDATA%", false);

  // The Startup value itself stored as an expandable text (this prefix is a scratch one; put back after).
  const wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const std::wstring original = WidenGbk(startup);
  RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Startup", REG_EXPAND_SZ, expandable.c_str(),
                  static_cast<DWORD>((expandable.size() + 1) * sizeof(wchar_t)));
  Check("expandable Startup value expanded", lumvo::StartupFolderPath(shell, "Startup"), appData + "\\启动");
  RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Startup", REG_SZ, original.c_str(),
                  static_cast<DWORD>((original.size() + 1) * sizeof(wchar_t)));
  Check("Startup value put back", lumvo::StartupFolderPath(shell, "Startup"), startup);

  const lumvo::RegistryText text = shell.ReadUserValue("Software\\LumvoProbe\\文件夹", "plain");
  Check("text without terminator", text.value, "C:\\自动\\启动");
  Check("text type", text.type == lumvo::RegistryText::kString, true);
  Check("other type", shell.ReadUserValue("Software\\LumvoProbe\\文件夹", "number").type ==
                          lumvo::RegistryText::kOther, true);
  Check("missing value", shell.ReadUserValue("Software\\LumvoProbe\\文件夹", "无").type ==
                             lumvo::RegistryText::kMissing, true);
  Check("missing key", shell.ReadUserValue("Software\\LumvoProbe\\无", "plain").type ==
                           lumvo::RegistryText::kMissing, true);
  RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\LumvoProbe");
}

std::string LinkField(IShellLinkW* link, HRESULT (STDMETHODCALLTYPE IShellLinkW::*get)(LPWSTR, int)) {
  wchar_t buffer[MAX_PATH * 2] = {};
  (link->*get)(buffer, MAX_PATH * 2);
  return NarrowGbk(buffer);
}

void Shortcut(lumvo::WinShell& shell) {
  CreateDirectoryW(L"C:\\probe", nullptr);
  CreateDirectoryW(L"C:\\probe\\程序", nullptr);
  // The target exists, as the running program does.
  const HANDLE program = CreateFileW(L"C:\\probe\\程序\\LumvoTime.exe", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
  if (program != INVALID_HANDLE_VALUE) CloseHandle(program);
  const std::string link = "C:\\probe\\Lumvo自动校时.lnk";
  shell.DeleteFile(link);
  Check("no link yet", shell.FileExists(link), false);
  Check("saved", lumvo::CreateShortcut(shell, link, "C:\\probe\\程序\\LumvoTime.exe", "可以自动校时。", "auto",
                                       "C:\\probe\\程序"),
        true);
  Check("exists", shell.FileExists(link), true);

  IShellLinkW* loaded = nullptr;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&loaded))) &&
      SUCCEEDED(loaded->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
      SUCCEEDED(file->Load(WidenGbk(link).c_str(), STGM_READ))) {
    // The target as the shell finds it: through the item list, which holds the names in UTF-16. (Wine
    // also stores an ANSI copy of the path, which loses the Chinese names when its code page is not 936.)
    wchar_t path[MAX_PATH * 2] = {};
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(loaded->GetIDList(&items)) && items) {
      SHGetPathFromIDListW(items, path);
      CoTaskMemFree(items);
    }
    Check("target", NarrowGbk(path), "C:\\probe\\程序\\LumvoTime.exe");
    Check("arguments", LinkField(loaded, &IShellLinkW::GetArguments), "auto");
    Check("working directory", LinkField(loaded, &IShellLinkW::GetWorkingDirectory), "C:\\probe\\程序");
    Check("description", LinkField(loaded, &IShellLinkW::GetDescription), "可以自动校时。");
    // Wine 8 answers SW_SHOWNORMAL here for a saved SW_SHOW, so read the show command from the file:
    // a 32-bit value at offset 0x3C of the link header.
    unsigned char header[0x40] = {};
    if (FILE* raw = _wfopen(WidenGbk(link).c_str(), L"rb")) {
      std::fread(header, 1, sizeof header, raw);
      std::fclose(raw);
    }
    const unsigned show = header[0x3C] | header[0x3D] << 8 | header[0x3E] << 16 | static_cast<unsigned>(header[0x3F]) << 24;
    Check("show command in the file", std::to_string(show), std::to_string(SW_SHOW));
  } else {
    Check("shortcut loads", false, true);
  }
  if (file) file->Release();
  if (loaded) loaded->Release();

  Check("overwritten", lumvo::CreateShortcut(shell, link, "C:\\other\\LumvoTime.exe", "d", "auto", "C:\\other"),
        true);
  Check("name without a dot gets .lnk",
        lumvo::CreateShortcut(shell, "C:\\probe\\无扩展名", "C:\\probe\\程序\\LumvoTime.exe", "d", "auto", "C:\\"),
        true);
  Check("... and is found there", shell.FileExists("C:\\probe\\无扩展名.lnk"), true);
  Check("missing folder: not saved",
        lumvo::CreateShortcut(shell, "C:\\probe\\无此目录\\x.lnk", "C:\\a.exe", "d", "auto", "C:\\"), false);

  shell.DeleteFile(link);
  Check("deleted", shell.FileExists(link), false);
  Check("empty path does not exist", shell.FileExists(""), false);
}

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::printf("FAIL COM\n");
    return 1;
  }
  lumvo::WinShell shell;
  SettingsFile();
  Registry(shell);
  Shortcut(shell);
  CoUninitialize();
  std::printf("%s\n", failures ? "FAILED" : "PASSED");
  return failures ? 1 : 0;
}
