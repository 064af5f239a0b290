// The notice check: once per run, a background thread fetches the maker's notice, which may replace the
// footer line and its link and may offer a newer version. The timer and thread half is
// update/update_check_win.cpp; everything here is portable.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/program.h"
#include "update/notice_format.h"
#include "update/resource_fetch.h"

namespace lumvo {

inline constexpr std::string_view kCurrentVersionText = "3.6";

// MB_OKCANCEL | MB_ICONQUESTION | MB_TASKMODAL, and the answer IDOK.
inline constexpr uint32_t kOfferBoxStyle = 0x0001 | 0x0020 | 0x2000;
inline constexpr int kOfferAccepted = 1;

// The two sources, each the hexadecimal text of its enciphered address.
struct NoticeSources {
  std::string primary;  // its whole body is an enciphered notice tagged "Orvane"
  std::string backup;   // a page with a hexadecimal enciphered notice tagged "网易" between markers
};
NoticeSources BuiltInNoticeSources();

// Everything the check reaches. It must live until the process ends: the process does not wait for the
// check thread.
struct UpdateContext {
  Program& program;    // FooterUrl, the footer caption (thread-safe), OpenWebPage
  Timer& updateTimer;  // 时钟_更新
  NoticeSources sources;
  // A message box without owner: text, title (GBK), style; answers the button chosen.
  std::function<int(std::string_view text, std::string_view title, uint32_t style)> messageBox;
  bool started = false;  // the check runs at most once per run
};

// The text between the first occurrence of `opening` and the first occurrence of `closing` (the latter
// searched from the start of the text, so a closing marker before the opening one gives nothing). A
// missing marker gives nothing. Matches only begin on a character boundary of the GBK text.
std::string TextBetween(std::string_view text, std::string_view opening, std::string_view closing);

// The number a version text stands for: leading blanks skipped, full-width digits, signs and points read
// as plain ones, then the longest leading decimal number (sign, fraction, exponent); otherwise 0.
double NoticeNumberValue(std::string_view text);

// Only http and https addresses from a notice are ever handed to the shell: a notice comes over the
// network and must not be able to start a program or open a local file.
bool IsWebAddress(std::string_view address);

// Applies a deciphered notice: footer caption and link, then the offer of a newer version.
void ApplyNotice(const UpdateContext& context, std::string_view document);

// The timer's part on the user-interface thread: stops the timer and answers whether the check thread
// should start (connected, and not started before).
bool BeginUpdateCheck(UpdateContext& context);

// The check thread's body. Answers true when a notice was applied.
bool CheckForUpdate(const UpdateContext& context, ResourceFetcher& fetcher);

}  // namespace lumvo
