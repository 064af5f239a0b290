// The settings file through the Windows private-profile functions.
#pragma once

#include <string>
#include <utility>

#include "core/ports.h"

namespace lumvo {

// The one settings file of every copy of the program, wherever it is installed.
constexpr const char* kSettingsPath = "C:\\Windows\\Kavrin.ini";

// Every call goes to the file at once (the ANSI functions, so GBK names and values stay byte for byte
// what the program holds). Blanks around a value and one pair of enclosing quotes do not survive the
// profile functions: " 7 " comes back as "7", "\"q\"" as "q". No value of the program needs them.
class WinSettingsStore final : public SettingsStore {
 public:
  explicit WinSettingsStore(std::string path = kSettingsPath) : path_(std::move(path)) {}

  std::string ReadSetting(std::string_view section, std::string_view key, std::string_view def) override;
  // A value is cut at its first line break: the rest would become lines of its own in the file.
  void WriteSetting(std::string_view section, std::string_view key, std::string_view value) override;

 private:
  std::string path_;
};

}  // namespace lumvo
