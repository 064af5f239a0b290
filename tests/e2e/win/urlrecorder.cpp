// urlrecorder.exe: stands in for the web browser in the test sessions. Registered as the handler of
// http and https addresses, it appends the address it is given, one UTF-8 line, to urls.log beside
// itself, so a test can see what the program handed to the shell without any browser starting.
#include <windows.h>
#include <shellapi.h>

#include <string>

int main() {
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv) return 1;
  std::wstring line;
  for (int i = 1; i < argc; ++i) line += (i > 1 ? L" " : L"") + std::wstring(argv[i]);
  LocalFree(argv);
  line += L"\n";

  wchar_t path[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return 1;
  std::wstring log(path, n);
  log = log.substr(0, log.find_last_of(L'\\') + 1) + L"urls.log";

  const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &bytes[0], size, nullptr, nullptr);

  HANDLE f = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return 1;
  DWORD written = 0;
  const BOOL ok = WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(f);
  return ok ? 0 : 1;
}
