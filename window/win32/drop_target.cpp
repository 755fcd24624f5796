#include "window/win32/drop_target.h"

#include <utility>

DropTarget::DropTarget(std::function<bool()> accepting, std::function<void(IDataObject*)> dropped)
    : accepting_(std::move(accepting)), dropped_(std::move(dropped)) {}

HRESULT STDMETHODCALLTYPE DropTarget::QueryInterface(REFIID id, void** object) {
    if (object == nullptr) return E_POINTER;
    if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DropTarget::AddRef() {
    return ++references_;
}

ULONG STDMETHODCALLTYPE DropTarget::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

// Never report a move back to the source: the shell would then delete the
// original. Copy (or link) when offered; otherwise nothing.
void DropTarget::answer(DWORD* effect) const {
    if (!accepting_())
        *effect = DROPEFFECT_NONE;
    else if (*effect & DROPEFFECT_COPY)
        *effect = DROPEFFECT_COPY;
    else if (*effect & DROPEFFECT_LINK)
        *effect = DROPEFFECT_LINK;
    else
        *effect = DROPEFFECT_NONE;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) {
    answer(effect);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragOver(DWORD, POINTL, DWORD* effect) {
    answer(effect);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::DragLeave() {
    return S_OK;
}

HRESULT STDMETHODCALLTYPE DropTarget::Drop(IDataObject* data, DWORD, POINTL, DWORD* effect) {
    answer(effect);
    if (*effect != DROPEFFECT_NONE) dropped_(data);
    return S_OK;
}
