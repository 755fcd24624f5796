// An OLE drop target that answers drags as the form says and hands every drop
// it takes to a callback.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <functional>

#include "window/form1_model.h"

class DropTarget final : public IDropTarget {
public:
    DropTarget(std::function<DropAnswer(bool copy, bool link)> answer, std::function<void(IDataObject*)> dropped);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;

private:
    ~DropTarget() = default;  // COM objects go through Release
    // Sets the effect reported to the source; false when the drag is refused.
    bool answer(DWORD* effect) const;

    std::atomic<ULONG> references_{1};
    std::function<DropAnswer(bool, bool)> answer_;
    std::function<void(IDataObject*)> dropped_;
};
