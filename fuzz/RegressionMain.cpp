// The test suite's run of a fuzz target, built with the rest of the sanitizer build: every file
// under the folders (and files) it is given goes through the target once, as libFuzzer reads a
// corpus, followed by a fixed number of mutations of those inputs from a fixed seed, so every
// run tries the same inputs. Real fuzzing, guided by coverage, is scripts/fuzz's clang build.
//
//   fuzz_NAME [--mutations N] [--seed S] [--crash-file PATH] FILE_OR_FOLDER...
//
// An input that crashes is kept in the crash file (by default ./crash-NAME in the working
// folder), and the run fails with the sanitizer's report; feeding that file back reproduces it.

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// The sanitizer runtime calls this before it ends the process on an error it reports.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Where the input being run goes should the process die on it. Written only then, with calls
// that are safe inside a signal handler.
std::string gCrashFile;
const Bytes* gCurrent = nullptr;

void keepCurrentInput() {
    if (!gCurrent || gCrashFile.empty()) return;
    int fd = ::open(gCrashFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return;
    std::size_t done = 0;
    while (done < gCurrent->size()) {
        ssize_t n = ::write(fd, gCurrent->data() + done, gCurrent->size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    static const char kNote[] = "fuzz: the failing input is kept in the crash file\n";
    [[maybe_unused]] ssize_t ignored = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
}

void onFatalSignal(int signal) {
    keepCurrentInput();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void run(const Bytes& input) {
    gCurrent = &input;
    LLVMFuzzerTestOneInput(input.data(), input.size());
    gCurrent = nullptr;
}

bool readFile(const fs::path& path, Bytes& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

// The kinds of change libFuzzer's own mutator starts from, without its coverage guidance.
Bytes mutate(const Bytes& base, const std::vector<Bytes>& corpus, std::mt19937& rng) {
    Bytes out = base;
    auto pick = [&](std::size_t bound) {
        return bound == 0 ? std::size_t(0) : std::size_t(rng() % bound);
    };
    static const std::uint8_t kInteresting[] = {0, 1, 0x7f, 0x80, 0xff, '"', '<', '%', '\\', '\n'};
    const int changes = 1 + int(rng() % 4);
    for (int i = 0; i < changes; ++i) {
        switch (rng() % 6) {
            case 0:  // flip a bit
                if (!out.empty()) out[pick(out.size())] ^= std::uint8_t(1u << (rng() % 8));
                break;
            case 1:  // a byte parsers like to trip on
                if (!out.empty())
                    out[pick(out.size())] = kInteresting[pick(std::size(kInteresting))];
                break;
            case 2: {  // cut a run out
                if (out.empty()) break;
                std::size_t at = pick(out.size());
                std::size_t length = 1 + pick(std::min<std::size_t>(out.size() - at, 16));
                out.erase(out.begin() + long(at), out.begin() + long(at + length));
                break;
            }
            case 3: {  // repeat a run in place
                if (out.empty()) break;
                std::size_t at = pick(out.size());
                std::size_t length = 1 + pick(std::min<std::size_t>(out.size() - at, 16));
                Bytes piece(out.begin() + long(at), out.begin() + long(at + length));
                out.insert(out.begin() + long(at), piece.begin(), piece.end());
                break;
            }
            case 4: {  // splice in a piece of another input
                const Bytes& other = corpus[pick(corpus.size())];
                if (other.empty()) break;
                std::size_t from = pick(other.size());
                std::size_t length = 1 + pick(std::min<std::size_t>(other.size() - from, 64));
                out.insert(out.begin() + long(pick(out.size() + 1)), other.begin() + long(from),
                           other.begin() + long(from + length));
                break;
            }
            default:  // end early
                out.resize(pick(out.size() + 1));
                break;
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    long mutations = 0;
    unsigned seed = 1;
    std::vector<fs::path> roots;
    gCrashFile = "crash-" + fs::path(argv[0]).filename().string();
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--mutations" && i + 1 < argc) {
            mutations = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = unsigned(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--crash-file" && i + 1 < argc) {
            gCrashFile = argv[++i];
        } else {
            roots.emplace_back(arg);
        }
    }

    std::vector<fs::path> files;
    for (const auto& root : roots) {
        std::error_code error;
        if (fs::is_regular_file(root, error)) {
            files.push_back(root);
        } else if (fs::is_directory(root, error)) {
            for (const auto& entry : fs::recursive_directory_iterator(root, error))
                if (entry.is_regular_file()) files.push_back(entry.path());
        } else {
            std::fprintf(stderr, "fuzz: %s is neither a file nor a folder\n", root.c_str());
            return 2;
        }
    }
    // Sorted, so a run does the same in the same order wherever the folders came from.
    std::sort(files.begin(), files.end());

    if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(&keepCurrentInput);
    ::signal(SIGABRT, &onFatalSignal);
    ::signal(SIGSEGV, &onFatalSignal);
    ::signal(SIGFPE, &onFatalSignal);

    // libFuzzer starts with the empty input too.
    std::vector<Bytes> corpus{Bytes{}};
    for (const auto& file : files) {
        Bytes bytes;
        if (!readFile(file, bytes)) {
            std::fprintf(stderr, "fuzz: cannot read %s\n", file.c_str());
            return 2;
        }
        corpus.push_back(std::move(bytes));
    }
    for (const auto& input : corpus) run(input);

    std::mt19937 rng(seed);
    for (long i = 0; i < mutations; ++i) run(mutate(corpus[i % long(corpus.size())], corpus, rng));

    std::printf("fuzz: %zu inputs from %zu files and %ld mutations passed\n", corpus.size(),
                files.size(), mutations);
    return 0;
}
