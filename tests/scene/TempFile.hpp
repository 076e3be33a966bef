#pragma once
// Scratch files for tests, removed when the test ends.

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace kelvarin::testing {

// A file holding the given bytes under the system's temporary folder.
class TempFile {
  public:
    explicit TempFile(std::string_view bytes, std::string_view name = "scene.ini") {
        static int counter = 0;
        folder_ = std::filesystem::temp_directory_path() /
                  ("kelvarin-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(folder_);
        path_ = folder_ / std::string(name);
        std::ofstream(path_, std::ios::binary) << bytes;
    }
    ~TempFile() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
};

}  // namespace kelvarin::testing
