// The seams between the program's logic and Windows. Each has a thin Win32 adapter (the *_win.cpp files)
// and a fake in the unit tests.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/datetime.h"

namespace lumvo {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual DateTime LocalNow() = 0;                     // the wall clock, whole seconds
  virtual uint32_t TickCount() = 0;                    // GetTickCount: milliseconds, wraps at 2^32
  virtual bool SetLocalTime(const CivilTime& t) = 0;   // milliseconds 0; true when Windows took it
};

// One WinHTTP request object (WinHttp.WinHttpRequest.5.1). Released by its destructor.
// A failed step leaves nothing behind; GetResponseHeader then answers an empty text.
class TimeRequest {
 public:
  virtual ~TimeRequest() = default;
  virtual void SetTimeouts(int resolveMs, int connectMs, int sendMs, int receiveMs) = 0;
  virtual void SetOption(int index, int value) = 0;
  virtual void Open(std::string_view method, std::string_view url, bool async) = 0;
  virtual void Send() = 0;
  virtual std::string GetResponseHeader(std::string_view name) = 0;  // ANSI (GBK), empty when absent
};

class TimeRequestFactory {
 public:
  virtual ~TimeRequestFactory() = default;
  virtual std::unique_ptr<TimeRequest> Create() = 0;  // nullptr when the object cannot be created
};

class Network {
 public:
  virtual ~Network() = default;
  virtual int InternetGetConnectedState() = 0;  // the raw answer of WinINet's call
};

// A window timer. Period 0 stops it; setting the period it already has changes nothing.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void SetPeriod(uint32_t ms) = 0;
  virtual uint32_t Period() const = 0;
};

class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Handles every queued message of the user-interface thread; a quit request stays queued.
  virtual void DispatchPending() = 0;
};

class BalloonTip {
 public:
  virtual ~BalloonTip() = default;
  virtual void SetStaysOpen(bool on) = 0;
  virtual void Show(int x, int y, std::string_view text, int icon, bool mayCloseItself) = 0;
};

// The main window as a whole, and the screen it stands on.
class MainWindow {
 public:
  virtual ~MainWindow() = default;
  virtual int Left() = 0;
  virtual int Top() = 0;
  virtual void SetLeft(int x) = 0;
  virtual void SetTop(int y) = 0;
  virtual void SetTopmost(bool on) = 0;
  virtual int ScreenWidth() = 0;
  virtual int ScreenHeight() = 0;
  virtual void CloseMainWindow() = 0;  // queued: takes effect after the current handler returns
  virtual void ShowMainMenu() = 0;
  virtual void RoundWindowCorners(int corner) = 0;
  virtual void ApplyFlatControlLook() = 0;
  virtual void SetTrayIcon() = 0;  // the program's icon and the tip "Lumvo自动校时"
  virtual void RemoveTrayIcon() = 0;
  // Thread-safe: the notice check changes the footer's caption from its own thread.
  virtual void SetFooterCaption(std::string_view text) = 0;
};

// Drawing on the clock's canvas 画板1. Colours are COLORREF values (0x00BBGGRR).
class Canvas {
 public:
  virtual ~Canvas() = default;
  virtual void Clear() = 0;  // back to the dial picture
  virtual void SetPen(uint32_t colour, int width) = 0;
  virtual void Line(int x1, int y1, int x2, int y2) = 0;
  virtual void Ellipse(int left, int top, int right, int bottom) = 0;
  virtual void Text(int x, int y, std::string_view text, uint32_t colour) = 0;
};

// The settings file: one key read or written at a time.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // Missing file, section or key: the default. Present but empty: the empty text. At most 10239 bytes.
  virtual std::string ReadSetting(std::string_view section, std::string_view key, std::string_view def) = 0;
  virtual void WriteSetting(std::string_view section, std::string_view key, std::string_view value) = 0;
};

struct RegistryText {
  enum Type { kMissing, kString, kExpandString, kOther } type = kMissing;
  std::string value;  // GBK, as stored
};

// Registry, files and the shell.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual RegistryText ReadUserValue(std::string_view keyPath, std::string_view valueName) = 0;  // HKCU
  virtual std::string ExpandEnvironment(std::string_view text) = 0;
  // The shell-link object; `path` is used as given. True when the file was saved.
  virtual bool SaveShellLink(std::string_view path, std::string_view target, std::string_view description,
                             std::string_view arguments, std::string_view workingDirectory) = 0;
  virtual bool FileExists(std::string_view path) = 0;
  virtual void DeleteFile(std::string_view path) = 0;
  virtual void OpenWebPage(std::string_view address) = 0;  // ShellExecute "open"
};

}  // namespace lumvo
