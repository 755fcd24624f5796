#include "window/win32/drop_target.h"

#include <utility>

DropTarget::DropTarget(std::function<DropAnswer(bool, bool)> answer, std::function<void(IDataObject*)> dropped)
    : answer_(std::move(answer)), dropped_(std::move(dropped)) {}

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

bool DropTarget::answer(DWORD* effect) const {
    const DropAnswer chosen = answer_((*effect & DROPEFFECT_COPY) != 0, (*effect & DROPEFFECT_LINK) != 0);
    *effect = chosen == DropAnswer::copy ? DROPEFFECT_COPY : chosen == DropAnswer::link ? DROPEFFECT_LINK
                                                                                     : DROPEFFECT_NONE;
    return chosen != DropAnswer::refuse;
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
    if (answer(effect)) dropped_(data);
    return S_OK;
}
