#pragma once

#include <string>

namespace upd {

// How a command talks to the user. Every call is modal; an empty result means "cancelled".
class InteractionServices {
  public:
    virtual ~InteractionServices() = default;
    virtual std::string ChooseFolder(const std::string& caption) = 0;
    // filter is "Display name|*.ext".
    virtual std::string ChooseFile(const std::string& filter, const std::string& title) = 0;
    virtual void ShowInfo(const std::string& text) = 0;
};

}  // namespace upd
