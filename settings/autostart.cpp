#include "settings/autostart.h"

namespace lumvo {

namespace {
constexpr const char* kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\";
constexpr const char* kLinkName = "\\Lumvo自动校时.lnk";
}  // namespace

std::string StartupFolderPath(Shell& shell, std::string_view valueName) {
  const std::string full = kShellFolders + std::string(valueName);
  const size_t cut = full.rfind('\\');
  const RegistryText text = shell.ReadUserValue(std::string_view(full).substr(0, cut), full.substr(cut + 1));
  switch (text.type) {
    case RegistryText::kString:
      return text.value;
    case RegistryText::kExpandString:
      return shell.ExpandEnvironment(text.value);
    default:
      return std::string();
  }
}

// Without a Startup folder there is no place for the shortcut. Falling back to "\Lumvo自动校时.lnk"
// would put a shortcut that never runs into the root of the current drive and show the option as on.
std::string AutoStartLinkPath(Shell& shell) {
  const std::string folder = StartupFolderPath(shell, "Startup");
  return folder.empty() ? std::string() : folder + kLinkName;
}

bool CreateShortcut(Shell& shell, std::string path, std::string_view target, std::string_view description,
                    std::string_view arguments, std::string_view workingDirectory) {
  // The shell saves a link under the name it is given; a name without any extension gets the usual one.
  if (path.find('.') == std::string::npos) path += ".lnk";
  return shell.SaveShellLink(path, target, description, arguments, workingDirectory);
}

// The option is the shortcut file itself, so the box always shows what is on disk.
void RefreshAutoStartBox(Program& p) {
  const std::string link = AutoStartLinkPath(p.shell);
  p.ui.SetChecked(Ctl::选择框_开机后自动启动, !link.empty() && p.shell.FileExists(link));
}

void OnAutoStartClick(Program& p) {
  const std::string link = AutoStartLinkPath(p.shell);
  if (!link.empty()) {
    if (p.ui.Checked(Ctl::选择框_开机后自动启动)) {
      CreateShortcut(p.shell, link, p.programDirectory + "\\" + p.programFileName, "可以自动校时。", "auto",
                     p.programDirectory);
    } else {
      p.shell.DeleteFile(link);
    }
  }
  // Whether the save or the delete worked shows here: the box follows the file.
  RefreshAutoStartBox(p);
  p.ui.Focus(Ctl::图形按钮_获取时间);
}

}  // namespace lumvo
