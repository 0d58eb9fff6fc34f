// Stands in for the desktop's opener in tests: writes the descriptors it was started with, one
// "<number> -> <target>" line each, its arguments and the names of its environment's variables,
// into the file $MOVU_DESCRIPTOR_LIST names. The list is
// written beside it and renamed into place, so a reader never sees half of it.

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    const char* list = std::getenv("MOVU_DESCRIPTOR_LIST");
    if (!list || !*list) return 2;
    // Read before anything here opens a file of its own.
    std::string lines;
    DIR* folder = ::opendir("/proc/self/fd");
    if (!folder) return 3;
    while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || std::atoi(name.c_str()) == ::dirfd(folder)) continue;
        char target[4096] = {};
        const ssize_t length =
            ::readlink(("/proc/self/fd/" + name).c_str(), target, sizeof target - 1);
        lines += name + " -> " + (length > 0 ? std::string(target, length) : "?") + "\n";
    }
    ::closedir(folder);
    for (int i = 1; i < argc; ++i) lines += std::string("argument ") + argv[i] + "\n";
    for (char** variable = environ; *variable; ++variable) {
        const std::string text = *variable;
        lines += "variable " + text.substr(0, text.find('=')) + "\n";
    }
    const std::string partial = std::string(list) + ".partial";
    std::FILE* out = std::fopen(partial.c_str(), "we");
    if (!out) return 4;
    std::fputs(lines.c_str(), out);
    if (std::fclose(out) != 0) return 5;
    return std::rename(partial.c_str(), list) == 0 ? 0 : 6;
}
