#include "scene/ProgramFolder.hpp"

#include <stdexcept>
#include <string>
#include <system_error>

#if defined(_WIN32)
// The one call needed here, declared directly so that no window-system header enters scene/.
extern "C" __declspec(dllimport) unsigned long __stdcall GetModuleFileNameW(void* module, wchar_t* name,
                                                                            unsigned long size);
#endif

namespace kelvarin {

std::filesystem::path ProgramFolder() {
#if defined(_WIN32)
    std::wstring name(260, L'\0');
    while (true) {
        const unsigned long length = GetModuleFileNameW(nullptr, name.data(), static_cast<unsigned long>(name.size()));
        if (length == 0) return {};
        if (length < name.size()) {
            name.resize(length);
            break;
        }
        name.resize(name.size() * 2);  // the path was cut: ask again with more room
    }
    return std::filesystem::absolute(std::filesystem::path(name)).parent_path();
#elif defined(__EMSCRIPTEN__)
    return {};  // a page has no folder of its own: it is given its scene
#else
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : self.parent_path();
#endif
}

std::filesystem::path DefaultScenePath() {
    const std::filesystem::path folder = ProgramFolder();
    if (folder.empty()) throw std::runtime_error("cannot find the program's own folder, where Kelvarin.ini lies");
    return folder / kSceneFileName;
}

}  // namespace kelvarin
