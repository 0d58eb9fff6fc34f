#include "platform/services/EventEditor.h"

#include <ctime>

#include "platform/base/LogSink.h"
#include "platform/base/Uuid.h"
#include "platform/runtime/Clock.h"
#include "platform/services/FreshFile.h"
#include "platform/storage/AppPaths.h"
#include "platform/ui/Application.h"

namespace platform::services {

namespace {

// How the editor shows a time: the local date and time.
std::string shownTime(double seconds) {
    const std::time_t t = static_cast<std::time_t>(seconds);
    std::tm local{};
    localtime_r(&t, &local);
    char text[64];
    std::strftime(text, sizeof text, "%a %d %b %Y %H:%M", &local);
    return text;
}

}  // namespace

std::shared_ptr<EventEditor> EventEditor::create() {
    return createWithButtons<EventEditor>(Private{});
}

EventEditor::EventEditor(Private)
    : ComposerController("New Event", {"Title:", "Location:", "Starts:", "Ends:"}, "Add") {}

void EventEditor::setEvent(CalendarEvent event) {
    event_ = std::move(event);
    setFieldText("Title:", event_.title);
    setFieldText("Location:", event_.location);
    setFieldText("Starts:", shownTime(event_.start));
    setFieldText("Ends:", shownTime(event_.end));
    setBodyText(event_.notes);
}

std::optional<std::filesystem::path> EventEditor::writeEvent(const CalendarEvent& event,
                                                             const std::filesystem::path& folder,
                                                             std::string* error) {
    const std::string text = iCalendarText(event, Clock::wallSeconds(),
                                           Uuid::random().toCompactLowerString() + "@movuroute");
    return createFreshFile(folder, "event", ".ics", text, error);
}

void EventEditor::send() {
    std::string error;
    savedFile_ = writeEvent(event_, AppPaths::documents() / kFolderName, &error);
    if (!savedFile_) {
        LogSink::write("EventEditor: the event could not be written: " + error);
    } else if (!ui::Application::shared().openFileWithDesktop(savedFile_->string())) {
        LogSink::write("EventEditor: no program took the event; it stays in " +
                       savedFile_->string());
    }
    report(EventEditAction::Saved);
}

void EventEditor::cancel() {
    report(EventEditAction::Canceled);
}

void EventEditor::report(EventEditAction action) {
    // Kept alive for the call: the delegate usually lets go of the editor in it.
    auto keep = shared_from_this();
    if (auto d = editViewDelegate())
        d->eventEditorDidComplete(*this, action);
    else
        dismissViewController(true);
}

}  // namespace platform::services
