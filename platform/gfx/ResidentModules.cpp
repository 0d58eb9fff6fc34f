#include "platform/gfx/ResidentModules.h"

#include <dlfcn.h>
#include <link.h>

#include <string>
#include <vector>

namespace platform::gfx {

void keepLoadedModulesResident() {
    // Collected first: dlopen must not run while the loader walks its own list.
    std::vector<std::string> paths;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            // The program itself has no name here, and the kernel's vDSO no file.
            if (info->dlpi_name && info->dlpi_name[0] == '/')
                static_cast<std::vector<std::string>*>(data)->push_back(info->dlpi_name);
            return 0;
        },
        &paths);
    // RTLD_NOLOAD only finds what is already there; RTLD_NODELETE marks it never to be unloaded.
    // The reference this takes is deliberately never given back.
    for (const std::string& path : paths)
        dlopen(path.c_str(), RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
}

}  // namespace platform::gfx
