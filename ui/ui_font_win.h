// The font of the window's texts: 宋体 9 pt in the GB2312 character set, or the nearest Chinese face the
// system has.
#pragma once

#include "platform/gdi_win.h"

namespace lumvo {

// 宋体 when it is installed; otherwise a face known to hold the Chinese glyphs, then any face of the
// GB2312 character set. (Left to itself, GDI may match a face without Chinese glyphs and draw boxes.)
FontHandle CreateUiFont();

}  // namespace lumvo
