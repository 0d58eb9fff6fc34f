#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/LogSink.h"
#include "platform/gfx/Image.h"
#include "platform/runtime/MainLoopTestScope.h"
#include "platform/services/CalendarStore.h"
#include "platform/services/EventEditor.h"
#include "platform/services/ICalendar.h"
#include "platform/services/PhotoAlbum.h"
#include "platform/storage/AppPaths.h"
#include "platform/storage/AtomicFile.h"
#include "platform/storage/UserDefaults.h"
#include "platform/testing/PlatformStateScope.h"
#include "platform/testing/TempDir.h"
#include "platform/ui/AlertView.h"
#include "platform/ui/Application.h"
#include "platform/ui/Button.h"
#include "platform/ui/Window.h"

namespace platform::services {
namespace {

namespace fs = std::filesystem;

TEST(ICalendarTest, TextIsEscapedAndFoldedSoNoFieldAddsAProperty) {
    EXPECT_EQ(iCalendarEscapedText("a\\b;c,d\r\ne\rf\ng\x01h"), "a\\\\b\\;c\\,d\\ne\\nf\\ngh");
    CalendarEvent event;
    event.title = "Sale";
    event.notes = "Come\r\nATTACH:http://evil.test/x\r\nEND:VEVENT";
    event.start = 1454293800;  // 2016-02-01T02:30:00Z
    event.end = 1454297400;
    const std::string text = iCalendarText(event, 1454290000, "e1@movuroute");
    EXPECT_NE(text.find("DTSTART:20160201T023000Z\r\n"), std::string::npos);
    EXPECT_NE(text.find("DESCRIPTION:Come\\nATTACH:http://evil.test/x\\nEND:VEVENT\r\n"),
              std::string::npos);
    // The lines are the file's own: one BEGIN and one END per component.
    std::size_t attach = 0, ends = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        const std::string line = text.substr(at, end - at);
        EXPECT_LE(line.size(), 75u);
        attach += line.rfind("ATTACH", 0) == 0;
        ends += line.rfind("END:", 0) == 0;
        at = end + 2;
    }
    EXPECT_EQ(attach, 0u);
    EXPECT_EQ(ends, 2u);
    EXPECT_EQ(text.substr(0, 17), "BEGIN:VCALENDAR\r\n");

    // Folding never splits a character: 40 two-byte letters make 80 bytes.
    std::string letters;
    for (int i = 0; i < 40; ++i) letters += "\xc3\xa9";
    const std::string folded = iCalendarFoldedLine("X:" + letters);
    // "X:" and 36 letters make 74 bytes; the next letter would end past 75.
    EXPECT_EQ(folded.substr(0, 77), "X:" + letters.substr(0, 72) + "\r\n ");
    EXPECT_EQ(folded.size(), 2 + 80 + 3 + 2u);
}

// Text from a page need not be UTF-8. Bytes that make no character are cut at the limit like
// any other, and the first fold never comes before the ':' that ends the property's name.
TEST(ICalendarTest, FoldingOfTextThatIsNoUtf8KeepsTheNameWholeAndFullLines) {
    const std::string stray(200, '\x80');
    const std::string folded = iCalendarFoldedLine("SUMMARY:" + stray);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < folded.size();) {
        const std::size_t end = folded.find("\r\n", at);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(folded.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(lines.size(), 3u) << "a line per byte is no folding";
    EXPECT_EQ(lines[0], "SUMMARY:" + stray.substr(0, 67));
    EXPECT_EQ(lines[1], " " + stray.substr(0, 74));
    EXPECT_EQ(lines[2], " " + stray.substr(0, 200 - 67 - 74));

    // A four-byte character across the limit moves to the next line whole; a lead byte whose
    // character the limit does not reach stays.
    const std::string emoji = "\xf0\x9f\x8e\x89";
    const std::string name = "X:" + std::string(71, 'a');
    EXPECT_EQ(iCalendarFoldedLine(name + emoji + "b"), name + "\r\n " + emoji + "b\r\n");
    EXPECT_EQ(iCalendarFoldedLine(name + "aa\xc3\xa9"), name + "aa\r\n \xc3\xa9\r\n");
    EXPECT_EQ(iCalendarFoldedLine(name + "a\xc3\xa9"), name + "a\r\n \xc3\xa9\r\n");
}

TEST(PhotoAlbumTest, FolderFromTheEnvironmentTheUserDirsOrPictures) {
    const fs::path home = "/home/ann";
    EXPECT_EQ(PhotoAlbum::picturesDirectoryFromUserDirs(
                  "# comment\nXDG_PICTURES_DIR=\"$HOME/Bilder\"\n", home),
              fs::path("/home/ann/Bilder"));
    EXPECT_EQ(PhotoAlbum::picturesDirectoryFromUserDirs("XDG_PICTURES_DIR=\"/data/pix\"", home),
              fs::path("/data/pix"));
    EXPECT_EQ(PhotoAlbum::picturesDirectoryFromUserDirs("XDG_PICTURES_DIR=\"$HOME\"", home), home);
    EXPECT_FALSE(PhotoAlbum::picturesDirectoryFromUserDirs("XDG_PICTURES_DIR=relative", home));
    EXPECT_FALSE(PhotoAlbum::picturesDirectoryFromUserDirs("XDG_PICTURES_DIR=\"$HOMEx\"", home));
    EXPECT_FALSE(PhotoAlbum::picturesDirectoryFromUserDirs("XDG_MUSIC_DIR=\"/m\"", home));

    testing::TempDir dir;
    {
        testing::ScopedEnv override(PhotoAlbum::kPicturesVariable, std::nullopt);
        testing::ScopedEnv homeVariable("HOME", dir.path().string());
        testing::ScopedEnv config("XDG_CONFIG_HOME", std::nullopt);
        EXPECT_EQ(PhotoAlbum::directory(), dir / "Pictures" / "Movuroute");
        fs::create_directories(dir / ".config");
        AtomicFile::write(dir / ".config" / "user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Fotos\"\n");
        EXPECT_EQ(PhotoAlbum::directory(), dir / "Fotos" / "Movuroute");
    }
    testing::ScopedEnv override(PhotoAlbum::kPicturesVariable, (dir / "album").string());
    EXPECT_EQ(PhotoAlbum::directory(), dir / "album" / "Movuroute");

    // Two saves, two files of our own naming, both pictures.
    const auto picture = gfx::Image::blank(3, 2);
    auto first = PhotoAlbum::save(picture);
    auto second = PhotoAlbum::save(picture);
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(first->extension(), ".png");
    EXPECT_TRUE(gfx::Image::loadPng(first->string()));
    std::string error;
    EXPECT_FALSE(PhotoAlbum::save(gfx::Image(), &error));
    EXPECT_FALSE(error.empty());
}

class CalendarTest : public ::testing::Test {
  protected:
    CalendarTest() {
        window->setRootViewController(root);
        ui::Application::shared().setDesktopOpener([this](const std::vector<std::string>& argv) {
            opened.push_back(argv.at(1));
            return true;
        });
    }
    ~CalendarTest() override { ui::Application::shared().setDesktopOpener({}); }

    MainLoopTestScope loop;
    testing::TempHome home;
    testing::PlatformStateScope platformState;
    std::shared_ptr<ui::Window> window = ui::Window::create({0, 0, 320, 480});
    std::shared_ptr<ui::ViewController> root = ui::ViewController::create();
    std::vector<std::string> opened;
};

TEST_F(CalendarTest, TheQuestionIsAskedWhileUndecidedAndTheAnswerKept) {
    std::vector<bool> answers;
    auto record = [&](bool granted) { answers.push_back(granted); };
    // Stored values outside the four count as undecided.
    UserDefaults::standard().setInteger(CalendarStore::kAuthorizationStatusKey, 7);
    EXPECT_EQ(CalendarStore::authorizationStatus(), CalendarAuthorizationStatus::NotDetermined);
    CalendarStore::requestAccess(record);
    auto alert = ui::AlertView::visibleAlert();
    ASSERT_NE(alert, nullptr);
    EXPECT_EQ(alert->message(), "Movuroute would like to add events to your calendar.");
    EXPECT_EQ(alert->buttonTitleAtIndex(alert->cancelButtonIndex()), "Don't Allow");
    alert->tapButton(alert->cancelButtonIndex());
    loop.runUntilIdle();
    EXPECT_EQ(CalendarStore::authorizationStatus(), CalendarAuthorizationStatus::Denied);

    // Decided: no question, the stored answer.
    CalendarStore::requestAccess(record);
    EXPECT_EQ(ui::AlertView::visibleAlert(), nullptr);
    loop.runUntilIdle();
    CalendarStore::setAuthorizationStatus(CalendarAuthorizationStatus::NotDetermined);
    CalendarStore::requestAccess(record);
    ui::AlertView::visibleAlert()->tapButton(
        ui::AlertView::visibleAlert()->firstOtherButtonIndex());
    loop.runUntilIdle();
    CalendarStore::requestAccess(record);
    loop.runUntilIdle();
    EXPECT_EQ(answers, (std::vector<bool>{false, false, true, true}));
    EXPECT_EQ(CalendarStore::authorizationStatus(), CalendarAuthorizationStatus::Authorized);
}

TEST_F(CalendarTest, AWithdrawnQuestionGoesDownUnansweredAndStoresNothing) {
    std::vector<bool> answers;
    auto record = [&](bool granted) { answers.push_back(granted); };
    CalendarStore::setAuthorizationStatus(CalendarAuthorizationStatus::NotDetermined);

    // Up: taken down without a click; a second withdrawal does nothing more.
    auto question = CalendarStore::requestAccess(record);
    ASSERT_NE(question, nullptr);
    ASSERT_NE(ui::AlertView::visibleAlert(), nullptr);
    question->withdraw();
    question->withdraw();
    loop.runUntilIdle();
    EXPECT_EQ(ui::AlertView::visibleAlert(), nullptr);

    // Waiting behind another alert: it leaves the queue and never comes up.
    auto other = ui::AlertView::create("", "Another question", {}, "OK");
    other->show();
    question = CalendarStore::requestAccess(record);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(ui::AlertView::queuedCount(), 1u);
    question->withdraw();
    EXPECT_EQ(ui::AlertView::queuedCount(), 0u);
    other->tapButton(other->cancelButtonIndex());
    loop.runUntilIdle();
    EXPECT_EQ(ui::AlertView::visibleAlert(), nullptr);
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(CalendarStore::authorizationStatus(), CalendarAuthorizationStatus::NotDetermined);

    // Answered: a late withdrawal changes nothing.
    question = CalendarStore::requestAccess(record);
    ASSERT_NE(ui::AlertView::visibleAlert(), nullptr);
    ui::AlertView::visibleAlert()->tapButton(
        ui::AlertView::visibleAlert()->firstOtherButtonIndex());
    question->withdraw();
    loop.runUntilIdle();
    EXPECT_EQ(answers, (std::vector<bool>{true}));
    EXPECT_EQ(CalendarStore::authorizationStatus(), CalendarAuthorizationStatus::Authorized);
}

TEST_F(CalendarTest, AddWritesAnEventFileAndOffersItCancelWritesNothing) {
    CalendarEvent event{"Launch", "Hall 2", "Bring friends", 1454293800, 1454297400};
    auto editor = EventEditor::create();
    editor->setEvent(event);
    ASSERT_TRUE(root->presentViewController(editor, true));
    loop.advance(1);
    EXPECT_EQ(editor->fieldText("Title:"), "Launch");
    EXPECT_EQ(editor->bodyText(), "Bring friends");
    editor->cancelButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    loop.advance(1);
    EXPECT_FALSE(editor->savedFile());
    EXPECT_TRUE(opened.empty());

    auto adding = EventEditor::create();
    adding->setEvent(event);
    ASSERT_TRUE(root->presentViewController(adding, true));
    loop.advance(1);
    EXPECT_EQ(adding->sendButton()->titleForState(ui::ControlStateNormal), "Add");
    adding->sendButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    loop.advance(1);
    ASSERT_TRUE(adding->savedFile());
    EXPECT_EQ(adding->savedFile()->parent_path().filename(), "Calendar");
    EXPECT_EQ(opened, (std::vector<std::string>{adding->savedFile()->string()}));
    auto text = AtomicFile::read(*adding->savedFile());
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("SUMMARY:Launch\r\n"), std::string::npos);
    EXPECT_EQ(root->presentedViewController(), nullptr);
}

// The folders the events and pictures go into are ours to fill: a link planted there would
// carry the user's file to wherever it points. Refused with the reason a link in the place of
// tmp/ gets, nothing written through it and its target left as it was.
TEST_F(CalendarTest, APlantedLinkForTheCalendarOrTheAlbumIsRefusedAndItsTargetUntouched) {
    testing::TempDir elsewhere;
    const fs::path calendar = AppPaths::documents() / EventEditor::kFolderName;
    fs::create_directory_symlink(elsewhere.path(), calendar);
    std::string tmpReason;
    fs::create_directory_symlink(elsewhere.path(), home.home() / "tmp");
    ASSERT_FALSE(AppPaths::privateTmp(&tmpReason));
    const std::string linkReason = tmpReason.substr(0, tmpReason.find(home.home().string()));

    LogSink::Capture log;
    auto adding = EventEditor::create();
    adding->setEvent({"Launch", "Hall 2", "Bring friends", 1454293800, 1454297400});
    ASSERT_TRUE(root->presentViewController(adding, true));
    loop.advance(1);
    adding->sendButton()->sendActionsForControlEvents(ui::ControlEventTouchUpInside);
    loop.advance(1);
    EXPECT_FALSE(adding->savedFile());
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(log.contains(linkReason + calendar.string())) << linkReason;
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
    EXPECT_TRUE(fs::is_symlink(calendar));

    // The album: the pictures folder itself may be a link (many keep it on another disk), the
    // album folder in it may not.
    testing::TempDir pictures;
    fs::create_directory(pictures / "moved");
    fs::create_directory_symlink(pictures / "moved", pictures / "Pictures");
    testing::ScopedEnv album(PhotoAlbum::kPicturesVariable, (pictures / "Pictures").string());
    const auto picture = gfx::Image::blank(3, 2);
    auto saved = PhotoAlbum::save(picture);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->parent_path(), pictures / "Pictures" / PhotoAlbum::kFolderName);
    fs::remove_all(pictures / "moved" / PhotoAlbum::kFolderName);
    fs::create_directory_symlink(elsewhere.path(), pictures / "moved" / PhotoAlbum::kFolderName);
    std::string error;
    EXPECT_FALSE(PhotoAlbum::save(picture, &error));
    EXPECT_EQ(error.rfind(linkReason, 0), 0u) << error;
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

}  // namespace
}  // namespace platform::services
