#include "platform/testing/PulseAudioServer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <numbers>
#include <sstream>

namespace platform::testing {

namespace {

constexpr const char* kSinkName = "movu_null";
constexpr std::size_t kLogBytes = 64 * 1024;

// Starts argv[0] (looked up on PATH) with exactly `environment`, its standard output and
// error on the descriptors given (-1: /dev/null). A child that ends with us gets SIGTERM when
// this thread's process ends, however it ends, so no server outlives a test that crashed.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
            int out, int err, bool endsWithUs) {
    // Everything the child needs is made before the fork: a threaded process's child may only
    // make async-signal-safe calls.
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> env;
    for (const auto& e : environment) env.push_back(const_cast<char*>(e.c_str()));
    env.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child != 0) return child;
    if (endsWithUs) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
    }
    const int nothing = ::open("/dev/null", O_RDWR);
    ::dup2(nothing, STDIN_FILENO);
    ::dup2(out >= 0 ? out : nothing, STDOUT_FILENO);
    ::dup2(err >= 0 ? err : nothing, STDERR_FILENO);
    ::execvpe(args[0], args.data(), env.data());
    ::_exit(127);
}

void end(pid_t& child) {
    if (child <= 0) return;
    ::kill(child, SIGTERM);
    ::waitpid(child, nullptr, 0);
    child = -1;
}

std::string pathVariable() {
    const char* path = std::getenv("PATH");
    return std::string("PATH=") + (path ? path : "/usr/bin:/bin");
}

// pactl's long listing: "Kind #N" opens an entry, "\tName: value" and "\t\tname = "value""
// fill it; continued lines and headings without a value are skipped.
std::vector<PulseAudioServer::Entry> parseListing(const std::string& text) {
    std::vector<PulseAudioServer::Entry> entries;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        if (line[0] != '\t') {
            const auto hash = line.find(" #");
            if (hash == std::string::npos) continue;
            entries.emplace_back();
            entries.back().index = unsigned(std::strtoul(line.c_str() + hash + 2, nullptr, 10));
            continue;
        }
        if (entries.empty()) continue;
        const auto start = line.find_first_not_of('\t');
        if (start == std::string::npos) continue;
        const std::string body = line.substr(start);
        if (const auto equals = body.find(" = "); equals != std::string::npos) {
            std::string value = body.substr(equals + 3);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            entries.back().values[body.substr(0, equals)] = value;
        } else if (const auto colon = body.find(": "); colon != std::string::npos) {
            entries.back().values[body.substr(0, colon)] = body.substr(colon + 2);
        }
    }
    return entries;
}

}  // namespace

pid_t PulseAudioServer::Entry::process() const {
    return pid_t(std::atol(value("application.process.id").c_str()));
}

std::string PulseAudioServer::Entry::value(const std::string& name) const {
    const auto found = values.find(name);
    return found == values.end() ? std::string() : found->second;
}

PulseAudioServer::PulseAudioServer() {
    const std::string home = folder_.path().string();
    const std::string socket = (folder_ / "native").string();
    {
        std::ofstream conf(folder_ / "client.conf");
        conf << "autospawn = no\n";
    }
    // A home of its own for everything it would keep; the session bus named by an address no
    // bus has, so it neither finds the desktop's nor starts one for the display.
    const std::vector<std::string> environment{
        pathVariable(),
        "LC_ALL=C",
        "HOME=" + home,
        "XDG_CONFIG_HOME=" + home + "/config",
        "XDG_RUNTIME_DIR=" + home,
        "XDG_STATE_HOME=" + home + "/state",
        "XDG_CACHE_HOME=" + home + "/cache",
        "PULSE_RUNTIME_PATH=" + home + "/runtime",
        "PULSE_STATE_PATH=" + home + "/state",
        "DBUS_SESSION_BUS_ADDRESS=disabled:",
        "DBUS_SYSTEM_BUS_ADDRESS=disabled:",
    };
    // No configuration file of the system's (-n): only the two modules named here. As root it
    // stays a user's server (--system=no) and asks for no real-time scheduling.
    const std::vector<std::string> argv{
        "pulseaudio",
        "-n",
        "--daemonize=no",
        "--system=no",
        "--use-pid-file=no",
        "--exit-idle-time=-1",
        "--disallow-exit",
        "--realtime=no",
        "--high-priority=no",
        "--no-cpu-limit",
        "--disable-shm=yes",
        "--log-target=stderr",
        "--log-level=info",
        "--log-meta=no",
        "--log-time=no",
        std::string("--load=module-null-sink sink_name=") + kSinkName +
            " rate=" + std::to_string(kRecordingRate) + " channels=2",
        "--load=module-native-protocol-unix socket=" + socket + " auth-anonymous=1",
        "--disallow-module-loading",
    };
    int err[2];
    if (::pipe2(err, O_CLOEXEC) != 0) return;
    daemon_ = spawn(argv, environment, -1, err[1], true);
    ::close(err[1]);
    if (daemon_ < 0) {
        ::close(err[0]);
        return;
    }
    // It says so once it is ready, its modules loaded and its socket listening; one that failed
    // ends the pipe instead.
    std::string line;
    char c = 0;
    while (::read(err[0], &c, 1) == 1) {
        if (c != '\n') {
            line += c;
            continue;
        }
        {
            std::lock_guard lock(mutex_);
            log_ += line + "\n";
        }
        if (line.find("Daemon startup complete.") != std::string::npos) {
            address_ = "unix:" + socket;
            break;
        }
        line.clear();
    }
    logReader_ = std::thread([this, fd = err[0]] { drainLog(fd); });
}

PulseAudioServer::~PulseAudioServer() {
    end(recorder_);
    end(daemon_);
    if (logReader_.joinable()) logReader_.join();
}

void PulseAudioServer::drainLog(int fd) {
    char buffer[4096];
    for (;;) {
        const ssize_t length = ::read(fd, buffer, sizeof buffer);
        if (length <= 0) break;
        std::lock_guard lock(mutex_);
        log_.append(buffer, std::size_t(length));
        if (log_.size() > 2 * kLogBytes) log_.erase(0, log_.size() - kLogBytes);
    }
    ::close(fd);
}

std::string PulseAudioServer::log() const {
    std::lock_guard lock(mutex_);
    return log_.size() > kLogBytes ? log_.substr(log_.size() - kLogBytes) : log_;
}

std::vector<std::string> PulseAudioServer::environmentOfClients() const {
    std::vector<std::string> environment{pathVariable(), "LC_ALL=C",
                                         "HOME=" + folder_.path().string(),
                                         "DBUS_SESSION_BUS_ADDRESS=disabled:"};
    for (const auto& [name, value] : clientEnvironment()) environment.push_back(name + "=" + value);
    return environment;
}

std::vector<std::pair<std::string, std::string>> PulseAudioServer::clientEnvironment() const {
    return {{"PULSE_SERVER", address_},
            {"PULSE_COOKIE", (folder_ / "cookie").string()},
            {"PULSE_CLIENTCONFIG", (folder_ / "client.conf").string()}};
}

std::string PulseAudioServer::ask(const std::vector<std::string>& arguments) const {
    if (address_.empty()) return {};
    std::vector<std::string> argv{"pactl"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return {};
    // Its errors too, which say why it failed; it writes none when it answers.
    const pid_t child = spawn(argv, environmentOfClients(), out[1], out[1], false);
    ::close(out[1]);
    if (child < 0) {
        ::close(out[0]);
        return {};
    }
    {
        std::lock_guard lock(mutex_);
        ++ownConnections_;
        ownProcesses_.push_back(child);
    }
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t length = ::read(out[0], buffer, sizeof buffer);
        if (length < 0 && errno == EINTR) continue;
        if (length <= 0) break;
        text.append(buffer, std::size_t(length));
    }
    ::close(out[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return text;
    std::lock_guard lock(mutex_);
    log_ += "pactl";
    for (const auto& a : arguments) log_ += " " + a;
    log_ += " failed (status " + std::to_string(status) + "): " + text + "\n";
    return {};
}

std::vector<PulseAudioServer::Entry> PulseAudioServer::clients() const {
    auto entries = parseListing(ask({"list", "clients"}));
    std::lock_guard lock(mutex_);
    std::erase_if(entries, [&](const Entry& entry) {
        return std::find(ownProcesses_.begin(), ownProcesses_.end(), entry.process()) !=
               ownProcesses_.end();
    });
    return entries;
}

std::vector<PulseAudioServer::Entry> PulseAudioServer::sinkInputs() const {
    return parseListing(ask({"list", "sink-inputs"}));
}

long PulseAudioServer::connectionsByOthers() const {
    const std::string info = ask({"info"});
    const std::string mark = "Client Index: ";
    const auto at = info.find(mark);
    if (at == std::string::npos) return -1;
    // The asking client's number, counting from 0: so many were taken before it.
    const long taken = std::atol(info.c_str() + at + mark.size()) + 1;
    std::lock_guard lock(mutex_);
    return taken - ownConnections_;
}

bool PulseAudioServer::startRecording() {
    if (address_.empty() || recorder_ > 0) return false;
    const std::string path = (folder_ / "monitor.raw").string();
    const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (file < 0) return false;
    // Short fragments, so the file grows as the sink plays rather than seconds later.
    const std::vector<std::string> argv{"parec",
                                        std::string("--device=") + kSinkName + ".monitor",
                                        "--rate=" + std::to_string(kRecordingRate),
                                        "--channels=1",
                                        "--format=s16le",
                                        "--raw",
                                        "--latency-msec=20"};
    recorder_ = spawn(argv, environmentOfClients(), file, -1, true);
    ::close(file);
    if (recorder_ < 0) return false;
    std::lock_guard lock(mutex_);
    ++ownConnections_;
    ownProcesses_.push_back(recorder_);
    return true;
}

std::vector<std::int16_t> PulseAudioServer::recording() const {
    std::ifstream file(folder_ / "monitor.raw", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        samples[i] = std::int16_t(std::uint16_t(std::uint8_t(bytes[2 * i])) |
                                  std::uint16_t(std::uint8_t(bytes[2 * i + 1])) << 8);
    }
    return samples;
}

std::string describe(const std::vector<PulseAudioServer::Entry>& entries) {
    std::string text;
    for (const auto& entry : entries) {
        text += "#" + std::to_string(entry.index) + " process " + std::to_string(entry.process()) +
                " " + entry.value("application.process.binary") + " " +
                entry.value("application.name") + " " + entry.value("media.role") + "\n";
    }
    return text;
}

double toneShare(const std::int16_t* samples, std::size_t count, double hertz, int rate) {
    // Goertzel: the power of one bin of the stretch's Fourier transform, against the power of
    // the whole stretch (a pure tone of whole periods puts all of its power there).
    const double coefficient = 2 * std::cos(2 * std::numbers::pi * hertz / rate);
    double previous = 0, beforeThat = 0, energy = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const double x = samples[i];
        const double next = x + coefficient * previous - beforeThat;
        beforeThat = previous;
        previous = next;
        energy += x * x;
    }
    if (energy <= 0) return 0;
    const double power =
        previous * previous + beforeThat * beforeThat - coefficient * previous * beforeThat;
    return 2 * power / (double(count) * energy);
}

double loudestToneShare(const std::vector<std::int16_t>& samples, double hertz, int rate) {
    const std::size_t window = std::size_t(rate / 10);
    const double quietest = 32767.0 / 100;
    double best = 0;
    for (std::size_t start = 0; window > 0 && start + window <= samples.size(); start += window) {
        double energy = 0;
        for (std::size_t i = start; i < start + window; ++i)
            energy += double(samples[i]) * samples[i];
        if (std::sqrt(energy / double(window)) < quietest) continue;
        best = std::max(best, toneShare(samples.data() + start, window, hertz, rate));
    }
    return best;
}

}  // namespace platform::testing
