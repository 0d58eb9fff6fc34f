#include "platform/testing/SelectionHolder.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>

#include <chrono>

namespace platform::testing {

struct SelectionHolder::Connection {
    Display* display = nullptr;
    Window window = 0;

    // An unmapped window of its own on a connection of its own; nullptr without a display.
    static std::unique_ptr<Connection> open() {
        Display* display = XOpenDisplay(nullptr);
        if (!display) return nullptr;
        auto made = std::make_unique<Connection>();
        made->display = display;
        made->window =
            XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
        return made;
    }
    ~Connection() {
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    Atom atom(const char* name) const { return XInternAtom(display, name, False); }
    std::string name(Atom atom) const {
        if (atom == None) return "None";
        char* text = XGetAtomName(display, atom);
        std::string name = text ? text : "?";
        if (text) XFree(text);
        return name;
    }
    // Waits for the connection's next event, a fiftieth of a second at most.
    void waitBriefly() const {
        pollfd ready{ConnectionNumber(display), POLLIN, 0};
        poll(&ready, 1, 20);
    }
};

SelectionHolder::SelectionHolder(std::string text) : text_(std::move(text)) {
    owner_ = Connection::open();
    reader_ = Connection::open();
    if (!owner_ || !reader_) return;
    holds_ = true;
    for (const char* name : kSelections) {
        const Atom selection = owner_->atom(name);
        XSetSelectionOwner(owner_->display, selection, owner_->window, CurrentTime);
        holds_ = holds_ && XGetSelectionOwner(owner_->display, selection) == owner_->window;
    }
    // From here on only the thread uses the owner's connection.
    thread_ = std::thread([this] { answer(); });
}

SelectionHolder::~SelectionHolder() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void SelectionHolder::note(std::vector<std::string>& list, std::string entry) {
    std::lock_guard lock(mutex_);
    list.push_back(std::move(entry));
}

std::vector<std::string> SelectionHolder::lost() const {
    std::lock_guard lock(mutex_);
    return lost_;
}

std::vector<std::string> SelectionHolder::askedByOthers() const {
    std::lock_guard lock(mutex_);
    return asked_;
}

void SelectionHolder::answer() {
    const Connection& c = *owner_;
    const Atom targets = c.atom("TARGETS");
    const Atom utf8 = c.atom("UTF8_STRING");
    while (!stop_) {
        while (XPending(c.display)) {
            XEvent event;
            XNextEvent(c.display, &event);
            if (event.type == SelectionClear) {
                note(lost_, c.name(event.xselectionclear.selection));
                continue;
            }
            if (event.type != SelectionRequest) continue;
            const XSelectionRequestEvent& request = event.xselectionrequest;
            if (request.requestor != reader_->window) {
                note(asked_, c.name(request.selection) + " " + c.name(request.target));
            }
            // As any holder of text answers: its forms, or the text; nothing else.
            const Atom property = request.property != None ? request.property : request.target;
            XSelectionEvent reply{};
            reply.type = SelectionNotify;
            reply.display = c.display;
            reply.requestor = request.requestor;
            reply.selection = request.selection;
            reply.target = request.target;
            reply.time = request.time;
            reply.property = None;
            if (request.target == targets) {
                Atom forms[] = {targets, utf8, XA_STRING};
                XChangeProperty(c.display, request.requestor, property, XA_ATOM, 32,
                                PropModeReplace, reinterpret_cast<unsigned char*>(forms), 3);
                reply.property = property;
            } else if (request.target == utf8 || request.target == XA_STRING) {
                XChangeProperty(c.display, request.requestor, property, request.target, 8,
                                PropModeReplace,
                                reinterpret_cast<const unsigned char*>(text_.data()),
                                static_cast<int>(text_.size()));
                reply.property = property;
            }
            XSendEvent(c.display, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
            XFlush(c.display);
        }
        c.waitBriefly();
    }
}

std::string SelectionHolder::read(const char* selection, double seconds) const {
    if (!reader_) return "(no owner)";
    const Connection& c = *reader_;
    const Atom asked = c.atom(selection);
    if (XGetSelectionOwner(c.display, asked) == None) return "(no owner)";
    const Atom into = c.atom("MOVUROUTE_SELECTION_READ");
    XConvertSelection(c.display, asked, c.atom("UTF8_STRING"), into, c.window, CurrentTime);
    XFlush(c.display);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < giveUp) {
        XEvent event;
        if (!XCheckTypedWindowEvent(c.display, c.window, SelectionNotify, &event)) {
            c.waitBriefly();
            continue;
        }
        if (event.xselection.property == None) return "";
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        std::string text;
        if (XGetWindowProperty(c.display, c.window, into, 0, 1 << 20, True, AnyPropertyType, &type,
                               &format, &count, &after, &data) == Success &&
            data && format == 8) {
            text.assign(reinterpret_cast<const char*>(data), count);
        }
        if (data) XFree(data);
        return text;
    }
    return "";
}

}  // namespace platform::testing
