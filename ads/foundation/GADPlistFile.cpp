#include "ads/foundation/GADPlistFile.h"

#include "ads/foundation/GADInternalError.h"
#include "platform/storage/FileBytes.h"
#include "platform/storage/PropertyList.h"

namespace ads {

std::optional<platform::Value> GADDictionaryWithPlistFile(const std::filesystem::path& path,
                                                          platform::Error* error) {
    auto bytes = platform::FileBytes::read(path, nullptr);
    if (!bytes) {
        if (error) *error = gad_errorWithCode(GADInternalErrorCode::FileCouldNotBeRead);
        return std::nullopt;
    }
    auto list = platform::PropertyList::parse(*bytes, error);
    if (!list || !list->isDictionary()) return std::nullopt;
    return list;
}

}  // namespace ads
