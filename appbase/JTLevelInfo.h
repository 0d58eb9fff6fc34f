#pragma once

#include <cstdint>
#include <memory>

#include "core/JTString.h"
#include "core/JTWeakPtr.h"

namespace JTAppBase {

class JTAppContext;
class LevelInfo;
class LevelInfoMirror;

class JTLevelInfo;
using JTLevelInfoPtr = boost::intrusive_ptr<JTLevelInfo>;

// One playable level: its ids, texts, layout and, for a downloaded level, the facts about its
// data. The record owns the shell's view of it (LevelInfo), so screens and score files can read
// a level without knowing game-core types.
class JTLevelInfo : public JTCore::JTObject {
  public:
    JTLevelInfo(const boost::intrusive_ptr<JTAppContext>& context, int32_t id);
    ~JTLevelInfo() override;

    virtual int32_t getId() const { return id_; }
    virtual JTCore::JTStringPtr getTitle() const { return title_; }
    virtual void setTitle(JTCore::JTStringPtr title) { title_ = std::move(title); }
    // The web service knows most levels by their own id; 0 means exactly that.
    virtual int32_t getWebLevelId() const { return webLevelId_ != 0 ? webLevelId_ : id_; }
    virtual void setWebLevelId(int32_t id) { webLevelId_ = id; }
    virtual JTCore::JTStringPtr getDescription() const { return description_; }
    virtual void setDescription(JTCore::JTStringPtr d) { description_ = std::move(d); }
    // -1: the app's own layout.
    virtual int32_t getCanvasLayout() const { return canvasLayout_; }
    virtual void setCanvasLayout(int32_t layout) { canvasLayout_ = layout; }
    // Empty once the context is gone; the record keeps working without it.
    virtual boost::intrusive_ptr<JTAppContext> getAppContext() const;
    // -1: none.
    virtual int64_t getDataHash() const { return dataHash_; }
    virtual void setDataHash(int64_t hash) { dataHash_ = hash; }
    virtual int64_t getFlags() const { return flags_; }
    virtual void setFlags(int64_t flags) { flags_ = flags; }
    virtual bool isDownloaded() const { return downloaded_; }
    virtual void setDownloaded(bool downloaded) { downloaded_ = downloaded; }
    virtual int32_t getDataSize() const { return dataSize_; }
    virtual void setDataSize(int32_t size) { dataSize_ = size; }

    // The shell's view of this record; it outlives the record only as an empty shell.
    std::shared_ptr<LevelInfo> mirror() const;

  private:
    const int32_t id_;
    int32_t webLevelId_ = 0;
    int32_t canvasLayout_ = -1;
    JTCore::JTStringPtr title_;
    JTCore::JTStringPtr description_;
    int64_t dataHash_ = -1;
    int32_t dataSize_ = 0;
    int64_t flags_ = 0;
    JTCore::JTWeakPtr<JTAppContext> context_;
    bool downloaded_ = false;
    std::shared_ptr<LevelInfoMirror> mirror_;
};

JTLevelInfoPtr NewJTLevelInfo(const boost::intrusive_ptr<JTAppContext>& context, int32_t id);
JTLevelInfoPtr DynamicCastLevelInfo(const JTCore::JTObjectPtr& obj);

}  // namespace JTAppBase
