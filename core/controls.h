// The controls of the main window that the program's logic reads and writes, by their form names.
#pragma once

#include <string>
#include <string_view>

namespace lumvo {

// The numeric value + kControlIdBase is each control's Win32 control identifier, so tests that drive the
// real window find a control by the same name.
enum class Ctl : int {
  透明标签_标题,
  设置按钮,
  图形按钮_最小化,
  图形按钮_关闭,
  图片框_正常页,
  标_时间服务器1,
  编辑框_服务器时间,
  标_时间服务器2,
  编辑框_系统时间,
  图形按钮_获取时间,
  图形按钮_开始校准,
  标签4,
  标_时间服务器,
  组合框1,
  选择框_自动尝试下一服务器,
  选择框_间隔校时,
  编辑框_间隔秒,
  选择框_自动校准,
  编辑框_延迟秒,
  选择框_自动退出,
  选择框_开机后自动启动,
  选择框_启动后隐藏,
  画板1,
  标签_底栏,
  kCount
};

constexpr int kControlIdBase = 1000;
constexpr int ControlId(Ctl c) { return kControlIdBase + static_cast<int>(c); }

// Control properties as the handlers see them. Texts are GBK. Setting a check box from code raises no
// click; the option rules rely on it.
class Controls {
 public:
  virtual ~Controls() = default;
  virtual std::string Text(Ctl c) = 0;
  virtual void SetText(Ctl c, std::string_view text) = 0;
  virtual bool Checked(Ctl c) = 0;
  virtual void SetChecked(Ctl c, bool on) = 0;
  virtual bool Enabled(Ctl c) = 0;
  virtual void Enable(Ctl c, bool on) = 0;
  virtual void Focus(Ctl c) = 0;
  // The item list of 组合框1.
  virtual int ComboCount() = 0;
  virtual std::string ComboItem(int index) = 0;
  // Client size of a control (the canvas 画板1 gives the clock's centre).
  virtual int Width(Ctl c) = 0;
  virtual int Height(Ctl c) = 0;
};

}  // namespace lumvo
