#include "appbase/LevelInfoMirror.h"

#include "appbase/JTAppContext.h"
#include "appbase/JTLevelInfo.h"

namespace JTAppBase {

namespace {
std::optional<std::string> textOf(const JTCore::JTStringPtr& s) {
    if (!s) return std::nullopt;
    return s->toUtf8();
}
}  // namespace

int32_t LevelInfoMirror::levelId() const {
    return record_ ? record_->getId() : 0;
}

int32_t LevelInfoMirror::webLevelId() const {
    return record_ ? record_->getWebLevelId() : 0;
}

std::optional<std::string> LevelInfoMirror::name() const {
    return record_ ? textOf(record_->getTitle()) : std::nullopt;
}

std::optional<std::string> LevelInfoMirror::helpMessage() const {
    return record_ ? textOf(record_->getDescription()) : std::nullopt;
}

int32_t LevelInfoMirror::canvasLayout() const {
    return record_ ? record_->getCanvasLayout() : -1;
}

std::shared_ptr<ShellAppCore> LevelInfoMirror::appCore() const {
    if (!record_) return nullptr;
    auto context = record_->getAppContext();
    return context ? context->getAppCore() : nullptr;
}

}  // namespace JTAppBase
