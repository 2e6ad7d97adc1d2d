#pragma once

#include <functional>

class QTabWidget;
class QWidget;

namespace upd {

namespace form {
class Fields;
}

// Files and folders dropped anywhere on the window fill the shown page's path field, as its
// chooser would (ui/DropRule.h), through fields. A drag the page cannot take, and any drag while
// stepRunning answers true, is refused while it passes over the window, so the cursor shows that
// it cannot drop. The window takes over every drop, also the text an edit field would otherwise
// take in.
void AcceptDropsOnPages(QWidget& window, QTabWidget& pages, form::Fields& fields,
                        std::function<bool()> stepRunning);

}  // namespace upd
