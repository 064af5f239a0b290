// Fakes of the seams in core/ports.h and core/controls.h, and a Program built from them.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/program.h"

namespace lumvo::testing {

class FakeControls : public Controls {
 public:
  struct State {
    std::string text;
    bool checked = false;
    bool enabled = true;
    int width = 0, height = 0;
  };
  std::map<Ctl, State> state;
  std::vector<std::string> combo;
  Ctl focus = Ctl::kCount;
  std::vector<std::pair<Ctl, std::string>> textLog;  // every SetText, in order
  // Reads past the end of the list; a real list answers those with an error, not with a text.
  int comboReadsOutOfRange = 0;

  std::string Text(Ctl c) override { return state[c].text; }
  void SetText(Ctl c, std::string_view t) override {
    state[c].text = std::string(t);
    textLog.emplace_back(c, std::string(t));
  }
  bool Checked(Ctl c) override { return state[c].checked; }
  void SetChecked(Ctl c, bool on) override { state[c].checked = on; }
  bool Enabled(Ctl c) override { return state[c].enabled; }
  void Enable(Ctl c, bool on) override { state[c].enabled = on; }
  void Focus(Ctl c) override { focus = c; }
  int ComboCount() override { return static_cast<int>(combo.size()); }
  std::string ComboItem(int i) override {
    if (i >= 0 && i < static_cast<int>(combo.size())) return combo[static_cast<size_t>(i)];
    ++comboReadsOutOfRange;
    return std::string();
  }
  int Width(Ctl c) override { return state[c].width; }
  int Height(Ctl c) override { return state[c].height; }
};

class FakeClock : public Clock {
 public:
  DateTime now = MakeDateTime(2026, 12, 11, 9, 30, 0);
  uint32_t ticks = 1000;
  bool acceptSetTime = true;
  std::vector<CivilTime> setTimes;

  DateTime LocalNow() override { return now; }
  uint32_t TickCount() override { return ticks; }
  bool SetLocalTime(const CivilTime& t) override {
    setTimes.push_back(t);
    return acceptSetTime;
  }
};

// Scripted request objects. Each Create() takes the next script; the log records every call.
class FakeHttp : public TimeRequestFactory {
 public:
  struct Script {
    bool create = true;
    std::string date;           // the Date header's value ("" = none)
    uint32_t elapsedMs = 0;     // added to the clock's tick counter by Send()
    std::function<void()> onSend;  // runs inside Send(), e.g. to check re-entrancy
  };
  explicit FakeHttp(FakeClock& clock) : clock_(clock) {}

  std::deque<Script> scripts;  // when empty: a request that gets no answer
  std::vector<std::string> log;
  int live = 0;  // request objects not yet released

  std::unique_ptr<TimeRequest> Create() override;

 private:
  FakeClock& clock_;
};

class FakeRequest : public TimeRequest {
 public:
  FakeRequest(FakeHttp& http, FakeClock& clock, FakeHttp::Script script)
      : http_(http), clock_(clock), script_(std::move(script)) {
    ++http_.live;
  }
  ~FakeRequest() override {
    --http_.live;
    http_.log.push_back("release");
  }
  void SetTimeouts(int a, int b, int c, int d) override {
    http_.log.push_back("timeouts " + std::to_string(a) + " " + std::to_string(b) + " " + std::to_string(c) +
                        " " + std::to_string(d));
  }
  void SetOption(int index, int value) override {
    http_.log.push_back("option " + std::to_string(index) + " " + std::to_string(value));
  }
  void Open(std::string_view method, std::string_view url, bool async) override {
    http_.log.push_back("open " + std::string(method) + " " + std::string(url) + (async ? " async" : " sync"));
  }
  void Send() override {
    http_.log.push_back("send");
    clock_.ticks += script_.elapsedMs;
    if (script_.onSend) script_.onSend();
  }
  std::string GetResponseHeader(std::string_view name) override {
    http_.log.push_back("header " + std::string(name));
    return name == "Date" ? script_.date : std::string();
  }

 private:
  FakeHttp& http_;
  FakeClock& clock_;
  FakeHttp::Script script_;
};

inline std::unique_ptr<TimeRequest> FakeHttp::Create() {
  Script s;
  if (!scripts.empty()) {
    s = std::move(scripts.front());
    scripts.pop_front();
  }
  log.push_back(s.create ? "create" : "create failed");
  if (!s.create) return nullptr;
  return std::make_unique<FakeRequest>(*this, clock_, std::move(s));
}

class FakeNetwork : public Network {
 public:
  int answer = 1;
  int InternetGetConnectedState() override { return answer; }
};

class FakeTimer : public Timer {
 public:
  uint32_t period = 0;
  int restarts = 0;  // times a period change (re)started the timer
  void SetPeriod(uint32_t ms) override {
    if (ms == period) return;
    period = ms;
    if (ms) ++restarts;
  }
  uint32_t Period() const override { return period; }
};

// Each DispatchPending advances the clock by `msPerDispatch` and runs what is queued, as the message
// loop would run a tick or a click.
class FakePump : public MessagePump {
 public:
  explicit FakePump(FakeClock& clock) : clock_(clock) {}
  uint32_t msPerDispatch = 1;
  int dispatches = 0;
  std::deque<std::function<void()>> queued;
  std::function<void()> everyDispatch;

  void DispatchPending() override {
    ++dispatches;
    clock_.ticks += msPerDispatch;
    while (!queued.empty()) {
      auto f = std::move(queued.front());
      queued.pop_front();
      f();
    }
    if (everyDispatch) everyDispatch();
  }

 private:
  FakeClock& clock_;
};

class FakeTip : public BalloonTip {
 public:
  struct Shown {
    int x, y;
    std::string text;
    int icon;
    bool mayClose;
    bool staysOpen;
  };
  bool staysOpen = false;
  std::vector<Shown> shown;
  void SetStaysOpen(bool on) override { staysOpen = on; }
  void Show(int x, int y, std::string_view text, int icon, bool mayClose) override {
    shown.push_back({x, y, std::string(text), icon, mayClose, staysOpen});
  }
};

class FakeWindow : public MainWindow {
 public:
  int left = 820, top = 357;
  bool topmost = false;
  int screenWidth = 1920, screenHeight = 1080;
  int closeRequests = 0, menus = 0, trayAdds = 0, trayRemoves = 0, flatLooks = 0;
  int roundedCorner = 0;
  std::vector<std::string> log;  // moves and topmost changes, in order
  std::string footer;

  int Left() override { return left; }
  int Top() override { return top; }
  void SetLeft(int x) override {
    left = x;
    log.push_back("left " + std::to_string(x));
  }
  void SetTop(int y) override {
    top = y;
    log.push_back("top " + std::to_string(y));
  }
  void SetTopmost(bool on) override {
    topmost = on;
    log.push_back(on ? "topmost" : "notopmost");
  }
  int ScreenWidth() override { return screenWidth; }
  int ScreenHeight() override { return screenHeight; }
  void CloseMainWindow() override { ++closeRequests; }
  void ShowMainMenu() override { ++menus; }
  void RoundWindowCorners(int corner) override { roundedCorner = corner; }
  void ApplyFlatControlLook() override { ++flatLooks; }
  void SetTrayIcon() override { ++trayAdds; }
  void RemoveTrayIcon() override { ++trayRemoves; }
  void SetFooterCaption(std::string_view text) override { footer = std::string(text); }
};

class FakeCanvas : public Canvas {
 public:
  std::vector<std::string> ops;
  void Clear() override { ops.push_back("clear"); }
  void SetPen(uint32_t colour, int width) override {
    ops.push_back("pen " + std::to_string(colour) + " " + std::to_string(width));
  }
  void Line(int x1, int y1, int x2, int y2) override {
    ops.push_back("line " + std::to_string(x1) + "," + std::to_string(y1) + " " + std::to_string(x2) + "," +
                  std::to_string(y2));
  }
  void Ellipse(int l, int t, int r, int b) override {
    ops.push_back("ellipse " + std::to_string(l) + "," + std::to_string(t) + " " + std::to_string(r) + "," +
                  std::to_string(b));
  }
  void Text(int x, int y, std::string_view text, uint32_t colour) override {
    ops.push_back("text " + std::to_string(x) + "," + std::to_string(y) + " " + std::string(text) + " " +
                  std::to_string(colour));
  }
};

// An INI file in memory with the private-profile rules the program relies on.
class FakeSettings : public SettingsStore {
 public:
  std::map<std::pair<std::string, std::string>, std::string> values;
  std::vector<std::string> writes;  // "section/key=value", in order

  std::string ReadSetting(std::string_view section, std::string_view key, std::string_view def) override {
    auto it = values.find({std::string(section), std::string(key)});
    std::string v = it == values.end() ? std::string(def) : it->second;
    if (v.size() > 10239) v.resize(10239);
    return v;
  }
  void WriteSetting(std::string_view section, std::string_view key, std::string_view value) override {
    values[{std::string(section), std::string(key)}] = std::string(value);
    writes.push_back(std::string(section) + "/" + std::string(key) + "=" + std::string(value));
  }
};

class FakeShell : public Shell {
 public:
  std::map<std::string, RegistryText> registry;  // "keyPath|valueName"
  std::map<std::string, std::string> environment;  // %NAME% -> value
  std::map<std::string, std::string> files;         // path -> what was saved there
  std::vector<std::string> opened;
  bool linkSaves = true, deletes = true;

  RegistryText ReadUserValue(std::string_view keyPath, std::string_view valueName) override {
    auto it = registry.find(std::string(keyPath) + "|" + std::string(valueName));
    return it == registry.end() ? RegistryText{} : it->second;
  }
  std::string ExpandEnvironment(std::string_view text) override {
    std::string s(text);
    for (const auto& [name, value] : environment) {
      const std::string token = "%" + name + "%";
      for (size_t p; (p = s.find(token)) != std::string::npos;) s.replace(p, token.size(), value);
    }
    return s;
  }
  bool SaveShellLink(std::string_view path, std::string_view target, std::string_view description,
                     std::string_view arguments, std::string_view workingDirectory) override {
    if (!linkSaves) return false;
    files[std::string(path)] = "target=" + std::string(target) + ";args=" + std::string(arguments) +
                               ";dir=" + std::string(workingDirectory) + ";desc=" + std::string(description);
    return true;
  }
  bool FileExists(std::string_view path) override { return files.count(std::string(path)) > 0; }
  void DeleteFile(std::string_view path) override {
    if (deletes) files.erase(std::string(path));
  }
  void OpenWebPage(std::string_view address) override { opened.emplace_back(address); }
};

// A Program over fakes, its controls in their form states.
struct FakeProgram {
  FakeControls ui;
  FakeWindow window;
  FakeCanvas canvas;
  FakeClock clock;
  FakeNetwork network;
  FakeHttp http{clock};
  FakePump pump{clock};
  FakeTimer intervalTimer;
  FakeTip tip;
  FakeSettings settings;
  FakeShell shell;
  Program p{AppState{}, ui,   window, canvas, clock, network, http, pump, intervalTimer, tip, settings, shell,
            "C:\\Tools\\Lumvo", "LumvoTime.exe"};

  FakeProgram() {
    ui.combo = {"http://www.ntsc.ac.cn", "http://www.aliyun.com", "http://www.360.cn", "http://www.baidu.com",
                "http://www.sogou.com", "http://www.163.com", "http://www.xunlei.com"};
    ui.state[Ctl::组合框1].text = ui.combo[0];
    ui.state[Ctl::选择框_自动尝试下一服务器].checked = true;
    ui.state[Ctl::编辑框_间隔秒].text = "5";
    ui.state[Ctl::编辑框_延迟秒].text = "60";
    ui.state[Ctl::画板1].width = 80;
    ui.state[Ctl::画板1].height = 80;
  }
};

}  // namespace lumvo::testing
