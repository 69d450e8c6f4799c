#pragma once

#include <windows.h>

namespace Win {

// Move-only owner of one Windows handle; a copy would close it twice.
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : Value(h) {}
    UniqueHandle(UniqueHandle&& other) noexcept : Value(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        Reset(other.Release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { Reset(); }

    Handle Get() const { return Value; }
    Handle* Put() {  // for out-parameters
        Reset();
        return &Value;
    }
    Handle Release() {
        Handle h = Value;
        Value = Traits::Empty();
        return h;
    }
    void Reset(Handle h = Traits::Empty()) {
        if (Traits::IsValid(Value)) Traits::Close(Value);
        Value = h;
    }
    explicit operator bool() const { return Traits::IsValid(Value); }

private:
    Handle Value = Traits::Empty();
};

struct HKeyTraits {
    using Handle = HKEY;
    static HKEY Empty() { return nullptr; }
    static bool IsValid(HKEY h) { return h != nullptr; }
    static void Close(HKEY h) { RegCloseKey(h); }
};

struct FileTraits {
    using Handle = HANDLE;
    static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(HANDLE h) { CloseHandle(h); }
};

struct MenuTraits {
    using Handle = HMENU;
    static HMENU Empty() { return nullptr; }
    static bool IsValid(HMENU h) { return h != nullptr; }
    static void Close(HMENU h) { DestroyMenu(h); }
};

struct FontTraits {
    using Handle = HFONT;
    static HFONT Empty() { return nullptr; }
    static bool IsValid(HFONT h) { return h != nullptr; }
    static void Close(HFONT h) { DeleteObject(h); }
};

using UniqueHKey = UniqueHandle<HKeyTraits>;
using UniqueFile = UniqueHandle<FileTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueFont = UniqueHandle<FontTraits>;

}  // namespace Win
