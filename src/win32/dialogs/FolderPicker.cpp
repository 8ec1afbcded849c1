#include "win32/dialogs/FolderPicker.h"

#include <objbase.h>
#include <shobjidl.h>

#include <memory>

#include "win32/platform/WideText.h"

namespace {

struct ComRelease {
    void operator()(IUnknown* object) const noexcept { object->Release(); }
};
template <typename Interface>
using ComPointer = std::unique_ptr<Interface, ComRelease>;

struct TaskMemoryFree {
    void operator()(wchar_t* memory) const noexcept { ::CoTaskMemFree(memory); }
};

// COM for the dialog's time on this thread, when it was not there already.
class ComScope {
  public:
    ComScope()
        : initialized_(SUCCEEDED(
              ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope() {
        if (initialized_) ::CoUninitialize();
    }

  private:
    bool initialized_;
};

}  // namespace

std::optional<std::string> PickFolder(HWND owner, const std::string& initial) {
    const ComScope com;
    IFileOpenDialog* raw = nullptr;
    if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_PPV_ARGS(&raw))))
        return std::nullopt;
    const ComPointer<IFileOpenDialog> dialog(raw);
    FILEOPENDIALOGOPTIONS options = 0;
    dialog->GetOptions(&options);
    dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    if (!initial.empty()) {
        IShellItem* start = nullptr;
        if (SUCCEEDED(::SHCreateItemFromParsingName(Widen(initial).c_str(), nullptr,
                                                    IID_PPV_ARGS(&start)))) {
            const ComPointer<IShellItem> folder(start);
            dialog->SetFolder(folder.get());
        }
    }
    if (FAILED(dialog->Show(owner))) return std::nullopt;  // cancelled, too
    IShellItem* picked = nullptr;
    if (FAILED(dialog->GetResult(&picked))) return std::nullopt;
    const ComPointer<IShellItem> result(picked);
    wchar_t* path = nullptr;
    if (FAILED(result->GetDisplayName(SIGDN_FILESYSPATH, &path))) return std::nullopt;
    const std::unique_ptr<wchar_t, TaskMemoryFree> owned(path);
    return Narrow(owned.get());
}
