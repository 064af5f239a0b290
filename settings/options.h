// The option check boxes, the rules that tie them together and their keys in the settings file.
#pragma once

#include "core/program.h"

namespace lumvo {

void OnAutoExitClick(Program& p);        // 选择框_自动退出
void OnAutoCalibrateClick(Program& p);   // 选择框_自动校准
void OnIntervalClick(Program& p);        // 选择框_间隔校时
void OnHideClick(Program& p);            // 选择框_启动后隐藏
void OnServerComboFocusLost(Program& p); // 组合框1

void RestoreHideOption(Program& p);
void RestoreServerChoice(Program& p);
void RestoreSyncOptions(Program& p);

}  // namespace lumvo
