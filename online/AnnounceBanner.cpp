// The banner of the game-over screen, built from the cached list and images, and the actions
// behind its buttons.

#include <map>

#include "online/AnnounceBanner.h"

#include "online/AnnounceAppCore.h"
#include "online/AnnounceCache.h"
#include "online/AnnounceCheck.h"
#include "online/AnnounceHost.h"
#include "online/AnnounceInfo.h"
#include "online/AnnounceText.h"
#include "platform/gfx/Image.h"
#include "platform/runtime/MainLoop.h"
#include "platform/runtime/WeakCall.h"
#include "platform/storage/PropertyList.h"
#include "platform/ui/Button.h"
#include "platform/ui/ImageView.h"
#include "platform/ui/View.h"
#include "util/LogMessage.h"

namespace fs = std::filesystem;

namespace online {

using platform::ui::ImagePtr;

namespace {

// A banner picture is a few hundred points wide; a side beyond this is damage.
constexpr uint32_t kMaxImageSide = 2048;
// The vertical squeeze and shift that leave room for an iAd banner in landscape.
constexpr double kIAdScaleY = 0.896875;
constexpr double kIAdShiftY = 16.5;

const std::string* stringAt(const platform::Value& row, std::size_t index) {
    const platform::Value& v = row.at(index);
    return v.isString() ? &v.stringRef() : nullptr;
}

// The size a PNG declares in its header, read before anything is decoded: a small file may
// declare a picture of gigabytes.
bool pngSizeIsSane(const std::string& bytes) {
    static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() < 24 ||
        bytes.compare(0, 8, reinterpret_cast<const char*>(kSignature), 8) != 0 ||
        bytes.compare(12, 4, "IHDR") != 0) {
        return false;
    }
    auto word = [&](std::size_t at) {
        uint32_t v = 0;
        for (std::size_t i = 0; i < 4; ++i)
            v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
        return v;
    };
    uint32_t width = word(16);
    uint32_t height = word(20);
    return width > 0 && height > 0 && width <= kMaxImageSide && height <= kMaxImageSide;
}

ImagePtr loadCachedImage(const std::string& key, AnnounceCache& cache, const fs::path& cacheDir,
                         const AnnounceInfo& info) {
    const char* caller = "-[AnnounceManager getImageForKey:cacheDir:announceInfo:images:]";
    auto row = info.files.find(key);
    if (row == info.files.end()) return nullptr;
    auto ref = AnnounceInfo::processFileCmd(row->second);
    if (!ref) return nullptr;
    auto bytes = cache.read(cacheDir, ref->cacheFilename, AnnounceCheck::kMaxDownloadBytes);
    if (!bytes) return nullptr;
    std::string error;
    if (!pngSizeIsSane(*bytes)) {
        util::LogMessage(caller, 1, "AM:not a banner picture: " + ref->cacheFilename);
        return nullptr;
    }
    auto pixels = platform::gfx::Image::decodePng(
        reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size(), &error);
    if (!pixels) {
        util::LogMessage(caller, 1, "AM:not an image: " + ref->cacheFilename + " " + error);
        return nullptr;
    }
    platform::Size size{double(pixels->width()), double(pixels->height())};
    return std::make_shared<platform::ui::Image>(
        ref->cacheFilename, size, std::make_shared<const platform::gfx::Image>(std::move(*pixels)));
}

}  // namespace

std::shared_ptr<AnnounceBanner> AnnounceBanner::create(AnnounceHost& host,
                                                       std::shared_ptr<AnnounceCache> cache) {
    return std::make_shared<AnnounceBanner>(Private{}, host, std::move(cache));
}

AnnounceBanner::AnnounceBanner(Private, AnnounceHost& host, std::shared_ptr<AnnounceCache> cache)
    : host_(host), cache_(std::move(cache)) {}

void AnnounceBanner::showOn(const std::shared_ptr<platform::ui::View>& parent,
                            const std::shared_ptr<platform::ui::View>& alternative,
                            platform::Point position, int alignX, int alignY) {
    close();
    parentView_ = parent;
    const bool dirty = dirty_;
    dirty_ = false;
    if (!view_ || dirty) {
        if (!build() || !view_) return;
    }
    if (!parentView_) return;

    platform::Rect bounds = view_->bounds();
    view_->setCenter({position.x - bounds.size.width * 0.5 * alignX,
                      position.y - bounds.size.height * 0.5 * alignY});
    view_->setAlpha(1.0);
    view_->setUserInteractionEnabled(true);
    parentView_->insertSubview(view_, 0);

    auto core = host_.appCore();
    if (core && core->landscape() && core->canShowIAd()) {
        // Shift first, then squeeze: the translation is in the banner's unscaled units.
        view_->setTransform(
            platform::AffineTransform::scale(1, kIAdScaleY).translated(0, kIAdShiftY));
    } else {
        view_->setTransform(platform::AffineTransform::identity());
    }
    if (alternative && alternative->superview()) alternative->removeFromSuperview();
}

void AnnounceBanner::close() {
    if (view_) view_->removeFromSuperview();
    parentView_ = nullptr;
}

void AnnounceBanner::clear() {
    if (view_) view_->removeFromSuperview();
    view_ = nullptr;
    currentAnnounceInfo_ = nullptr;
    selectOptions_.clear();
    selectActionSheet_ = nullptr;
}

bool AnnounceBanner::build() {
    clear();
    auto cacheDir = host_.prepareCacheDir();
    if (!cacheDir) return false;
    return buildSub(*cacheDir);
}

bool AnnounceBanner::buildSub(const fs::path& cacheDir) {
    const char* caller = "-[AnnounceManager buildBannerSub]";
    auto bytes =
        cache_->read(cacheDir, AnnounceCache::kAnnounceFileName, AnnounceCheck::kMaxDownloadBytes);
    if (!bytes) return false;
    platform::Error error;
    auto root = platform::PropertyList::parse(*bytes, &error);
    if (!root) {
        util::LogMessage(caller, 1, "AM:announce load err:" + error.localizedDescription());
        return false;
    }
    if (!root->isArray()) return false;
    auto info = std::make_shared<AnnounceInfo>();
    if (!info->parse(*root)) {
        util::LogMessage(caller, 1, "AM:announce parse failure");
        return false;
    }
    if (info->uiitems.empty()) return false;

    std::map<std::string, ImagePtr> images;
    auto imageFor = [&](const platform::Value& keyValue) -> ImagePtr {
        if (!keyValue.isString()) return nullptr;
        const std::string& key = keyValue.stringRef();
        auto found = images.find(key);
        if (found != images.end()) return found->second;
        ImagePtr image = loadCachedImage(key, *cache_, cacheDir, *info);
        images[key] = image;
        return image;
    };

    auto view = platform::ui::View::create(
        platform::Rect(0, 0, info->viewSize.width, info->viewSize.height));
    bool anyPicture = false;
    for (std::size_t i = 0; i < info->uiitems.size(); ++i) {
        const platform::Value& item = info->uiitems[i];
        const std::string* cmd = stringAt(item, 0);
        double x = AnnounceDoubleValue(item.at(1));
        double y = AnnounceDoubleValue(item.at(2));
        ImagePtr image = imageFor(item.at(3));
        anyPicture = anyPicture || image;
        platform::Size size = image ? image->size() : platform::Size{};
        platform::Rect frame(x, y, size.width, size.height);
        if (cmd && *cmd == "UB") {
            auto button = platform::ui::Button::create(platform::ui::ButtonType::Custom, frame);
            button->setImage(image, platform::ui::ControlStateNormal);
            button->setTag(static_cast<int>(i));
            button->addTarget(
                platform::weakCall(weak_from_this(),
                                   [](AnnounceBanner& self, platform::ui::Control* control) {
                                       if (control) self.buttonAction(control->tag());
                                   }),
                platform::ui::ControlEventTouchUpInside);
            view->addSubview(button);
        } else if (cmd && *cmd == "UI") {
            auto imageView = platform::ui::ImageView::create(image, frame);
            imageView->setUserInteractionEnabled(false);
            view->addSubview(imageView);
        } else {
            util::LogMessage(caller, 1, "Unknown item: " + item.description());
        }
    }
    // Without a single picture the banner would be an empty band over what it replaces (the
    // game-over screen's thanks line): no banner then.
    if (!anyPicture) {
        util::LogMessage(caller, 1, "AM:banner has no picture to show");
        return false;
    }
    currentAnnounceInfo_ = info;
    view_ = view;
    return true;
}

void AnnounceBanner::buttonAction(int tag) {
    util::LogMessage("-[AnnounceManager buttonAction:]", 1,
                     "AM:button pushed:" + std::to_string(tag));
    auto info = currentAnnounceInfo_;
    if (!info || tag < 0 || static_cast<std::size_t>(tag) >= info->uiitems.size()) return;
    if (const std::string* key = stringAt(info->uiitems[tag], 4)) doActionNamed(*info, *key);
}

void AnnounceBanner::doActionNamed(const AnnounceInfo& info, const std::string& key) {
    auto action = info.actions.find(key);
    if (action == info.actions.end()) return;
    // A copy: the action may rebuild what holds the row.
    platform::Value row = action->second;
    doAction(row);
}

void AnnounceBanner::doAction(const platform::Value& row) {
    const std::string* cmd = stringAt(row, 0);
    if (!cmd) return;
    if (*cmd == "AU") {
        if (const std::string* url = stringAt(row, 2)) host_.openUrl(*url);
    } else if (*cmd == "AS") {
        const std::string* title = stringAt(row, 2);
        selectOptions_ = row.at(3).asArray();
        auto sheet =
            platform::ui::ActionSheet::create(title ? *title : std::string(), weak_from_this());
        for (const platform::Value& option : selectOptions_) {
            const std::string* optionTitle = stringAt(option, 0);
            // Every option gets a button, titled or not, so button indices stay option indices.
            sheet->addButtonWithTitle(optionTitle ? *optionTitle : std::string());
        }
        sheet->setCancelButtonIndex(sheet->addButtonWithTitle("Cancel"));
        selectActionSheet_ = sheet;
        if (parentView_) sheet->showInView(parentView_);
    }
}

void AnnounceBanner::actionSheetClickedButtonAtIndex(platform::ui::ActionSheet& sheet, int index) {
    if (&sheet != selectActionSheet_.get()) return;
    // Released before the chosen action runs, so an action that opens another sheet keeps
    // that sheet and its options.
    platform::Value::Array options = std::move(selectOptions_);
    selectOptions_.clear();
    std::shared_ptr<platform::ui::ActionSheet> finished = std::move(selectActionSheet_);
    selectActionSheet_ = nullptr;
    // The sheet is inside its own callback; it goes on a later turn.
    platform::MainLoop::main().post([finished]() {});

    if (index < 0 || static_cast<std::size_t>(index) >= options.size()) return;
    const std::string* key = stringAt(options[index], 1);
    auto info = currentAnnounceInfo_;
    if (key && info) doActionNamed(*info, *key);
}
}  // namespace online
