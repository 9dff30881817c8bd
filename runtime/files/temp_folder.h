// TempFolder: a fresh folder under the system's temporary folder for one test, removed with
// everything in it when the object goes away. Tests of files work in it, never in the
// working directory.
#pragma once

#include <fcntl.h>
#include <linux/fs.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <filesystem>
#include <string>

namespace rt {

class TempFolder {
 public:
  TempFolder() {
    std::string base = std::filesystem::temp_directory_path().string() + "/tovik-XXXXXX";
    char* made = mkdtemp(base.data());
    path_ = made ? made : "";
  }
  ~TempFolder() {
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(path_, ec)) {
      SetImmutable(e.path().string(), false);
    }
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

  // Sets or clears the file's immutable attribute, which stops even root from opening it for
  // writing. False when the file system or the process's rights do not allow it.
  static bool SetImmutable(const std::string& file, bool on) {
    int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return false;
    int flags = 0;
    bool ok = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
      flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
      ok = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    close(fd);
    return ok;
  }

 private:
  std::string path_;
};

}  // namespace rt
