#pragma once

// What the window's buttons do, written once for both windows: each runs against the
// window's fields and its InteractionServices.

#include <string>

#include "ui/FormDescription.h"
#include "ui/InteractionServices.h"

namespace upd::form {

// A window's fields, as text (UTF-8).
class Fields {
  public:
    virtual ~Fields() = default;
    virtual std::string Read(Field field) const = 0;
    virtual void Set(Field field, const std::string& text) = 0;
};

// Runs the button's handler (btnGenerateUpdatesClick, ...). Failures are thrown for the
// window's exception handler; the commands' long steps go to services.RunStep.
void RunHandler(const Control& button, Fields& fields, InteractionServices& services);

}  // namespace upd::form
