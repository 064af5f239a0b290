// The maintainer's tool for notices: enciphers a notice document for either source, and an address into
// the hexadecimal form the program holds its sources in. It also reads both back, to check what is
// about to be published.
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "update/notice.h"

namespace {

// UTF-8 whatever the program's own texts are compiled to: this is for the terminal.
const char kUsage[] =
    u8"usage:\n"
    "  lumvo-notice body [--utf8] (FILE | - | --text TEXT) OUT\n"
    "      writes the primary source's body (binary) to OUT: the notice enciphered.\n"
    "      Its site tag must be \"Orvane\".\n"
    "  lumvo-notice page [--utf8] [--markers] (FILE | - | --text TEXT)\n"
    "      prints the hexadecimal text to put into the backup source's page; with --markers\n"
    "      already between \"@@408172593\" and \"408172593@@\". Its site tag must be \"网易\".\n"
    "  lumvo-notice address ADDRESS\n"
    "      prints the hexadecimal text of an http or https address, as the program holds its sources.\n"
    "  lumvo-notice read-body FILE\n"
    "  lumvo-notice read-page FILE\n"
    "  lumvo-notice read-hex HEX\n"
    "      print what the program deciphers from a primary body, a backup page or a hexadecimal text\n"
    "      (GBK, as it stands: pipe it through iconv -f GBK to read it on a UTF-8 terminal).\n"
    "\n"
    "A notice is GBK text; --utf8 converts UTF-8 input to GBK first. '-' reads standard input.\n"
    "Fields: #网站...网站#  #状态文本...状态文本#  #状态网址...状态网址#  #最新版本...最新版本#\n"
    "        #下载地址...下载地址#\n";

int Fail(const std::string& message) {
  std::cerr << "lumvo-notice: " << message << "\n";
  return 1;
}

bool ReadFile(const std::string& path, std::string& out) {
  if (path == "-") {
    out.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    return true;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool Utf8ToGbk(const std::string& in, std::string& out) {
  iconv_t cd = iconv_open("GBK", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::vector<char> buffer(in.size() * 2 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = buffer.data();
  size_t dstLeft = buffer.size();
  const bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (ok) out.assign(buffer.data(), buffer.size() - dstLeft);
  return ok;
}

struct NoticeArgs {
  bool utf8 = false, markers = false;
  std::string text;
  std::vector<std::string> rest;
};

// Reads the options and the notice; `rest` gets what follows the notice.
bool ReadNotice(int argc, char** argv, NoticeArgs& a, std::string& error) {
  bool haveNotice = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--utf8") {
      a.utf8 = true;
    } else if (arg == "--markers") {
      a.markers = true;
    } else if (!haveNotice && arg == "--text" && i + 1 < argc) {
      a.text = argv[++i];
      haveNotice = true;
    } else if (!haveNotice) {
      if (!ReadFile(arg, a.text)) {
        error = "cannot read " + arg;
        return false;
      }
      haveNotice = true;
    } else {
      a.rest.push_back(arg);
    }
  }
  if (!haveNotice) {
    error = "no notice given";
    return false;
  }
  if (a.utf8 && !Utf8ToGbk(a.text, a.text)) {
    error = "the notice is not UTF-8 text that GBK can hold";
    return false;
  }
  if (a.text.find('\0') != std::string::npos) {
    error = "the notice holds a zero byte; the program would read it only up to there";
    return false;
  }
  return true;
}

void WarnAboutTag(const std::string& notice, const std::string& wanted) {
  if (lumvo::TextBetween(notice, "#网站", "网站#") != wanted) {
    std::cerr << "lumvo-notice: warning: the site tag is not the one this source needs; the program will "
                 "ignore this notice\n";
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << kUsage;
    return 2;
  }
  const std::string command = argv[1];
  std::string error;

  if (command == "body" || command == "page") {
    NoticeArgs a;
    if (!ReadNotice(argc, argv, a, error)) return Fail(error);
    if (command == "body") {
      if (a.rest.size() != 1 || a.markers) return Fail("body needs one output file and takes no --markers");
      WarnAboutTag(a.text, "Orvane");
      std::ofstream out(a.rest[0], std::ios::binary);
      const std::string body = lumvo::EncipherNoticeBody(a.text);
      if (!out.write(body.data(), static_cast<std::streamsize>(body.size()))) {
        return Fail("cannot write " + a.rest[0]);
      }
      return 0;
    }
    if (!a.rest.empty()) return Fail("page takes no output file");
    WarnAboutTag(a.text, "网易");
    std::cout << lumvo::EncipherPageNotice(a.text, a.markers) << "\n";
    return 0;
  }

  if (command == "address" && argc == 3) {
    if (!lumvo::SplitAddress(argv[2])) return Fail("not an http or https address the program can fetch");
    std::cout << lumvo::EncipherHexText(argv[2]) << "\n";
    return 0;
  }

  if ((command == "read-body" || command == "read-page") && argc == 3) {
    std::string data;
    if (!ReadFile(argv[2], data)) return Fail(std::string("cannot read ") + argv[2]);
    std::string notice;
    if (command == "read-body") {
      notice = lumvo::ReadAsText(lumvo::DecipherData(data, lumvo::kNoticeKeyText));
    } else {
      notice = lumvo::DecipherHexText(
          lumvo::TextBetween(lumvo::ReadAsText(data), lumvo::kPageNoticeOpen, lumvo::kPageNoticeClose));
    }
    if (notice.empty()) return Fail("nothing the program could read");
    std::cout << notice << "\n";
    return 0;
  }

  if (command == "read-hex" && argc == 3) {
    const std::string text = lumvo::DecipherHexText(argv[2]);
    if (text.empty()) return Fail("nothing the program could read");
    std::cout << text << "\n";
    return 0;
  }

  std::cerr << kUsage;
  return 2;
}
