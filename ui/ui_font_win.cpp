#include "ui/ui_font_win.h"

#include <cwchar>
#include <string>

#include "platform/text_win.h"
#include "ui/layout.h"

namespace lumvo {
namespace {

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(HDC dc, const std::wstring& face) {
  LOGFONTW lf{};
  lf.lfCharSet = DEFAULT_CHARSET;
  wcsncpy(lf.lfFaceName, face.c_str(), LF_FACESIZE - 1);
  bool found = false;
  EnumFontFamiliesExW(dc, &lf, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

int CALLBACK TakeFirstHorizontal(const LOGFONTW* lf, const TEXTMETRICW*, DWORD, LPARAM result) {
  if (lf->lfFaceName[0] == L'@') return 1;  // vertical-writing variant
  *reinterpret_cast<std::wstring*>(result) = lf->lfFaceName;
  return 0;
}

std::wstring ChooseFace() {
  const std::wstring preferred = WidenGbk(kFontFace);
  const wchar_t* const fallbacks[] = {L"SimSun",
                                      L"NSimSun",
                                      L"新宋体",
                                      L"WenQuanYi Zen Hei Sharp",
                                      L"WenQuanYi Zen Hei",
                                      L"WenQuanYi Micro Hei",
                                      L"Noto Sans CJK SC",
                                      L"Microsoft YaHei",
                                      L"Droid Sans Fallback"};
  WindowDc screen(nullptr, false);
  if (!screen.Get()) return preferred;
  if (FaceInstalled(screen.Get(), preferred)) return preferred;
  for (const wchar_t* face : fallbacks) {
    if (FaceInstalled(screen.Get(), face)) return face;
  }
  LOGFONTW lf{};
  lf.lfCharSet = GB2312_CHARSET;
  std::wstring any;
  EnumFontFamiliesExW(screen.Get(), &lf, TakeFirstHorizontal, reinterpret_cast<LPARAM>(&any), 0);
  return any.empty() ? preferred : any;
}

}  // namespace

FontHandle CreateUiFont() {
  const std::wstring face = ChooseFace();
  return FontHandle(CreateFontW(kFontHeight, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, face.c_str()));
}

}  // namespace lumvo
