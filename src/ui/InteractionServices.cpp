#include "ui/InteractionServices.h"

#include "util/Texts.h"

namespace upd {

ChooserFilter ChooserFilter::Parse(std::string_view text) {
    const std::size_t bar = text.find('|');
    ChooserFilter filter{std::string(text.substr(0, bar)), {}};
    if (bar == std::string_view::npos) {
        return filter;
    }
    std::string_view patterns = text.substr(bar + 1);
    while (!patterns.empty()) {
        const std::size_t semicolon = patterns.find(';');
        const std::string_view pattern = patterns.substr(0, semicolon);
        if (!pattern.empty()) {
            filter.patterns.emplace_back(pattern);
        }
        patterns = semicolon == std::string_view::npos ? "" : patterns.substr(semicolon + 1);
    }
    return filter;
}

std::string ChooserFilter::Text() const {
    std::string text = name + "|";
    for (std::size_t i = 0; i < patterns.size(); ++i) {
        text += (i == 0 ? "" : ";") + patterns[i];
    }
    return text;
}

AfterStep SayDoneUnlessCancelled(InteractionServices& services) {
    return [&services](StepResult result) {
        if (result == StepResult::Done) {
            services.ShowInfo(std::string(text::kDone));
        }
    };
}

}  // namespace upd
