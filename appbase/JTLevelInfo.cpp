#include "appbase/JTLevelInfo.h"

#include "appbase/JTAppContext.h"
#include "appbase/LevelInfoMirror.h"

namespace JTAppBase {

JTLevelInfo::JTLevelInfo(const boost::intrusive_ptr<JTAppContext>& context, int32_t id)
    : id_(id), context_(context) {
    mirror_ = std::make_shared<LevelInfoMirror>(this);
}

JTLevelInfo::~JTLevelInfo() {
    // The game view or a score screen may still hold the mirror; it must not reach a dead record.
    if (mirror_) mirror_->detach();
    mirror_.reset();
}

boost::intrusive_ptr<JTAppContext> JTLevelInfo::getAppContext() const {
    return context_.lock();
}

std::shared_ptr<LevelInfo> JTLevelInfo::mirror() const {
    return mirror_;
}

JTLevelInfoPtr NewJTLevelInfo(const boost::intrusive_ptr<JTAppContext>& context, int32_t id) {
    return JTCore::JTNew<JTLevelInfo>(context, id);
}

JTLevelInfoPtr DynamicCastLevelInfo(const JTCore::JTObjectPtr& obj) {
    return JTLevelInfoPtr(dynamic_cast<JTLevelInfo*>(obj.get()));
}

}  // namespace JTAppBase
