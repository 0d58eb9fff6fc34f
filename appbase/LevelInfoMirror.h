#pragma once

#include "appbase/ShellInterfaces.h"

namespace JTAppBase {

// The LevelInfo a level record hands to the shell. It reads through to the record while the
// record lives; the record detaches it when it dies, after which it answers defaults (id 0, no
// texts, the app's own layout, no app core) instead of touching freed memory.
class LevelInfoMirror : public LevelInfo {
  public:
    explicit LevelInfoMirror(JTLevelInfo* record) : record_(record) {}

    int32_t levelId() const override;
    int32_t webLevelId() const override;
    std::optional<std::string> name() const override;
    std::optional<std::string> helpMessage() const override;
    int32_t canvasLayout() const override;
    std::shared_ptr<ShellAppCore> appCore() const override;

    void detach() { record_ = nullptr; }

  private:
    JTLevelInfo* record_;
};

}  // namespace JTAppBase
