// shellopen.exe ADDRESS: hands an address to the shell as the program does (ShellExecuteA "open", the
// text in the ANSI code page) and prints ShellExecute's answer (above 32: success).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: shellopen ADDRESS\n");
    return 2;
  }
  const INT_PTR r = reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", argv[1], nullptr, nullptr, SW_SHOWNORMAL));
  std::printf("%lld\n", static_cast<long long>(r));
  return r > 32 ? 0 : 1;
}
