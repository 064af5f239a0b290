// The program-wide values and the services every handler reaches them through.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "core/controls.h"
#include "core/datetime.h"
#include "core/ports.h"

namespace lumvo {

struct Point {
  int x = 0, y = 0;
};

// A text written by one thread and read by another; each read sees one whole value.
class SharedText {
 public:
  std::string Get() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
  }
  void Set(std::string text) {
    std::lock_guard<std::mutex> lock(mutex_);
    text_.swap(text);
  }

 private:
  mutable std::mutex mutex_;
  std::string text_;
};

struct AppState {
  DateTime StandardTime;
  int HaveServerTime = 0;
  int AutoCalibrationDone = 0;
  int ExitArmed = 0;
  int32_t ExitCountdown = 3;
  std::string CurrentServer;
  std::string SavedIntervalText;
  int WindowHidden = 0;
  Point SavedWindowPos;
  SharedText FooterUrl;
  Point ClockCentre;
};

struct Program {
  AppState state;
  Controls& ui;
  MainWindow& window;
  Canvas& canvas;
  Clock& clock;
  Network& network;
  TimeRequestFactory& http;
  MessagePump& pump;
  Timer& intervalTimer;  // 时钟_间隔校时
  BalloonTip& tip;       // 气球提示框1
  SettingsStore& settings;
  Shell& shell;
  std::string programDirectory;  // no trailing backslash
  std::string programFileName;
};

}  // namespace lumvo
