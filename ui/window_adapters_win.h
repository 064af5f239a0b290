// The Controls and MainWindow seams over the real window.
#pragma once

#include "core/controls.h"
#include "core/ports.h"
#include "ui/window_context_win.h"

namespace lumvo {

// Texts cross as GBK, converted with code page 936 whatever the system's ANSI code page is.
class WinControls final : public Controls {
 public:
  explicit WinControls(WindowContext& ctx) : ctx_(ctx) {}
  std::string Text(Ctl c) override;
  void SetText(Ctl c, std::string_view text) override;
  bool Checked(Ctl c) override;
  void SetChecked(Ctl c, bool on) override;  // BM_SETCHECK: no click
  bool Enabled(Ctl c) override;
  void Enable(Ctl c, bool on) override;
  void Focus(Ctl c) override;
  int ComboCount() override;
  std::string ComboItem(int index) override;
  int Width(Ctl c) override;  // client size
  int Height(Ctl c) override;

 private:
  WindowContext& ctx_;
};

class WinMainWindow final : public MainWindow {
 public:
  explicit WinMainWindow(WindowContext& ctx) : ctx_(ctx) {}
  int Left() override;
  int Top() override;
  void SetLeft(int x) override;
  void SetTop(int y) override;
  void SetTopmost(bool on) override;
  int ScreenWidth() override;
  int ScreenHeight() override;
  void CloseMainWindow() override;
  void ShowMainMenu() override;
  void RoundWindowCorners(int corner) override;
  void ApplyFlatControlLook() override;
  void SetTrayIcon() override;
  void RemoveTrayIcon() override;
  void SetFooterCaption(std::string_view text) override;

 private:
  void MoveTo(int x, int y);
  WindowContext& ctx_;
};

}  // namespace lumvo
