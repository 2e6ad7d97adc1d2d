#pragma once

#include <functional>

#include "ui/DropRule.h"

class QDropEvent;
class QMimeData;
class QTabWidget;
class QWidget;

namespace upd {

namespace form {
class Fields;
}

// The paths of a drag of files and folders (a folder without its trailing '/', as the chooser
// gives it); anything else is one item that is not a path.
form::DraggedItems DraggedItemsOf(const QMimeData* data);
// Copy or link, never move: after a move the drag's source deletes what it dragged. False when
// the drag offers neither.
bool ChooseHarmlessAction(QDropEvent& event);

// Files and folders dropped anywhere on the window fill the shown page's path field, as its
// chooser would (ui/DropRule.h), through fields. A drag the page cannot take, and any drag while
// stepRunning answers true, is refused while it passes over the window, so the cursor shows that
// it cannot drop. The window takes over every drop, also the text an edit field would otherwise
// take in.
void AcceptDropsOnPages(QWidget& window, QTabWidget& pages, form::Fields& fields,
                        std::function<bool()> stepRunning);

}  // namespace upd
