#pragma once

// One round of every save path the program has, each writing the round's number, and the check
// that a file left by a killed round is the old or the new version: never damaged, never gone.
//
// Files live in one folder (the program's home for the round's saves): user defaults, the
// unlock map, the keychain, the settings, a level's scores, the announcement cache's list and
// status, and the advertising identifier. A round writes them in a fixed order, so after a kill
// during round g every file holds g or g - 1. The advertising identifier's record holds only a
// flag, which round g sets to whether g is odd: it names a round by its parity, and its
// identifier must never change.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace crashtest {

class SaveRound {
  public:
    explicit SaveRound(std::filesystem::path home);

    // Makes what must exist before the first round: the advertising identifier's record, as
    // round 0 (its flag off). Its creation is not among the saves a kill may interrupt.
    bool prepare();
    // Writes every file with generation `gen` (gen >= 1). False when a save reported failure,
    // which the child treats as a fault of its own.
    bool save(long gen);

    // What one file holds: the generation it was last saved with (nothing when it is not
    // there), or damage with the reason.
    struct Held {
        std::string path;
        std::optional<long> gen;
        // For the advertising identifier: the flag it holds, which names the round by its
        // parity only (gen is then unset; the harness knows which rounds are in question).
        std::optional<bool> oddRound;
        bool damaged = false;
        std::string detail;
    };
    // Reads every file. `candidates` are the generations a file may hold (the keychain keeps
    // one item per generation, so it is asked for these).
    std::vector<Held> read(const std::vector<long>& candidates) const;

    std::filesystem::path advertisingIdFile() const;

  private:
    std::filesystem::path announceFolder() const;

    std::filesystem::path home_;
    // The identifier first read; every later read must find the same.
    mutable std::optional<std::string> advertisingId_;
};

}  // namespace crashtest
