#include "platform/shell_win.h"

#include <windows.h>
#include <objidl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <vector>

#include "platform/scoped_handle_win.h"
#include "platform/text_win.h"

// <windows.h> renames DeleteFile to DeleteFileW; the interface's own name is meant here.
#undef DeleteFile

namespace lumvo {

namespace {

template <typename T>
class ScopedComPtr {
 public:
  ScopedComPtr() = default;
  ~ScopedComPtr() {
    if (ptr_) ptr_->Release();
  }
  ScopedComPtr(const ScopedComPtr&) = delete;
  ScopedComPtr& operator=(const ScopedComPtr&) = delete;
  void** Receive() { return reinterpret_cast<void**>(&ptr_); }
  T* operator->() const { return ptr_; }

 private:
  T* ptr_ = nullptr;
};

}  // namespace

RegistryText WinShell::ReadUserValue(std::string_view keyPath, std::string_view valueName) {
  RegistryText result;
  RegistryKey key;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, WidenGbk(keyPath).c_str(), 0, KEY_QUERY_VALUE, key.Receive()) !=
      ERROR_SUCCESS)
    return result;
  const std::wstring name = WidenGbk(valueName);
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return result;
  if (type != REG_SZ && type != REG_EXPAND_SZ) {
    result.type = RegistryText::kOther;
    return result;
  }
  // Another program may change the value between the two calls; ask again with the new size.
  std::vector<wchar_t> data;
  LONG status = ERROR_MORE_DATA;
  for (int attempt = 0; attempt < 3 && status == ERROR_MORE_DATA; ++attempt) {
    data.assign(size / sizeof(wchar_t) + 1, L'\0');
    size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    status = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  }
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
    if (status == ERROR_SUCCESS) result.type = RegistryText::kOther;
    return result;
  }
  // A stored text need not end with its terminator; it ends at the first one it has.
  std::wstring_view text(data.data(), size / sizeof(wchar_t));
  text = text.substr(0, text.find(L'\0'));
  result.type = type == REG_SZ ? RegistryText::kString : RegistryText::kExpandString;
  result.value = NarrowGbk(text);
  return result;
}

std::string WinShell::ExpandEnvironment(std::string_view text) {
  const std::wstring source = WidenGbk(text);
  const DWORD needed = ExpandEnvironmentStringsW(source.c_str(), nullptr, 0);
  if (needed == 0) return std::string(text);
  std::vector<wchar_t> expanded(needed);
  const DWORD written = ExpandEnvironmentStringsW(source.c_str(), expanded.data(), needed);
  if (written == 0 || written > needed) return std::string(text);
  return NarrowGbk(std::wstring_view(expanded.data(), written - 1));
}

bool WinShell::SaveShellLink(std::string_view path, std::string_view target, std::string_view description,
                             std::string_view arguments, std::string_view workingDirectory) {
  ScopedComPtr<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.Receive())))
    return false;
  ScopedComPtr<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.Receive()))) return false;
  link->SetPath(WidenGbk(target).c_str());
  link->SetShowCmd(SW_SHOW);
  link->SetDescription(WidenGbk(description).c_str());
  link->SetArguments(WidenGbk(arguments).c_str());
  link->SetWorkingDirectory(WidenGbk(workingDirectory).c_str());
  return SUCCEEDED(file->Save(WidenGbk(path).c_str(), TRUE));
}

bool WinShell::FileExists(std::string_view path) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileW(WidenGbk(path).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

void WinShell::DeleteFile(std::string_view path) { DeleteFileW(WidenGbk(path).c_str()); }

void WinShell::OpenWebPage(std::string_view address) {
  ShellExecuteW(nullptr, L"open", WidenGbk(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace lumvo
