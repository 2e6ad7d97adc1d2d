#include "ui/DropRule.h"

#include <algorithm>

#include "ui/InteractionServices.h"
#include "util/FileSystem.h"

namespace upd::form {

namespace {

// What the field's file chooser would show; a folder field has no filter.
bool PassesFilter(const std::string& path, const Control& field) {
    const ChooserFilter filter = ChooserFilter::Parse(field.filter);
    if (field.takes == Takes::Folder || filter.patterns.empty()) {
        return true;
    }
    const std::string name = FromPath(ToPath(path).filename());
    return std::any_of(
        filter.patterns.begin(), filter.patterns.end(),
        [&name](const std::string& pattern) { return FileNameMatches(name, pattern); });
}

}  // namespace

bool TakesPath(const Control& field, const std::string& path) {
    const bool ofKind = field.takes == Takes::Folder ? DirectoryExists(path) : FileExists(path);
    return field.takes != Takes::Nothing && PathFitsCodePage(path) && ofKind &&
           PassesFilter(path, field);
}

std::optional<Control> DropFieldOf(std::string_view page) {
    const auto& pages = MainForm().pages;
    const auto described = std::find_if(pages.begin(), pages.end(),
                                        [page](const Page& each) { return each.name == page; });
    if (described == pages.end()) {
        return std::nullopt;
    }
    const auto field =
        std::find_if(described->controls.begin(), described->controls.end(),
                     [](const Control& control) { return control.takes != Takes::Nothing; });
    if (field == described->controls.end()) {
        return std::nullopt;
    }
    return *field;
}

std::optional<AcceptedDrop> JudgeDrop(std::string_view page, const DraggedItems& items,
                                      bool stepRunning) {
    const std::optional<Control> target = DropFieldOf(page);
    if (stepRunning || !target || items.size() != 1 || !items.front()) {
        return std::nullopt;
    }
    const std::string& path = *items.front();
    if (!TakesPath(*target, path)) {
        return std::nullopt;
    }
    return AcceptedDrop{target->field, path};
}

}  // namespace upd::form
