// Notice sources answered by a hostile server: whatever the bodies hold, the check must not crash, and
// nothing but a web address may reach the shell or the footer's link.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tests/unit/fakes.h"
#include "update/notice.h"

namespace {

constexpr char kPrimary[] = "http://127.0.0.1:1/n.dat";
constexpr char kBackup[] = "http://127.0.0.1:2/n.html";
constexpr char kInitialFooterUrl[] = "http://initial/";

// The input split at its first zero byte: before it the primary body, after it the backup page.
class SplitFetcher : public lumvo::ResourceFetcher {
 public:
  explicit SplitFetcher(std::string_view input) : input_(input) {}
  std::string FetchResource(std::string_view address) override {
    const size_t zero = input_.find('\0');
    if (address == kPrimary) return std::string(input_.substr(0, zero));
    if (address == kBackup && zero != std::string_view::npos) return std::string(input_.substr(zero + 1));
    return {};
  }

 private:
  std::string_view input_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);

  (void)lumvo::NoticeNumberValue(input);
  (void)lumvo::ReadHexBytes(input);
  (void)lumvo::DecipherHexText(input);
  (void)lumvo::DecipherData(input, lumvo::kNoticeKeyText);
  (void)lumvo::SplitAddress(input);
  const std::string between = lumvo::TextBetween(input, "[", "]");
  if (!between.empty() && between.size() + 2 > input.size()) __builtin_trap();

  lumvo::testing::FakeProgram fp;
  fp.p.state.FooterUrl.Set(kInitialFooterUrl);
  lumvo::testing::FakeTimer timer;
  lumvo::UpdateContext context{
      fp.p,
      timer,
      {lumvo::EncipherHexText(kPrimary), lumvo::EncipherHexText(kBackup)},
      [](std::string_view, std::string_view, uint32_t) { return lumvo::kOfferAccepted; }};
  SplitFetcher fetcher(input);
  (void)lumvo::CheckForUpdate(context, fetcher);
  // The notice as plain text too, so the fuzzer reaches the fields without having to break the cipher.
  lumvo::ApplyNotice(context, input);

  for (const std::string& opened : fp.shell.opened) {
    if (!lumvo::IsWebAddress(opened)) __builtin_trap();
  }
  const std::string footerUrl = fp.p.state.FooterUrl.Get();
  if (!footerUrl.empty() && !lumvo::IsWebAddress(footerUrl)) __builtin_trap();
  return 0;
}
