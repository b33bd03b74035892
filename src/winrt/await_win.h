// Waiting for an asynchronous Windows Runtime operation on the calling thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <utility>

#include "core/win.h"
#include "winrt/abi_win.h"

namespace orbalt {

// The completion delegate of one operation. Windows may call Invoke on any thread, and may keep
// its reference after the waiter has gone, so the handler owns the event: it is closed with the
// last reference, whoever drops it.
template <typename Handler, typename Operation> class CompletionHandler final : public Handler {
public:
    explicit CompletionHandler(UniqueHandle event) : event_(std::move(event)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (iid == abi::kIidIUnknown || iid == Handler::Iid || iid == abi::kIidIAgileObject) {
            *object = static_cast<Handler*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }
    HRESULT STDMETHODCALLTYPE Invoke(Operation*, AsyncStatus status) override {
        status_.store(status);
        SetEvent(event_.get());
        return S_OK;
    }

    HANDLE event() const noexcept { return event_.get(); }
    AsyncStatus status() const noexcept { return status_.load(); }

private:
    std::atomic<ULONG> references_{1};
    std::atomic<AsyncStatus> status_{Started};
    UniqueHandle event_;
};

// Reads the operation's status; while it is still running, registers a completion handler and
// waits for it without a time limit. An operation that has already ended gets no handler and no
// event. Returns the final status.
template <typename Handler, typename Operation> AsyncStatus AwaitOperation(Operation* operation) {
    ComPtr<IAsyncInfo> info;
    ThrowIfFailed(operation->QueryInterface(abi::kIidIAsyncInfo, info.put_void()));
    AsyncStatus status = Started;
    ThrowIfFailed(info->get_Status(&status));
    if (status != Started) {
        return status;
    }
    UniqueHandle event(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!event) {
        ThrowLastError();
    }
    auto handler = ComPtr<CompletionHandler<Handler, Operation>>::Attach(
        new CompletionHandler<Handler, Operation>(std::move(event)));
    ThrowIfFailed(operation->put_Completed(handler.get()));
    WaitForSingleObject(handler->event(), INFINITE);
    return handler->status();
}

} // namespace orbalt
