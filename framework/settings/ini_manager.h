// IniManager: holds the name of the program's settings file. Nothing reads or writes settings
// through it; the popup manager keeps a reference to it.
#pragma once

#include <string>
#include <string_view>

namespace fw {

class IniManager {
 public:
  void Init(std::string_view file_name) { file_name_ = file_name; }
  const std::string& FileName() const { return file_name_; }

 private:
  std::string file_name_;
};

}  // namespace fw
