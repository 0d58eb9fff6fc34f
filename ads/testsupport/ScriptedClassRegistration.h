#pragma once

// A scripted adapter class registered under a fresh name for one test, with the record its
// instances write their calls into; the class is taken out of the registry when this goes.

#include <memory>
#include <string>

#include "platform/runtime/ClassRegistry.h"

namespace ads::testing {

template <typename Record>
class ScriptedClassRegistration {
  public:
    ScriptedClassRegistration(std::string name, std::shared_ptr<Record> record)
        : name_(std::move(name)), record_(std::move(record)) {}
    ~ScriptedClassRegistration() { platform::ClassRegistry::shared().unregisterClass(name_); }
    ScriptedClassRegistration(const ScriptedClassRegistration&) = delete;
    ScriptedClassRegistration& operator=(const ScriptedClassRegistration&) = delete;
    const std::string& name() const { return name_; }
    Record& record() const { return *record_; }

  protected:
    const std::shared_ptr<Record>& sharedRecord() const { return record_; }

  private:
    std::string name_;
    std::shared_ptr<Record> record_;
};

}  // namespace ads::testing
