// Fetches one address with the program's own FetchResource and prints the body's length and its first
// bytes, to try the WinINet half by hand (for example under Wine against a loopback server).
#include <cstdio>
#include <string>

#include "update/resource_fetch_win.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: fetch_probe ADDRESS...\n");
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    const std::string body = lumvo::FetchResource(argv[i]);
    std::string head = body.substr(0, 32);
    for (char& c : head) {
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '.';
    }
    std::printf("%s %zu %s\n", argv[i], body.size(), head.c_str());
  }
  return 0;
}
