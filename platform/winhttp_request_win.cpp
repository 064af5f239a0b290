#include "platform/winhttp_request_win.h"

#include <windows.h>
#include <oleauto.h>

#include <new>
#include <string>

namespace lumvo {
namespace {

// Texts cross into the object as UTF-16 and come back as the program's GBK, whatever the system's
// code page is.
constexpr UINT kGbkCodePage = 936;

class ScopedDispatch {
 public:
  explicit ScopedDispatch(IDispatch* object) : object_(object) {}
  ~ScopedDispatch() {
    if (object_) object_->Release();
  }
  ScopedDispatch(const ScopedDispatch&) = delete;
  ScopedDispatch& operator=(const ScopedDispatch&) = delete;
  IDispatch* get() const { return object_; }

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
      const int n = MultiByteToWideChar(kGbkCodePage, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
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
  const int n = WideCharToMultiByte(kGbkCodePage, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(kGbkCodePage, 0, text, static_cast<int>(length), &out[0], n, nullptr, nullptr);
  return out;
}

// Invokes a member by name. `args` are in the order of the member's parameters; IDispatch wants them
// reversed, which this does. A property put passes its value as the last argument.
HRESULT Call(IDispatch* object, const wchar_t* name, WORD kind, ScopedVariant* const* args, UINT count,
             VARIANT* result) {
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

// Time-outs and options are written when they are set and written again after each `Open`: some
// versions of the object start every `Open` from their defaults (Wine's forgets both), which would
// follow redirects and wait far longer than asked. Writing them twice changes nothing where they stick.
class WinHttpRequest final : public TimeRequest {
 public:
  explicit WinHttpRequest(IDispatch* object) : object_(object) {}

  void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) override {
    timeouts_[0] = resolveMs;
    timeouts_[1] = connectMs;
    timeouts_[2] = sendMs;
    timeouts_[3] = receiveMs;
    haveTimeouts_ = true;
    WriteTimeouts();
  }

  void SetOption(int index, int value) override {
    if (index >= 0 && index < kOptionSlots) {
      options_[index] = value;
      optionSet_[index] = true;
    }
    WriteOption(index, value);
  }

  void Open(std::string_view method, std::string_view url, bool async) override {
    ScopedVariant m, u, a;
    if (!m.SetText(method) || !u.SetText(url)) return;
    a.SetBool(async);
    ScopedVariant* args[] = {&m, &u, &a};
    if (FAILED(Call(object_.get(), L"Open", DISPATCH_METHOD, args, 3, nullptr))) return;
    if (haveTimeouts_) WriteTimeouts();
    for (int i = 0; i < kOptionSlots; ++i) {
      if (optionSet_[i]) WriteOption(i, options_[i]);
    }
  }

  void Send() override { Call(object_.get(), L"Send", DISPATCH_METHOD, nullptr, 0, nullptr); }

  std::string GetResponseHeader(std::string_view name) override {
    ScopedVariant header, value;
    if (!header.SetText(name)) return {};
    ScopedVariant* args[] = {&header};
    if (FAILED(Call(object_.get(), L"GetResponseHeader", DISPATCH_METHOD, args, 1, value.get()))) return {};
    if (V_VT(value.get()) != VT_BSTR) return {};
    return ToGbk(V_BSTR(value.get()), SysStringLen(V_BSTR(value.get())));
  }

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

  ScopedDispatch object_;
  int timeouts_[4] = {};
  bool haveTimeouts_ = false;
  int options_[kOptionSlots] = {};
  bool optionSet_[kOptionSlots] = {};
};

}  // namespace

std::unique_ptr<TimeRequest> WinHttpRequestFactory::Create() {
  CLSID clsid;
  if (FAILED(CLSIDFromProgID(L"WinHttp.WinHttpRequest.5.1", &clsid))) return nullptr;
  IDispatch* object = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(&object))) ||
      !object) {
    return nullptr;
  }
  std::unique_ptr<TimeRequest> request(new (std::nothrow) WinHttpRequest(object));
  if (!request) object->Release();
  return request;
}

}  // namespace lumvo
