#include "cli/ProgramFolder.hpp"

#include <stdexcept>
#include <string>
#include <system_error>

#if defined(_WIN32)
// The one call needed here, declared directly so that no window-system header enters cli/.
extern "C" __declspec(dllimport) unsigned long __stdcall GetModuleFileNameW(void* module, wchar_t* name,
                                                                            unsigned long size);
#endif

namespace kelvarin {

// folder of the running executable
std::filesystem::path ProgramFolder() {
#if defined(_WIN32)
    std::wstring name(260, L'\0');
    while (true) {
        const unsigned long length = GetModuleFileNameW(nullptr, name.data(), static_cast<unsigned long>(name.size()));
        if (length == 0) throw std::runtime_error("cannot find the program's own folder");
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(name.size() * 2);  // the path was cut: ask again with more room
    }
    return std::filesystem::path(name).parent_path();
#else
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) throw std::runtime_error("cannot find the program's own folder: /proc/self/exe: " + error.message());
    return self.parent_path();
#endif
}

// the bundled scene beside the executable
std::filesystem::path DefaultScenePath() { return ProgramFolder() / "Kelvarin.ini"; }

}  // namespace kelvarin
