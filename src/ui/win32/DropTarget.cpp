#include "ui/win32/DropTarget.h"

#include <commctrl.h>
#include <ole2.h>
#include <shellapi.h>

#include <optional>
#include <utility>

#include "ui/DropRule.h"
#include "ui/ExceptionRouting.h"
#include "ui/FormDescription.h"
#include "ui/win32/WideText.h"

namespace upd::win32 {

namespace {

class StorageMedium {
  public:
    StorageMedium() = default;
    ~StorageMedium() { ReleaseStgMedium(&medium_); }
    StorageMedium(const StorageMedium&) = delete;
    StorageMedium& operator=(const StorageMedium&) = delete;
    STGMEDIUM* operator&() { return &medium_; }
    HGLOBAL Global() const { return medium_.tymed == TYMED_HGLOBAL ? medium_.hGlobal : nullptr; }

  private:
    STGMEDIUM medium_{};
};

}  // namespace

form::DraggedItems DraggedItemsOf(IDataObject& data) {
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    StorageMedium medium;
    if (FAILED(data.GetData(&format, &medium)) || medium.Global() == nullptr) {
        return {std::nullopt};
    }
    auto* drop = static_cast<HDROP>(medium.Global());
    form::DraggedItems items;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        std::wstring path(DragQueryFileW(drop, index, nullptr, 0) + 1, L'\0');
        path.resize(DragQueryFileW(drop, index, path.data(), UINT(path.size())));
        items.emplace_back(Utf8(path));
    }
    return items;
}

DWORD HarmlessEffect(DWORD allowed) {
    for (const DWORD effect : {DROPEFFECT_COPY, DROPEFFECT_LINK}) {
        if (allowed & effect) {
            return effect;
        }
    }
    return DROPEFFECT_NONE;
}

namespace {

class AnsweringDropTarget final : public IDropTarget {
  public:
    explicit AnsweringDropTarget(DropAnswer answer) : answer_(std::move(answer)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget) ? this : nullptr;
        if (*object == nullptr) {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD, POINTL point,
                                        DWORD* effect) override {
        items_ = data ? DraggedItemsOf(*data) : form::DraggedItems{};
        return Answer(point, effect, false);
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL point, DWORD* effect) override {
        return Answer(point, effect, false);
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override {
        items_.clear();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD, POINTL point, DWORD* effect) override {
        items_ = data ? DraggedItemsOf(*data) : form::DraggedItems{};
        const HRESULT result = Answer(point, effect, true);
        items_.clear();
        return result;
    }

  private:
    HRESULT Answer(POINTL point, DWORD* effect, bool drop) {
        if (effect == nullptr) {
            return E_INVALIDARG;
        }
        const DWORD allowed = *effect;
        *effect = DROPEFFECT_NONE;
        RunGuarded([&] { *effect = answer_(items_, {point.x, point.y}, allowed, drop); });
        return S_OK;
    }

    LONG references_ = 1;
    DropAnswer answer_;
    form::DraggedItems items_;
};

// The shown page's drop rule (ui/DropRule.h).
DropAnswer PageAnswer(HWND pageTabs, form::Fields& fields, std::function<bool()> stepRunning) {
    return [pageTabs, &fields, stepRunning = std::move(stepRunning)](
               const form::DraggedItems& items, POINT, DWORD allowed, bool drop) -> DWORD {
        const auto page = SendMessageW(pageTabs, TCM_GETCURSEL, 0, 0);
        const auto& pages = form::MainForm().pages;
        if (page < 0 || size_t(page) >= pages.size()) {
            return DROPEFFECT_NONE;
        }
        const auto accepted = form::JudgeDrop(pages[size_t(page)].name, items, stepRunning());
        const DWORD effect = accepted ? HarmlessEffect(allowed) : DROPEFFECT_NONE;
        if (drop && effect != DROPEFFECT_NONE) {
            fields.Set(accepted->field, accepted->path);
        }
        return effect;
    };
}

}  // namespace

IDropTarget* NewDropTarget(DropAnswer answer) {
    return new AnsweringDropTarget(std::move(answer));
}

DropRegistration::DropRegistration(HWND window, HWND pageTabs, form::Fields& fields,
                                   std::function<bool()> stepRunning)
    : window_(window) {
    // Made first, so that nothing is left to undo if it fails.
    IDropTarget* target = NewDropTarget(PageAnswer(pageTabs, fields, std::move(stepRunning)));
    // Fails on a thread of another apartment: the window then simply takes no drops.
    oleReady_ = SUCCEEDED(OleInitialize(nullptr));
    registered_ = oleReady_ && SUCCEEDED(RegisterDragDrop(window, target));
    target->Release();  // the registration holds it now, or nobody does
    if (registered_) {
        SetWindowSubclass(window, &Subclass, 0, reinterpret_cast<DWORD_PTR>(this));
    }
}

DropRegistration::~DropRegistration() {
    Revoke();
    if (oleReady_) {
        OleUninitialize();
    }
}

// The target must be revoked while its window still exists, or OLE keeps it.
LRESULT CALLBACK DropRegistration::Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR self) {
    if (message == WM_DESTROY) {
        reinterpret_cast<DropRegistration*>(self)->Revoke();
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

void DropRegistration::Revoke() {
    if (registered_) {
        registered_ = false;
        RemoveWindowSubclass(window_, &Subclass, 0);
        RevokeDragDrop(window_);
    }
}

}  // namespace upd::win32
