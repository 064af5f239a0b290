#include "platform/winhttp_request_win.h"

#include <windows.h>
#include <oleauto.h>

#include <array>
#include <memory>
#include <new>
#include <string>

#include "platform/apartment_thread_win.h"

namespace lumvo {
namespace {

// Texts cross into the object as UTF-16 and come back as the program's GBK, whatever the system's
// code page is.
constexpr UINT kGbkCodePage = 936;

// The object's own receive time-out when nobody sets one.
constexpr int kDefaultReceiveMs = 30000;

// The object waits for an answer in whole seconds: a receive time-out rounded up, none (0) the default.
int WaitSeconds(int receiveMs) {
  const int ms = receiveMs > 0 ? receiveMs : kDefaultReceiveMs;
  return ms / 1000 + (ms % 1000 != 0 ? 1 : 0);
}

class ScopedDispatch {
 public:
  explicit ScopedDispatch(IDispatch* object) : object_(object) {}
  ~ScopedDispatch() {
    if (object_) object_->Release();
  }
  ScopedDispatch(const ScopedDispatch&) = delete;
  ScopedDispatch& operator=(const ScopedDispatch&) = delete;
  IDispatch* get() const { return object_; }
  void reset(IDispatch* object) {
    if (object_) object_->Release();
    object_ = object;
  }

 private:
  IDispatch* object_;
};

// A VARIANT that frees what it holds (a BSTR among others) on every path.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value_); }
  ~ScopedVariant() { VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;
  VARIANT* get() { return &value_; }
  VARIANT& operator*() { return value_; }

  void SetInt(int v) {
    VariantClear(&value_);
    V_VT(&value_) = VT_I4;
    V_I4(&value_) = v;
  }
  void SetBool(bool on) {
    VariantClear(&value_);
    V_VT(&value_) = VT_BOOL;
    V_BOOL(&value_) = on ? VARIANT_TRUE : VARIANT_FALSE;
  }
  // False when the text cannot be converted or no memory is left; the variant is then empty.
  bool SetText(std::string_view gbk) {
    VariantClear(&value_);
    std::wstring wide;
    if (!gbk.empty()) {
      const int n =
          MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
      if (n <= 0) return false;
      wide.resize(static_cast<size_t>(n));
      MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), &wide[0], n);
    }
    BSTR text = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!text) return false;
    V_VT(&value_) = VT_BSTR;
    V_BSTR(&value_) = text;
    return true;
  }

 private:
  VARIANT value_;
};

std::string ToGbk(const wchar_t* text, UINT length) {
  if (!text) return {};
  // Some versions of the object count the terminating NUL in the header's length (Wine's does); the
  // header ends at the first NUL, as it would for any C caller.
  length = static_cast<UINT>(wcsnlen(text, length));
  if (length == 0) return {};
  const int n =
      WideCharToMultiByte(kGbkCodePage, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kGbkCodePage, 0, text, static_cast<int>(length), &out[0], n, nullptr, nullptr);
  return out;
}

// Invokes a member by name. `args` are in the order of the member's parameters; IDispatch wants them
// reversed, which this does. A property put passes its value as the last argument.
HRESULT Call(IDispatch* object, const wchar_t* name, WORD kind, ScopedVariant* const* args, UINT count,
             VARIANT* result) {
  if (!object) return E_POINTER;
  DISPID member = 0;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &member);
  if (FAILED(hr)) return hr;

  VARIANT reversed[4];
  if (count > 4) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) reversed[count - 1 - i] = **args[i];  // shallow: the owners keep them

  DISPPARAMS params = {};
  params.rgvarg = count ? reversed : nullptr;
  params.cArgs = count;
  DISPID putId = DISPID_PROPERTYPUT;
  if (kind == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  EXCEPINFO error = {};
  UINT badArg = 0;
  hr = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, &error, &badArg);
  // A failing member may describe itself; nobody reads it, but its texts are ours to free.
  SysFreeString(error.bstrSource);
  SysFreeString(error.bstrDescription);
  SysFreeString(error.bstrHelpFile);
  return hr;
}

// Everything one request holds. It lives on the request's own thread: only that thread calls the
// object; the owner reads what a call left here once the call has finished.
//
// Time-outs and options are written when they are set and written again after each `Open`: some
// versions of the object start every `Open` from their defaults (Wine's forgets both), which would
// follow redirects and wait far longer than asked. Writing them twice changes nothing where they stick.
class Exchange {
 public:
  Exchange() = default;
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  void Create() {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &clsid))) return;
    IDispatch* object = nullptr;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(&object)))) {
      return;
    }
    object_.reset(object);
  }

  bool Created() const { return object_.get() != nullptr; }

  void Release() { object_.reset(nullptr); }

  void SetTimeouts(const std::array<int, 4>& timeouts) {
    for (int i = 0; i < 4; ++i) timeouts_[i] = timeouts[i];
    haveTimeouts_ = true;
    WriteTimeouts();
  }

  void SetOption(int index, int value) {
    if (index >= 0 && index < kOptionSlots) {
      options_[index] = value;
      optionSet_[index] = true;
    }
    WriteOption(index, value);
  }

  // The object always works asynchronously; a caller who asked for a synchronous request gets one from
  // Send, which waits for the answer itself (see there).
  void Open(const std::string& method, const std::string& url, bool async) {
    waitInSend_ = !async;
    ScopedVariant m, u, a;
    if (!m.SetText(method) || !u.SetText(url)) return;
    a.SetBool(true);
    ScopedVariant* args[] = {&m, &u, &a};
    if (FAILED(Call(object_.get(), L"Open", DISPATCH_METHOD, args, 3, nullptr))) return;
    if (haveTimeouts_) WriteTimeouts();
    for (int i = 0; i < kOptionSlots; ++i) {
      if (optionSet_[i]) WriteOption(i, options_[i]);
    }
  }

  // Sends, and for a synchronous request waits for the answer no longer than the receive time-out, then
  // aborts a request still unanswered, so that the object lets go of it at once. The object's own
  // synchronous Send cannot be bounded this way: Wine's ignores the receive time-out, and an Abort made
  // while it waits can leave it waiting for good (it loses the one wake-up both of them wait for).
  void Send() {
    if (FAILED(Call(object_.get(), L"Send", DISPATCH_METHOD, nullptr, 0, nullptr)) || !waitInSend_) return;
    ScopedVariant seconds, answered;
    seconds.SetInt(WaitSeconds(haveTimeouts_ ? timeouts_[3] : 0));
    ScopedVariant* args[] = {&seconds};
    const HRESULT hr = Call(object_.get(), L"WaitForResponse", DISPATCH_METHOD, args, 1, answered.get());
    const bool done =
        SUCCEEDED(hr) && V_VT(answered.get()) == VT_BOOL && V_BOOL(answered.get()) != VARIANT_FALSE;
    if (!done) Call(object_.get(), L"Abort", DISPATCH_METHOD, nullptr, 0, nullptr);
  }

  void ReadHeader(const std::string& name) {
    header_.clear();
    ScopedVariant text, value;
    if (!text.SetText(name)) return;
    ScopedVariant* args[] = {&text};
    if (FAILED(Call(object_.get(), L"GetResponseHeader", DISPATCH_METHOD, args, 1, value.get()))) return;
    if (V_VT(value.get()) != VT_BSTR) return;
    header_ = ToGbk(V_BSTR(value.get()), SysStringLen(V_BSTR(value.get())));
  }

  const std::string& Header() const { return header_; }

 private:
  static constexpr int kOptionSlots = 32;  // the object's options are numbered from 0 to about 20

  void WriteTimeouts() {
    ScopedVariant resolve, connect, send, receive;
    resolve.SetInt(timeouts_[0]);
    connect.SetInt(timeouts_[1]);
    send.SetInt(timeouts_[2]);
    receive.SetInt(timeouts_[3]);
    ScopedVariant* args[] = {&resolve, &connect, &send, &receive};
    Call(object_.get(), L"SetTimeouts", DISPATCH_METHOD, args, 4, nullptr);
  }

  void WriteOption(int index, int value) {
    ScopedVariant option, v;
    option.SetInt(index);
    v.SetInt(value);
    ScopedVariant* args[] = {&option, &v};
    Call(object_.get(), L"Option", DISPATCH_PROPERTYPUT, args, 2, nullptr);
  }

  ScopedDispatch object_{nullptr};
  int timeouts_[4] = {};
  bool haveTimeouts_ = false;
  int options_[kOptionSlots] = {};
  bool optionSet_[kOptionSlots] = {};
  bool waitInSend_ = true;
  std::string header_;
};

// Creating the object, setting it up and reading a header never touch the network; this bound only
// keeps a stuck object from holding the program.
constexpr uint32_t kLocalCallBoundMs = 5000;
// How much longer than its own wait for the answer a request's thread is given to abort and report.
constexpr uint32_t kSendReportMs = 1000;

// The request runs on a thread of its own, and the program's thread waits for each step without
// dispatching a single window message: under Wine 8 the object's waits (Send, WaitForResponse) dispatch
// the calling thread's window messages, so the program's timers and clicks would run inside a query.
class WinHttpRequest final : public TimeRequest {
 public:
  explicit WinHttpRequest(std::shared_ptr<Exchange> exchange)
      : exchange_(exchange), thread_([exchange] { exchange->Release(); }) {}

  bool Start() {
    return thread_.Run([e = exchange_] { e->Create(); }, kLocalCallBoundMs) && exchange_->Created();
  }

  void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override {
    const std::array<int, 4> timeouts = {resolveMs, connectMs, sendMs, receiveMs};
    sendBoundMs_ = static_cast<uint32_t>(WaitSeconds(receiveMs)) * 1000 + kSendReportMs;
    thread_.Run([e = exchange_, timeouts] { e->SetTimeouts(timeouts); }, kLocalCallBoundMs);
  }

  void SetOption(int index, int value) override {
    thread_.Run([e = exchange_, index, value] { e->SetOption(index, value); }, kLocalCallBoundMs);
  }

  void Open(std::string_view method, std::string_view url, bool async) override {
    thread_.Run(
        [e = exchange_, m = std::string(method), u = std::string(url), async] { e->Open(m, u, async); },
        kLocalCallBoundMs);
  }

  // The request's thread ends an unanswered attempt itself after the receive time-out (counted from
  // here; a server that trickles its answer would keep each single receive inside it) and aborts it.
  // The bound here only keeps an object that hangs regardless from holding the program: such a thread
  // is given up, and it lets go of the object and ends whenever the object lets it.
  void Send() override { thread_.Run([e = exchange_] { e->Send(); }, sendBoundMs_); }

  std::string GetResponseHeader(std::string_view name) override {
    if (!thread_.Run([e = exchange_, n = std::string(name)] { e->ReadHeader(n); }, kLocalCallBoundMs))
      return {};
    return exchange_->Header();
  }

 private:
  std::shared_ptr<Exchange> exchange_;
  ApartmentThread thread_;  // after exchange_: it ends (and releases the object) first
  uint32_t sendBoundMs_ = static_cast<uint32_t>(WaitSeconds(0)) * 1000 + kSendReportMs;
};

}  // namespace

std::unique_ptr<TimeRequest> WinHttpRequestFactory::Create() {
  std::shared_ptr<Exchange> exchange(new (std::nothrow) Exchange);
  if (!exchange) return nullptr;
  std::unique_ptr<WinHttpRequest> request(new (std::nothrow) WinHttpRequest(exchange));
  if (!request || !request->Start()) return nullptr;
  return request;
}

}  // namespace lumvo
