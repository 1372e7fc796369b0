#pragma once

#include <windows.h>

#include <utility>

// One owner for one system handle: movable, never copied, never converted silently.
template <typename Traits>
class UniqueResource {
public:
    using Handle = typename Traits::Handle;

    UniqueResource() = default;
    explicit UniqueResource(Handle handle) : handle_(handle) {}
    UniqueResource(UniqueResource&& other) noexcept : handle_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other) reset(other.release());
        return *this;
    }
    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    ~UniqueResource() { reset(); }

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != Traits::Invalid(); }

    // Address for an out-parameter; whatever was owned is released first.
    Handle* put()
    {
        reset();
        return &handle_;
    }
    Handle release() { return std::exchange(handle_, Traits::Invalid()); }
    void reset(Handle handle = Traits::Invalid())
    {
        const Handle old = std::exchange(handle_, handle);
        if (old != Traits::Invalid()) Traits::Close(old);
    }

private:
    Handle handle_ = Traits::Invalid();
};

// Closing keeps the caller's last error: failure reports read it after the owner is gone.
template <typename H, H (*InvalidValue)(), void (*CloseFn)(H)>
struct HandleTraits {
    using Handle = H;
    static Handle Invalid() { return InvalidValue(); }
    static void Close(Handle h)
    {
        const DWORD saved = GetLastError();
        CloseFn(h);
        SetLastError(saved);
    }
};

namespace unique_resource_detail {
inline HANDLE NullHandle() { return nullptr; }
inline HANDLE InvalidFileHandle() { return INVALID_HANDLE_VALUE; }
inline SC_HANDLE NullScHandle() { return nullptr; }
inline HKEY NullKey() { return nullptr; }
inline HMODULE NullModule() { return nullptr; }
inline HLOCAL NullLocal() { return nullptr; }
inline void CloseKernelHandle(HANDLE h) { CloseHandle(h); }
inline void CloseSc(SC_HANDLE h) { CloseServiceHandle(h); }
inline void CloseKey(HKEY h) { RegCloseKey(h); }
inline void ReleaseModule(HMODULE h) { FreeLibrary(h); }
inline void DeregisterSource(HANDLE h) { DeregisterEventSource(h); }
inline void FreeLocal(HLOCAL h) { LocalFree(h); }
}  // namespace unique_resource_detail

namespace urd = unique_resource_detail;
using UniqueHandle = UniqueResource<HandleTraits<HANDLE, urd::NullHandle, urd::CloseKernelHandle>>;
using UniqueFileHandle = UniqueResource<HandleTraits<HANDLE, urd::InvalidFileHandle, urd::CloseKernelHandle>>;
using UniqueScHandle = UniqueResource<HandleTraits<SC_HANDLE, urd::NullScHandle, urd::CloseSc>>;
using UniqueHkey = UniqueResource<HandleTraits<HKEY, urd::NullKey, urd::CloseKey>>;
using UniqueHmodule = UniqueResource<HandleTraits<HMODULE, urd::NullModule, urd::ReleaseModule>>;
using UniqueEventSource = UniqueResource<HandleTraits<HANDLE, urd::NullHandle, urd::DeregisterSource>>;
// What the system allocated for the caller, such as FormatMessage's FORMAT_MESSAGE_ALLOCATE_BUFFER text.
using UniqueLocalMemory = UniqueResource<HandleTraits<HLOCAL, urd::NullLocal, urd::FreeLocal>>;
