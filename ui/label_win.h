// Labels drawn by the program: its colours whether enabled or not (a disabled static control would grey
// its text), optionally transparent over the parent's background.
#pragma once

#include <windows.h>

namespace lumvo {

struct ControlLayout;

constexpr const wchar_t* kLabelClass = L"LumvoLabel";
// WM_COMMAND notification codes a label sends its parent.
constexpr WORD kLabelPressed = 0x4C01;   // left button pressed
constexpr WORD kLabelReleased = 0x4C02;  // left button released

void RegisterLabelClass(HINSTANCE instance);
// The label's look comes from its layout row, given as the creation parameter.
HWND CreateLabel(HWND parent, const ControlLayout& layout, int id, HINSTANCE instance);

}  // namespace lumvo
