// Starting at log-on: a shortcut in the user's Startup folder is the option being on.
#pragma once

#include <string>
#include <string_view>

#include "core/program.h"

namespace lumvo {

std::string StartupFolderPath(Shell& shell, std::string_view valueName);
std::string AutoStartLinkPath(Shell& shell);
bool CreateShortcut(Shell& shell, std::string path, std::string_view target, std::string_view description,
                    std::string_view arguments, std::string_view workingDirectory);
void RefreshAutoStartBox(Program& p);
void OnAutoStartClick(Program& p);  // 选择框_开机后自动启动

}  // namespace lumvo
