// Registry, files, shortcuts and web pages through Win32 and the shell.
#pragma once

#include "core/ports.h"

namespace lumvo {

// Paths and texts cross to Windows as UTF-16 converted from GBK (code page 936), not through the system's
// ANSI code page, so the Chinese shortcut name comes out right on any Windows. A registry text that holds
// characters GBK has not loses them ("?"): the program's texts are GBK throughout.
// COM must be initialised on the calling thread before SaveShellLink.
class WinShell final : public Shell {
 public:
  RegistryText ReadUserValue(std::string_view keyPath, std::string_view valueName) override;
  std::string ExpandEnvironment(std::string_view text) override;
  bool SaveShellLink(std::string_view path, std::string_view target, std::string_view description,
                     std::string_view arguments, std::string_view workingDirectory) override;
  bool FileExists(std::string_view path) override;
  void DeleteFile(std::string_view path) override;
  void OpenWebPage(std::string_view address) override;
};

}  // namespace lumvo
