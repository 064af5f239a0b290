#include "ui/canvas_win.h"

#include "platform/text_win.h"

namespace lumvo {

void WinCanvas::Attach(HWND window, HBITMAP background, HFONT font) {
  window_ = window;
  background_ = background;
  RECT rc{};
  GetClientRect(window, &rc);
  width_ = rc.right;
  height_ = rc.bottom;
  WindowDc screen(nullptr, false);
  image_.Reset(CreateCompatibleBitmap(screen.Get(), width_ > 0 ? width_ : 1, height_ > 0 ? height_ : 1));
  brush_.Reset(CreateSolidBrush(RGB(255, 255, 255)));
  imageSelected_.emplace(dc_.Get(), image_.Get());
  brushSelected_.emplace(dc_.Get(), brush_.Get());
  fontSelected_.emplace(dc_.Get(), font);
  SetBkMode(dc_.Get(), TRANSPARENT);
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  Clear();
}

void WinCanvas::Paint(HDC target) const { BitBlt(target, 0, 0, width_, height_, dc_.Get(), 0, 0, SRCCOPY); }

void WinCanvas::Changed() const {
  if (window_) InvalidateRect(window_, nullptr, FALSE);
}

void WinCanvas::Clear() {
  if (!image_) return;
  RECT all{0, 0, width_, height_};
  FillRect(dc_.Get(), &all, GetSysColorBrush(COLOR_BTNFACE));
  if (background_) {
    BITMAP info{};
    GetObjectW(background_, sizeof info, &info);
    MemoryDc source;
    SelectScope selected(source.Get(), background_);
    SetStretchBltMode(dc_.Get(), COLORONCOLOR);
    StretchBlt(dc_.Get(), 0, 0, width_, height_, source.Get(), 0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
  }
  Changed();
}

void WinCanvas::SetPen(uint32_t colour, int width) {
  if (!image_) return;
  PenHandle& pen = pens_[{colour, width}];
  if (!pen) pen.Reset(CreatePen(PS_SOLID, width, colour));
  penSelected_.reset();
  penSelected_.emplace(dc_.Get(), pen.Get());
}

void WinCanvas::Line(int x1, int y1, int x2, int y2) {
  if (!image_) return;
  MoveToEx(dc_.Get(), x1, y1, nullptr);
  LineTo(dc_.Get(), x2, y2);
  Changed();
}

void WinCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (!image_) return;
  ::Ellipse(dc_.Get(), left, top, right, bottom);
  Changed();
}

void WinCanvas::Text(int x, int y, std::string_view text, uint32_t colour) {
  if (!image_) return;
  const std::wstring wide = WidenGbk(text);
  SetTextColor(dc_.Get(), colour);
  TextOutW(dc_.Get(), x, y, wide.c_str(), static_cast<int>(wide.size()));
  Changed();
}

namespace {

LRESULT CALLBACK CanvasProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* canvas = reinterpret_cast<WinCanvas*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // the image covers every pixel
    case WM_PAINT: {
      PaintScope paint(hwnd);
      if (canvas) canvas->Paint(paint.Get());
      return 0;
    }
    case WM_PRINTCLIENT:
      if (canvas) canvas->Paint(reinterpret_cast<HDC>(wp));
      return 0;
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace

void RegisterCanvasClass(HINSTANCE instance) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = CanvasProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kCanvasClass;
  RegisterClassW(&wc);
}

}  // namespace lumvo
