#pragma once

#include <windows.h>

#include <functional>

#include "ui/FormActions.h"

#include <ole2.h>

#include "ui/DropRule.h"

namespace upd::win32 {

// The paths of a drag of files and folders; anything else is one item that is not a path.
form::DraggedItems DraggedItemsOf(IDataObject& data);
// Copy or link, never move: after a move the drag's source deletes what it dragged.
DWORD HarmlessEffect(DWORD allowed);

// How a window answers a drag of items over a point of the screen: the effect it would take
// them with (HarmlessEffect(allowed)) or DROPEFFECT_NONE; when drop is true it takes them too.
using DropAnswer =
    std::function<DWORD(const form::DraggedItems& items, POINT screen, DWORD allowed, bool drop)>;

// An OLE drop target that asks answer at each move of a drag and at the drop, where the items
// are read again (they may have gone meanwhile). Nothing unwinds into OLE: a failure refuses
// the drop and reaches the error dialog. Holds one reference for the caller to release.
IDropTarget* NewDropTarget(DropAnswer answer);

// Files and folders dropped onto the window fill the shown page's path field, as its chooser
// would (ui/DropRule.h), through fields. An OLE drop target answers "no drop" while a drag the page
// cannot take passes over the window, and to any drag while stepRunning answers true
// (WM_DROPFILES could not refuse it). Registered from creation
// until the window is destroyed; OLE is initialized on the window's thread meanwhile.
class DropRegistration {
  public:
    // pageTabs: the tab control whose selected page is the shown one.
    DropRegistration(HWND window, HWND pageTabs, form::Fields& fields,
                     std::function<bool()> stepRunning);
    ~DropRegistration();
    DropRegistration(const DropRegistration&) = delete;
    DropRegistration& operator=(const DropRegistration&) = delete;

  private:
    static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
    void Revoke();

    HWND window_;
    bool oleReady_ = false;
    bool registered_ = false;
};

}  // namespace upd::win32
