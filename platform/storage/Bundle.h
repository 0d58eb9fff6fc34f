#pragma once

// The application bundle: the folder of resources the program ships with (the build copies
// assets/ into it), its Info.plist, and resource lookup by name and type.
//
// The main bundle is, in this order: the path given to setMainBundlePath, $MOVUROUTE_BUNDLE,
// or the first folder named "bundle" or "assets" found beside the executable or up to three
// folders above it (build trees keep the program one or two levels below the bundle).

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Value.h"

namespace platform {

class Bundle {
  public:
    // A new instance whenever the main bundle's path changes, so a test that moves the bundle
    // never sees the old Info.plist.
    static std::shared_ptr<const Bundle> mainBundle();
    static void setMainBundlePath(std::optional<std::filesystem::path> path);
    static std::filesystem::path defaultMainBundlePath();

    explicit Bundle(std::filesystem::path path);

    const std::filesystem::path& bundlePath() const { return path_; }

    // Info.plist, read once; an empty dictionary when it is missing or unreadable (logged).
    const Value& infoDictionary() const;
    const Value& objectForInfoDictionaryKey(std::string_view key) const;
    std::string bundleIdentifier() const;

    // <bundle>/<subdirectory>/<name>.<type>, then the same under Base.lproj and en.lproj.
    // The type may be empty (the name carries its extension) or start with a dot. Names that
    // climb out of the bundle ("..", absolute paths) find nothing.
    std::optional<std::filesystem::path> pathForResource(std::string_view name,
                                                         std::string_view type,
                                                         std::string_view subdirectory = {}) const;

  private:
    std::filesystem::path path_;
    mutable std::once_flag infoOnce_;
    mutable Value info_;
};

}  // namespace platform
