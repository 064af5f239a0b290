// 气球提示框1: a tracked balloon tooltip at a screen point.
#pragma once

#include <windows.h>

#include <string>

#include "core/ports.h"

namespace lumvo {

class WinBalloonTip final : public BalloonTip {
 public:
  static constexpr UINT kDisplayMs = 3000;

  WinBalloonTip() = default;
  WinBalloonTip(const WinBalloonTip&) = delete;
  WinBalloonTip& operator=(const WinBalloonTip&) = delete;

  // The tip is created on first use, owned by `owner` and drawn with `font` (a Chinese-capable face:
  // the tooltip's own font may lack the glyphs).
  void Attach(HINSTANCE instance, HWND owner, HFONT font);

  void SetStaysOpen(bool on) override { staysOpen_ = on; }
  // The icon index is not drawn: a balloon's icon needs a title, and the program shows none.
  void Show(int x, int y, std::string_view text, int icon, bool mayCloseItself) override;
  void Hide();
  // A key or mouse-button press anywhere in the program closes a visible tip.
  void Watch(const MSG& msg);

  bool Visible() const { return visible_; }

 private:
  bool EnsureWindow();
  static LRESULT CALLBACK TipSubclass(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

  HINSTANCE instance_ = nullptr;
  HWND owner_ = nullptr;
  HFONT font_ = nullptr;
  HWND tip_ = nullptr;
  bool staysOpen_ = false;
  bool visible_ = false;
  std::wstring text_;
};

}  // namespace lumvo
