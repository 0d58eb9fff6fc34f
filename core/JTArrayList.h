#pragma once

#include <vector>

#include "core/JTObject.h"

namespace JTCore {

// Ordered list of object references; every element holds one reference.
class JTArrayList : public JTObject {
  public:
    JTArrayList() = default;
    ~JTArrayList() override;

    void add(const JTObjectPtr& obj);
    // get and remove throw std::out_of_range("out of range") for i < 0 or i >= size.
    JTObjectPtr get(int32_t i) const;
    void remove(int32_t i);
    void clear();
    int32_t size() const { return static_cast<int32_t>(items_.size()); }

  private:
    void checkIndex(int32_t i) const;

    std::vector<JTObjectPtr> items_;
};

using JTArrayListPtr = boost::intrusive_ptr<JTArrayList>;

}  // namespace JTCore
