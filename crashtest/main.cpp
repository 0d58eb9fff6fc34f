// savekill: starts the program's save paths in a child process, kills it with SIGKILL at a
// random moment, and checks that every file reads back as the old or the new version. Repeats
// that for the number of kills asked for and prints the counts.
//
//   savekill [--kills N] [--seed S] [--home DIR]   the harness (default 1000 kills)
//   savekill --child HOME FIRST                    what it starts: save rounds until killed
//   savekill --round HOME GEN                      one round of saves, as a later normal run
//
// The child reports "s <gen>" before and "d <gen>" after each round on its standard output, so
// the harness knows which round a kill interrupted.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "crashtest/SaveRound.h"

namespace fs = std::filesystem;
using crashtest::SaveRound;

namespace {

void say(const std::string& line) {
    std::string text = line + "\n";
    (void)!::write(STDOUT_FILENO, text.data(), text.size());
}

int child(const fs::path& home, long first) {
    SaveRound round(home);
    for (long gen = first;; ++gen) {
        say("s " + std::to_string(gen));
        if (!round.save(gen)) {
            say("f " + std::to_string(gen));
            return 3;
        }
        say("d " + std::to_string(gen));
    }
}

struct Tally {
    long kills = 0;
    long roundsDone = 0;
    long killsDuringWrites = 0;  // some file already new, another still old
    std::map<std::string, std::map<std::string, long>> perFile;  // file -> found -> count
    std::vector<std::string> faults;
};

struct Killed {
    long started = 0;  // the last round begun
    long done = 0;     // rounds this child finished
};

// Starts a child at `first` and kills it `delay` after its first round began.
Killed killOnce(const std::string& self, const fs::path& home, long first,
                std::chrono::microseconds delay, Tally& tally) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        std::perror("savekill: pipe");
        std::exit(2);
    }
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        std::string firstText = std::to_string(first);
        ::execl(self.c_str(), self.c_str(), "--child", home.c_str(), firstText.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    // Wait for the first round to begin, so that the kill lands among the saves rather than
    // in the start-up; then give it the random delay.
    std::string seen;
    char buf[4096];
    while (seen.find("s ") == std::string::npos) {
        ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        seen.append(buf, static_cast<std::size_t>(n));
    }
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    for (;;) {
        ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n <= 0) break;
        seen.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fds[0]);
    if (WIFEXITED(status)) {
        tally.faults.push_back("the child ended by itself (status " +
                               std::to_string(WEXITSTATUS(status)) + "): " + seen);
    }

    Killed killed{first - 1, 0};
    std::size_t at = 0;
    while (at < seen.size()) {
        std::size_t end = seen.find('\n', at);
        if (end == std::string::npos) break;  // a line cut by the kill
        std::string line = seen.substr(at, end - at);
        at = end + 1;
        if (line.rfind("s ", 0) == 0) killed.started = std::stol(line.substr(2));
        if (line.rfind("d ", 0) == 0) ++killed.done;
    }
    tally.roundsDone += killed.done;
    return killed;
}

std::string text(const std::optional<long>& gen) {
    return gen ? std::to_string(*gen) : std::string("nothing");
}

// The round a file holding only a round's parity stands for: the new one or the old one, as
// far as the parity tells them apart (when both have it, either is right). Nothing when it
// is neither.
std::optional<long> roundOfParity(bool odd, long started, const std::optional<long>& old) {
    if (odd == (started % 2 != 0)) return started;
    if (old && odd == (*old % 2 != 0)) return old;
    return std::nullopt;
}

// Temporary files of saves left in the folder tree: the atomic writer's, or any other.
long countTemporaries(const fs::path& home) {
    long n = 0;
    for (const auto& entry : fs::recursive_directory_iterator(home))
        n += entry.path().filename().string().find(".tmp") != std::string::npos;
    return n;
}

// Makes every temporary file look as a kill long ago would have left it.
void ageTemporaries(const fs::path& home) {
    const timespec then{std::time(nullptr) - 10 * 60, 0};
    const timespec times[2] = {then, then};
    for (const auto& entry : fs::recursive_directory_iterator(home))
        if (entry.path().filename().string().find(".tmp") != std::string::npos)
            ::utimensat(AT_FDCWD, entry.path().c_str(), times, AT_SYMLINK_NOFOLLOW);
}

// One round in a child process that ends by itself: a later, normal run of the program.
bool runOneRound(const std::string& self, const fs::path& home, long gen) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, STDOUT_FILENO);
        std::string genText = std::to_string(gen);
        ::execl(self.c_str(), self.c_str(), "--round", home.c_str(), genText.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[0] == "--child") return child(args[1], std::stol(args[2]));
    if (args.size() == 3 && args[0] == "--round")
        return SaveRound(args[1]).save(std::stol(args[2])) ? 0 : 3;

    long kills = 1000;
    unsigned seed = 1;
    fs::path home;
    for (std::size_t i = 0; i + 1 < args.size(); i += 2) {
        if (args[i] == "--kills")
            kills = std::stol(args[i + 1]);
        else if (args[i] == "--seed")
            seed = static_cast<unsigned>(std::stoul(args[i + 1]));
        else if (args[i] == "--home")
            home = args[i + 1];
        else {
            std::fprintf(stderr, "usage: savekill [--kills N] [--seed S] [--home DIR]\n");
            return 2;
        }
    }
    if (args.size() % 2 != 0) {
        std::fprintf(stderr, "usage: savekill [--kills N] [--seed S] [--home DIR]\n");
        return 2;
    }
    const bool ownHome = home.empty();
    if (ownHome) home = fs::temp_directory_path() / ("savekill-" + std::to_string(::getpid()));
    fs::remove_all(home);
    fs::create_directories(home);
    char selfPath[4096];
    ssize_t n = ::readlink("/proc/self/exe", selfPath, sizeof selfPath - 1);
    if (n <= 0) return 2;
    const std::string self(selfPath, static_cast<std::size_t>(n));

    // How long one round of saves takes here, so the kills spread over whole rounds.
    double roundSeconds = 0;
    {
        fs::path scratch = home / "timing";
        SaveRound timing(scratch);
        auto t0 = std::chrono::steady_clock::now();
        for (long gen = 1; gen <= 5; ++gen) timing.save(gen);
        roundSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count() / 5;
        fs::remove_all(scratch);
    }

    std::mt19937 random(seed);
    Tally tally;
    SaveRound checker(home);
    // What each file held at the last check: the "old version" of the next kill.
    std::map<std::string, std::optional<long>> before;
    if (!checker.prepare()) {
        std::fprintf(stderr, "savekill: cannot make the advertising identifier's record\n");
        return 2;
    }
    before[checker.advertisingIdFile().string()] = 0;
    long next = 1;
    for (long k = 0; k < kills; ++k) {
        // Anywhere within the next three rounds: early, late and in the middle of writes.
        std::uniform_real_distribution<double> within(0, 3 * roundSeconds);
        auto delay = std::chrono::microseconds(long(within(random) * 1e6));
        Killed killed = killOnce(self, home, next, delay, tally);
        ++tally.kills;
        std::vector<long> candidates{killed.started, killed.started - 1};
        for (const auto& [path, gen] : before) {
            if (gen) candidates.push_back(*gen);
        }
        bool sawOld = false, sawNew = false;
        for (auto held : checker.read(candidates)) {
            std::string file = fs::path(held.path).filename().string();
            // Old: what the file held before this child, or the round this child finished last.
            std::optional<long> old =
                killed.done > 0 ? std::optional<long>(killed.started - 1) : before[held.path];
            if (held.oddRound) {
                held.gen = roundOfParity(*held.oddRound, killed.started, old);
                if (!held.gen) {
                    held.damaged = true;
                    held.detail = "its flag names neither round";
                }
            }
            const char* found = "damaged";
            if (held.damaged) {
                found = "damaged";
            } else if (held.gen == std::optional<long>(killed.started)) {
                found = "new";
                sawNew = true;
            } else if (held.gen == old) {
                found = "old";
                sawOld = true;
            } else if (!held.gen) {
                found = "missing";
            }
            ++tally.perFile[file][found];
            if (std::string(found) == "damaged" || std::string(found) == "missing") {
                tally.faults.push_back("kill " + std::to_string(k + 1) + " in round " +
                                       std::to_string(killed.started) + ": " + held.path + " " +
                                       found + ", holding " + text(held.gen) + " where " +
                                       text(old) + " or " + std::to_string(killed.started) +
                                       " was due " + held.detail);
            }
            before[held.path] = held.gen;
        }
        tally.killsDuringWrites += sawOld && sawNew;
        next = killed.started + 1;
        if (tally.faults.size() > 20) break;
    }

    // What the kills left behind must go with the next normal run, once it is old enough that
    // no live writer can own it.
    const long temporaries = countTemporaries(home);
    ageTemporaries(home);
    if (!runOneRound(self, home, next)) tally.faults.push_back("the round after the kills failed");
    const long remaining = countTemporaries(home);
    if (remaining > 0)
        tally.faults.push_back(std::to_string(remaining) +
                               " temporary files are still there after a later run");
    std::printf(
        "savekill: %ld kills (%ld between two files of one round), %ld rounds saved in full, "
        "%ld rounds begun, %.1f ms a round\n",
        tally.kills, tally.killsDuringWrites, tally.roundsDone, next - 1, roundSeconds * 1000);
    for (const auto& [file, counts] : tally.perFile) {
        std::printf("  %-28s", file.c_str());
        for (const auto& [found, count] : counts) std::printf(" %s %ld", found.c_str(), count);
        std::printf("\n");
    }
    std::printf("  temporaries left by kills: %ld, after a later run: %ld\n", temporaries,
                remaining);
    for (const auto& fault : tally.faults) std::printf("FAULT %s\n", fault.c_str());
    std::printf("savekill: %zu faults\n", tally.faults.size());
    if (ownHome) fs::remove_all(home);
    return tally.faults.empty() ? 0 : 1;
}
