#include "ui/DropRule.h"

#include <algorithm>
#include <array>

#include "util/FileSystem.h"

namespace upd::form {

namespace {

constexpr std::array kDropFields{
    DropField{"ts1", "edUpdatesXMLPath", DropExpects::File},
    DropField{"ts2", "edUpdateFilesPath", DropExpects::Folder},
    DropField{"ts3", "edUpdFilePath", DropExpects::File},
};

bool IsOfKind(const std::string& path, DropExpects expects) {
    return expects == DropExpects::File ? FileExists(path) : DirectoryExists(path);
}

}  // namespace

std::optional<DropField> DropFieldOf(std::string_view page) {
    const auto found = std::find_if(kDropFields.begin(), kDropFields.end(),
                                    [page](const DropField& drop) { return drop.page == page; });
    if (found == kDropFields.end()) {
        return std::nullopt;
    }
    return *found;
}

std::optional<AcceptedDrop> JudgeDrop(std::string_view page, const DraggedItems& items) {
    const std::optional<DropField> target = DropFieldOf(page);
    if (!target || items.size() != 1 || !items.front()) {
        return std::nullopt;
    }
    const std::string& path = *items.front();
    if (!PathFitsCodePage(path) || !IsOfKind(path, target->expects)) {
        return std::nullopt;
    }
    return AcceptedDrop{target->field, path};
}

}  // namespace upd::form
