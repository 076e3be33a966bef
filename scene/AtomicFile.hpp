#pragma once
// Files Kelvarin writes are written whole or not at all: under a temporary name beside the
// target, renamed into place only when everything went well. A failed run leaves no
// partial file, and a file of the same name from before stays as it was.

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string_view>

namespace kelvarin {

class AtomicFile {
  public:
    // opens the temporary file beside target; throws std::runtime_error naming target when
    // it cannot be created
    explicit AtomicFile(std::filesystem::path target);
    // removes the temporary file unless Commit gave it its name
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    std::ostream& Stream() { return stream_; }
    const std::filesystem::path& Target() const { return target_; }
    // the temporary file itself, for a library that writes a file it opens by name (the
    // stream then stays empty); Commit gives it the target's name as for the stream
    const std::filesystem::path& TemporaryPath() const { return temporary_; }

    // closes the file and gives it its name; throws std::runtime_error naming the target
    // when writing or renaming failed (the temporary file is then removed)
    void Commit();

  private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::ofstream stream_;
    bool committed_ = false;
};

// writes text to file through an AtomicFile
void WriteFileAtomically(const std::filesystem::path& file, std::string_view text);

}  // namespace kelvarin
