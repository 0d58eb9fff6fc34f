#pragma once

// The calendar event editor: "New Event" with "Title:", "Location:", "Starts:", "Ends:" and the
// notes, "Cancel" and "Add". A desktop has no calendar store of ours, so "Add" writes the event
// as an iCalendar file into the app home's Documents/Calendar/ (a name of our own, never over
// a file; a link in the folder's place is refused and nothing is written) and offers it to the
// desktop's calendar (Application::openFileWithDesktop). The delegate (held weakly) hears the
// outcome once and dismisses the editor; without one the editor dismisses itself. Main thread only.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/services/ComposerController.h"
#include "platform/services/ICalendar.h"

namespace platform::services {

// The values callers compare.
enum class EventEditAction : int { Canceled = 0, Saved = 1, Deleted = 2 };

class EventEditor;

class EventEditorDelegate {
  public:
    virtual ~EventEditorDelegate() = default;
    virtual void eventEditorDidComplete(EventEditor&, EventEditAction) {}
};

class EventEditor : public ComposerController {
  public:
    static constexpr const char* kFolderName = "Calendar";

    static std::shared_ptr<EventEditor> create();
    const char* className() const override { return "EKEventEditViewController"; }

    void setEvent(CalendarEvent event);
    const CalendarEvent& event() const { return event_; }
    // The file "Add" wrote; none before, or when writing failed.
    const std::optional<std::filesystem::path>& savedFile() const { return savedFile_; }

    std::shared_ptr<EventEditorDelegate> editViewDelegate() const { return delegate_.lock(); }
    void setEditViewDelegate(std::weak_ptr<EventEditorDelegate> d) { delegate_ = std::move(d); }

    // Writes the event into the folder under a new name; the file, or none.
    static std::optional<std::filesystem::path> writeEvent(const CalendarEvent& event,
                                                           const std::filesystem::path& folder,
                                                           std::string* error = nullptr);

  private:
    struct Private {};

  public:
    explicit EventEditor(Private);

  private:
    void send() override;
    void cancel() override;
    void report(EventEditAction action);

    CalendarEvent event_;
    std::optional<std::filesystem::path> savedFile_;
    std::weak_ptr<EventEditorDelegate> delegate_;
};

}  // namespace platform::services
