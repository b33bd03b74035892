// Windows-side helpers: raising HResultError from failed calls, and RAII for handles, registry
// keys, COM pointers and memory the system allocated. Included only by *_win.cpp adapters.
#pragma once

#include <windows.h>

#include <sddl.h>

#include <string>
#include <utility>

#include "core/error.h"

namespace orbalt {

inline void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) {
        throw HResultError(static_cast<std::int32_t>(hr));
    }
}

// Raises the thread's last Windows error as an HRESULT.
[[noreturn]] inline void ThrowLastError() {
    DWORD error = GetLastError();
    throw HResultError(static_cast<std::int32_t>(error == 0 ? E_FAIL : HRESULT_FROM_WIN32(error)));
}

// The whole path of this program's own file, however long; empty when Windows gives none.
inline std::wstring InstallerPath() {
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size()) {
        path.resize(path.size() * 2);
    }
    path.resize(length);
    return path;
}

// Owns a kernel handle; both null and INVALID_HANDLE_VALUE count as empty.
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    HANDLE get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE handle = nullptr) noexcept {
        if (*this) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }
    HANDLE release() noexcept { return std::exchange(handle_, nullptr); }

private:
    HANDLE handle_ = nullptr;
};

class UniqueHKey {
public:
    UniqueHKey() = default;
    UniqueHKey(UniqueHKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    UniqueHKey(const UniqueHKey&) = delete;
    UniqueHKey& operator=(const UniqueHKey&) = delete;
    UniqueHKey& operator=(UniqueHKey&&) = delete;
    ~UniqueHKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    HKEY get() const noexcept { return key_; }
    HKEY* put() noexcept { return &key_; }

private:
    HKEY key_ = nullptr;
};

// Owns memory the system allocated for us with LocalAlloc; never copied, so freed once. An empty
// one frees nothing, so the last error of the call that did not fill it stays.
struct LocalMemory {
    void* pointer = nullptr;
    LocalMemory() = default;
    LocalMemory(const LocalMemory&) = delete;
    LocalMemory& operator=(const LocalMemory&) = delete;
    ~LocalMemory() {
        if (pointer != nullptr) {
            LocalFree(pointer);
        }
    }
};

// A security identifier in its text form ("S-1-5-18"); empty for none, or when it cannot be
// converted (the last error says why).
inline std::wstring SidText(PSID sid) {
    LocalMemory text;
    if (sid == nullptr || !ConvertSidToStringSidW(sid, reinterpret_cast<wchar_t**>(&text.pointer))) {
        return L"";
    }
    return static_cast<const wchar_t*>(text.pointer);
}

// A counted COM reference. Templates on the interface type; no exceptions of its own.
template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adopts a reference that the caller already owns.
    static ComPtr Attach(T* raw) {
        ComPtr p;
        p.ptr_ = raw;
        return p;
    }
    ComPtr(const ComPtr& other) : ptr_(other.ptr_) {
        if (ptr_ != nullptr) {
            ptr_->AddRef();
        }
    }
    ComPtr(ComPtr&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(ptr_, other.ptr_);
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const noexcept { return ptr_; }
    T* operator->() const noexcept { return ptr_; }
    explicit operator bool() const noexcept { return ptr_ != nullptr; }
    // For out parameters: releases what is held and hands out the slot.
    T** put() noexcept {
        reset();
        return &ptr_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }
    void reset() noexcept {
        if (ptr_ != nullptr) {
            std::exchange(ptr_, nullptr)->Release();
        }
    }
    T* detach() noexcept { return std::exchange(ptr_, nullptr); }

    // QueryInterface for another interface by its id; raises on failure.
    template <typename U> ComPtr<U> As(REFIID iid) const {
        ComPtr<U> other;
        ThrowIfFailed(ptr_->QueryInterface(iid, other.put_void()));
        return other;
    }

private:
    T* ptr_ = nullptr;
};

} // namespace orbalt
