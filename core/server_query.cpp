#include "core/server_query.h"

#include "core/http_date.h"

namespace lumvo {
namespace {

constexpr int kResolveTimeoutMs = 5000;
constexpr int kConnectTimeoutMs = 5000;
constexpr int kSendTimeoutMs = 10000;
constexpr int kReceiveTimeoutMs = 5000;
constexpr int kOptionEnableRedirects = 6;
constexpr int kHoursEastOfGreenwich = 8;

}  // namespace

bool FetchServerTime(TimeRequestFactory& http, Clock& clock, const std::string& server, DateTime& standardTime) {
  std::unique_ptr<TimeRequest> request = http.Create();
  if (!request) return false;
  request->SetTimeouts(kResolveTimeoutMs, kConnectTimeoutMs, kSendTimeoutMs, kReceiveTimeoutMs);
  request->SetOption(kOptionEnableRedirects, 0);  // a redirect's own Date serves; its target is never asked
  request->Open("HEAD", server + "/123.123", false);
  const uint32_t start = clock.TickCount();
  request->Send();
  const std::string date = request->GetResponseHeader("Date");
  if (date.empty()) return false;
  const HttpDateResult parsed = ParseHttpDate(date, clock.LocalNow());
  if (!parsed.ok) return false;
  // Modulo 2^32 and taken as signed, so a wrap of the counter between the readings still gives the
  // true short interval.
  const int32_t elapsedMs = static_cast<int32_t>(clock.TickCount() - start);
  standardTime = AddSeconds(AddHours(parsed.value, kHoursEastOfGreenwich), elapsedMs / 1000);
  return true;
}

}  // namespace lumvo
