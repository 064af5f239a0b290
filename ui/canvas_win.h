// The clock's canvas 画板1: a child window that shows a memory image. Drawing goes into the image, so
// the canvas repaints itself whenever it is uncovered and keeps its last drawing while the window is
// parked.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <utility>

#include "core/ports.h"
#include "platform/gdi_win.h"

namespace lumvo {

class WinCanvas final : public Canvas {
 public:
  WinCanvas() = default;
  WinCanvas(const WinCanvas&) = delete;
  WinCanvas& operator=(const WinCanvas&) = delete;

  // `window` is the canvas control; `background` (the dial, owned by the caller) fills it on Clear.
  void Attach(HWND window, HBITMAP background, HFONT font);
  void Paint(HDC target) const;

  void Clear() override;
  void SetPen(uint32_t colour, int width) override;
  void Line(int x1, int y1, int x2, int y2) override;
  void Ellipse(int left, int top, int right, int bottom) override;
  void Text(int x, int y, std::string_view text, uint32_t colour) override;

 private:
  void Changed() const;

  HWND window_ = nullptr;
  HBITMAP background_ = nullptr;
  int width_ = 0, height_ = 0;
  MemoryDc dc_;
  BitmapHandle image_;
  BrushHandle brush_;  // white: fills the centre dot
  // One pen per colour and width: the face uses three, so a drawing creates nothing.
  std::map<std::pair<uint32_t, int>, PenHandle> pens_;
  // Declared last: the selections are undone before the objects above are deleted.
  std::optional<SelectScope> imageSelected_, brushSelected_, fontSelected_, penSelected_;
};

// The window class of the canvas; its GWLP_USERDATA holds the WinCanvas.
void RegisterCanvasClass(HINSTANCE instance);
constexpr const wchar_t* kCanvasClass = L"LumvoCanvas";

}  // namespace lumvo
