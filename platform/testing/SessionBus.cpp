#include "platform/testing/SessionBus.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

namespace platform::testing {

namespace {

GVariant* callBus(GDBusConnection* bus, const char* method, GVariant* parameters,
                  const char* replyType) {
    return g_dbus_connection_call_sync(
        bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", method,
        parameters, G_VARIANT_TYPE(replyType), G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, nullptr);
}

}  // namespace

PrivateSessionBus::PrivateSessionBus() {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    daemon_ = ::fork();
    if (daemon_ == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        const char* argv[] = {"dbus-daemon", "--session",         "--nofork",
                              "--nopidfile", "--print-address=1", nullptr};
        ::execvp(argv[0], const_cast<char**>(argv));
        ::_exit(127);
    }
    ::close(out[1]);
    if (daemon_ < 0) {
        ::close(out[0]);
        return;
    }
    // The address is its first line, written once it listens; a daemon that failed to start
    // ends the pipe instead.
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n') address_ += c;
    ::close(out[0]);
}

PrivateSessionBus::~PrivateSessionBus() {
    if (daemon_ > 0) {
        ::kill(daemon_, SIGTERM);
        ::waitpid(daemon_, nullptr, 0);
    }
}

std::vector<PrivateSessionBus::Connection> PrivateSessionBus::connections() const {
    std::vector<Connection> found;
    if (address_.empty()) return found;
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address_.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    if (!bus) return found;
    const std::string asking = g_dbus_connection_get_unique_name(bus);
    std::map<std::string, Connection> byName;
    if (GVariant* names = callBus(bus, "ListNames", nullptr, "(as)")) {
        GVariantIter* iter = nullptr;
        const char* name = nullptr;
        g_variant_get(names, "(as)", &iter);
        while (g_variant_iter_next(iter, "&s", &name)) {
            if (name == asking || std::string(name) == "org.freedesktop.DBus") continue;
            std::string owner = name;
            if (name[0] != ':') {
                GVariant* reply = callBus(bus, "GetNameOwner", g_variant_new("(s)", name), "(s)");
                if (!reply) continue;
                const char* unique = nullptr;
                g_variant_get(reply, "(&s)", &unique);
                owner = unique;
                g_variant_unref(reply);
                if (owner == asking) continue;
            }
            Connection& connection = byName[owner];
            connection.uniqueName = owner;
            if (name[0] != ':') connection.names.insert(name);
        }
        g_variant_iter_free(iter);
        g_variant_unref(names);
    }
    for (auto& [unique, connection] : byName) {
        GVariant* reply =
            callBus(bus, "GetConnectionUnixProcessID", g_variant_new("(s)", unique.c_str()), "(u)");
        if (reply) {
            guint32 process = 0;
            g_variant_get(reply, "(u)", &process);
            connection.process = pid_t(process);
            g_variant_unref(reply);
        }
        found.push_back(std::move(connection));
    }
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return found;
}

unsigned long PrivateSessionBus::connectionsTaken() const {
    if (address_.empty()) return 0;
    GDBusConnection* bus = g_dbus_connection_new_for_address_sync(
        address_.c_str(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, nullptr);
    if (!bus) return 0;
    // ":1.N", N counting from 0.
    const char* name = g_dbus_connection_get_unique_name(bus);
    const char* dot = name ? std::strrchr(name, '.') : nullptr;
    const unsigned long taken = dot ? std::strtoul(dot + 1, nullptr, 10) + 1 : 0;
    g_dbus_connection_close_sync(bus, nullptr, nullptr);
    g_object_unref(bus);
    return taken;
}

std::string describe(const std::vector<PrivateSessionBus::Connection>& connections) {
    std::string text;
    for (const auto& connection : connections) {
        std::string name;
        std::ifstream comm("/proc/" + std::to_string(connection.process) + "/comm");
        std::getline(comm, name);
        text += connection.uniqueName + " (process " + std::to_string(connection.process) + " " +
                name + ")";
        for (const auto& name : connection.names) text += " " + name;
        text += "\n";
    }
    return text;
}

}  // namespace platform::testing
