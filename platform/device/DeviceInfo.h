#pragma once

// What the phone told a program about itself: its model, its operating system and whether it
// is a phone or a tablet. A desktop has none of these facts, so the program reports the one
// device it was made for, a phone on system 8.4, and every caller reads that answer here, so
// the version text exists once. Tests describe other devices with a Scope. Thread-safe.

#include <string>

namespace platform {

// Stored and sent as these numbers, so the values never change.
enum class UserInterfaceIdiom : int { Unspecified = -1, Phone = 0, Pad = 1 };

class DeviceInfo {
  public:
    struct Facts {
        std::string model = "iPhone";
        std::string systemName = "iPhone OS";
        std::string systemVersion = "8.4";
        UserInterfaceIdiom idiom = UserInterfaceIdiom::Phone;
    };

    static Facts current();
    static std::string model();
    static std::string systemName();
    // Dotted numbers, as many parts as the system gives ("8.4").
    static std::string systemVersion();
    static UserInterfaceIdiom userInterfaceIdiom();

    // The system version's major number (0 when the text has none).
    static int systemMajorVersion();

    // Replaces the facts while it lives, then restores the previous ones. Scopes nest.
    class Scope {
      public:
        explicit Scope(Facts facts);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

      private:
        Facts previous_;
    };
};

}  // namespace platform
