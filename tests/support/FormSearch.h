#pragma once

#include <optional>
#include <string_view>

#include "ui/FormDescription.h"

namespace updtest {

// The control of that name on any page of the window's description.
inline std::optional<upd::form::Control> FindControl(std::string_view name) {
    for (const upd::form::Page& page : upd::form::MainForm().pages) {
        for (const upd::form::Control& control : page.controls) {
            if (control.name == name) {
                return control;
            }
        }
    }
    return std::nullopt;
}

}  // namespace updtest
