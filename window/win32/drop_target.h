// An OLE drop target that hands every drop on its window to a callback, and
// refuses drags while the window says it is not taking any.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <functional>

class DropTarget final : public IDropTarget {
public:
    DropTarget(std::function<bool()> accepting, std::function<void(IDataObject*)> dropped);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keys, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keys, POINTL at, DWORD* effect) override;

private:
    ~DropTarget() = default;  // COM objects go through Release
    void answer(DWORD* effect) const;

    std::atomic<ULONG> references_{1};
    std::function<bool()> accepting_;
    std::function<void(IDataObject*)> dropped_;
};
