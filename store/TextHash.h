#pragma once

#include <QString>

#include <functional>
#include <string_view>

namespace store
{

// A plain, fast hash for the keys of the snapshot's indexes and the statement cache. No seed is
// needed: the keys are the school's own data and the station's own statements.
struct TextHash {
    size_t operator()(const QString& text) const noexcept
    {
        return std::hash<std::u16string_view>{}(
            std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), text.size()));
    }
};

} // namespace store
