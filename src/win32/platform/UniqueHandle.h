#pragma once

// One move-only owner for every kind of Win32 handle: a copied handle would close twice.

#include <windows.h>

#include <utility>

template <typename Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle handle) noexcept : handle_(handle) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Detach()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Attach(other.Detach());
        return *this;
    }
    ~UniqueHandle() { Close(); }

    Handle Get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return Traits::IsValid(handle_); }

    void Attach(Handle handle) noexcept {
        Close();
        handle_ = handle;
    }
    Handle Detach() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    void Close() noexcept {
        if (Traits::IsValid(handle_)) Traits::Close(handle_);
        handle_ = Traits::Invalid();
    }

  private:
    Handle handle_ = Traits::Invalid();
};

struct KernelHandleTraits {  // CreateFile and friends: INVALID_HANDLE_VALUE on failure
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Handle h) noexcept { return h != INVALID_HANDLE_VALUE && h != nullptr; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

struct NullableHandleTraits {  // mappings, mutexes, processes: null on failure
    using Handle = HANDLE;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) noexcept { ::CloseHandle(h); }
};

struct ViewTraits {
    using Handle = void*;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::UnmapViewOfFile(h); }
};

struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::RegCloseKey(h); }
};

struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DestroyMenu(h); }
};

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DestroyIcon(h); }
};

template <typename T>
struct GdiObjectTraits {  // HFONT, HBITMAP, HBRUSH, ...
    using Handle = T;
    static Handle Invalid() noexcept { return nullptr; }
    static bool IsValid(Handle h) noexcept { return h != nullptr; }
    static void Close(Handle h) noexcept { ::DeleteObject(h); }
};

using UniqueFile = UniqueHandle<KernelHandleTraits>;
using UniqueKernelObject = UniqueHandle<NullableHandleTraits>;
using UniqueView = UniqueHandle<ViewTraits>;
using UniqueKey = UniqueHandle<RegKeyTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;
using UniqueFont = UniqueHandle<GdiObjectTraits<HFONT>>;
using UniqueBitmap = UniqueHandle<GdiObjectTraits<HBITMAP>>;

// Gives `fresh` to whoever uses the handle (a window's WM_SETFONT, say) before the handle it
// replaces is freed, so no user is left holding a freed handle in between.
template <typename Traits, typename Use>
void ReplaceInUse(UniqueHandle<Traits>& owned, UniqueHandle<Traits> fresh, Use&& use) {
    use(fresh.Get());
    owned = std::move(fresh);
}
