#include "scene/AtomicFile.hpp"

#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

namespace kelvarin {
namespace {

long ProcessId() {
#ifdef _WIN32
    return _getpid();
#else
    return static_cast<long>(::getpid());
#endif
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path target)
    : target_(std::move(target)),
      temporary_(target_.string() + "." + std::to_string(ProcessId()) + ".tmp"),
      stream_(temporary_, std::ios::binary | std::ios::trunc) {
    if (!stream_) throw std::runtime_error(target_.string() + ": cannot be written");
}

AtomicFile::~AtomicFile() {
    if (committed_) return;
    stream_.close();
    std::error_code ignored;
    std::filesystem::remove(temporary_, ignored);
}

void AtomicFile::Commit() {
    stream_.close();
    std::error_code error;
    if (stream_) std::filesystem::rename(temporary_, target_, error);
    if (!stream_ || error) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
        throw std::runtime_error(target_.string() + ": cannot be written" +
                                 (stream_ ? " (" + error.message() + ")" : std::string()));
    }
    committed_ = true;
}

void WriteFileAtomically(const std::filesystem::path& file, std::string_view text) {
    AtomicFile out(file);
    out.Stream().write(text.data(), static_cast<std::streamsize>(text.size()));
    out.Commit();
}

}  // namespace kelvarin
