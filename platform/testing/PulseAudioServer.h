#pragma once

// The desktop's sound server itself (Debian's PulseAudio daemon), for tests of what reaches it
// and what it plays: started for the length of a scope in a folder of its own, listening on a
// socket there with anonymous access, playing to one null sink (no sound card), with no D-Bus
// and no exit of its own (not when idle, not when a client asks); it is ended with its scope,
// or with the test's process. Clients are pointed at it by clientEnvironment(), which the test
// puts in the environment before the engine starts its processes (they inherit it), and which
// also keeps them off the user's own files and from starting a server of their own. Who is
// connected and what plays is asked of the server with pactl, and the null sink's monitor can
// be recorded with parec: the helper's own connections are counted apart.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/testing/TempDir.h"

namespace platform::testing {

class PulseAudioServer {
  public:
    // The rate and channels the monitor is recorded at.
    static constexpr int kRecordingRate = 48000;

    // A client or a stream as pactl lists it: its number, and its fields and properties
    // together ("Client" = "3", "application.process.id" = "1234", "media.role" = "music").
    struct Entry {
        unsigned index = 0;
        std::map<std::string, std::string> values;

        // application.process.id, 0 when the client did not say.
        pid_t process() const;
        std::string value(const std::string& name) const;
    };

    PulseAudioServer();
    ~PulseAudioServer();
    PulseAudioServer(const PulseAudioServer&) = delete;
    PulseAudioServer& operator=(const PulseAudioServer&) = delete;

    // "unix:<path>", as PULSE_SERVER names a server; empty when the daemon did not start.
    const std::string& address() const { return address_; }
    // What a client of this server needs in its environment: PULSE_SERVER, and a cookie and a
    // client configuration (no autospawn) in the server's folder.
    std::vector<std::pair<std::string, std::string>> clientEnvironment() const;

    // Connected now, but for the helper's own lister and recorder; empty when asking failed.
    std::vector<Entry> clients() const;
    // Streams playing to the null sink now.
    std::vector<Entry> sinkInputs() const;
    // Connections anyone but this helper made since the server started, gone ones too (the
    // server numbers its clients in turn); -1 when asking failed.
    long connectionsByOthers() const;

    // Records the null sink's monitor from now on, mono at kRecordingRate, to a file in the
    // server's folder. False when the recorder could not be started.
    bool startRecording();
    // What was recorded so far.
    std::vector<std::int16_t> recording() const;

    // What the daemon has written (its last 64 KiB), for failure messages.
    std::string log() const;

  private:
    // pactl's output for the arguments, "" when it failed.
    std::string ask(const std::vector<std::string>& arguments) const;
    std::vector<std::string> environmentOfClients() const;
    void drainLog(int fd);

    TempDir folder_;
    std::string address_;
    pid_t daemon_ = -1;
    pid_t recorder_ = -1;
    std::thread logReader_;
    mutable std::mutex mutex_;
    mutable std::string log_;
    // Connections this helper made: pactl's and the recorder's.
    mutable long ownConnections_ = 0;
    mutable std::vector<pid_t> ownProcesses_;
};

// Lines of "#index process binary name" for failure messages.
std::string describe(const std::vector<PulseAudioServer::Entry>& entries);

// How much of a stretch of sound's power lies at one frequency: about 1 for a pure tone of it
// (the stretch holding whole periods), about 0 for silence, noise or another tone.
double toneShare(const std::int16_t* samples, std::size_t count, double hertz, int rate);
// The highest toneShare of any tenth of a second of the sound loud enough to hear (its RMS
// above a hundredth of full scale): 0 when none is.
double loudestToneShare(const std::vector<std::int16_t>& samples, double hertz, int rate);

}  // namespace platform::testing
