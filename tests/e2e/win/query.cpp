// query.exe SERVER... : asks each server in turn for its time, as the program does, with the real
// WinHTTP object and the real clock. One line per server on stdout:
//   ok <time> (<ms> ms)      the standard time the answer gave
//   fail <time> (<ms> ms)    the standard time still held (from an earlier server, or the zero value)
// The held value carries from one server to the next, so a failure can be seen to leave it alone.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>

#include "core/server_query.h"
#include "platform/clock_win.h"
#include "platform/winhttp_request_win.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: query SERVER...\n");
    return 2;
  }
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    std::fprintf(stderr, "COM could not be initialised\n");
    return 2;
  }
  int status = 0;
  {
    lumvo::WinHttpRequestFactory http;
    lumvo::WinClock clock;
    lumvo::DateTime standardTime;
    for (int i = 1; i < argc; ++i) {
      const DWORD start = GetTickCount();
      const bool ok = lumvo::FetchServerTime(http, clock, argv[i], standardTime);
      const DWORD ms = GetTickCount() - start;
      std::printf("%s %s (%lu ms)\n", ok ? "ok" : "fail", lumvo::FormatDateTime(standardTime).c_str(),
                  static_cast<unsigned long>(ms));
      std::fflush(stdout);
      if (!ok) status = 1;
    }
  }
  CoUninitialize();
  return status;
}
