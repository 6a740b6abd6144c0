// Speaking through the operator's screen reader (NVDA, JAWS, Narrator): each
// utterance is a UI Automation notification raised from the program's window,
// which the screen reader speaks in its own voice and rate (and NVDA shows on
// a braille display). The functions are looked up at run time: Windows before
// 10 1709, and wine, lack the notification, and the program must still start.
#include <ole2.h>
#include <uiautomationcore.h>
#include <windows.h>

#include <atomic>

#include "platform/win32/win32_platform.hpp"

namespace vlr::platform {
namespace {

// From UIAutomationClient.h and UIAutomationCore.h of the Windows 10 SDK; the
// mingw-w64 headers lack the notification's parts.
constexpr PROPERTYID name_property = 30005;
constexpr PROPERTYID control_type_property = 30003;
constexpr int pane_control_type = 50033;
constexpr LONG root_object_id = -25;  // UiaRootObjectId
enum NotificationKind { notification_other = 4 };
enum NotificationProcessing { processing_important_all = 0, processing_important_most_recent = 1 };

using RaiseNotification = HRESULT(WINAPI*)(IRawElementProviderSimple*, NotificationKind,
                                           NotificationProcessing, BSTR, BSTR);
using ReturnProvider = LRESULT(WINAPI*)(HWND, WPARAM, LPARAM, IRawElementProviderSimple*);
using HostProvider = HRESULT(WINAPI*)(HWND, IRawElementProviderSimple**);

struct Automation {
    RaiseNotification raise_notification = nullptr;
    ReturnProvider return_provider = nullptr;
    HostProvider host_provider = nullptr;
};

// Loaded once and kept for the life of the program.
const Automation& automation() {
    static const Automation loaded = [] {
        Automation a;
        HMODULE core = LoadLibraryW(L"uiautomationcore.dll");
        if (!core) return a;
        a.raise_notification = reinterpret_cast<RaiseNotification>(
            reinterpret_cast<void*>(GetProcAddress(core, "UiaRaiseNotificationEvent")));
        a.return_provider = reinterpret_cast<ReturnProvider>(
            reinterpret_cast<void*>(GetProcAddress(core, "UiaReturnRawElementProvider")));
        a.host_provider = reinterpret_cast<HostProvider>(
            reinterpret_cast<void*>(GetProcAddress(core, "UiaHostProviderFromHwnd")));
        return a;
    }();
    return loaded;
}

// The window as a UI Automation element: a named pane whose other properties
// come from the window itself (the host provider). Its data never changes,
// so the threads UI Automation calls it from need no lock.
class PanelElement : public IRawElementProviderSimple {
public:
    PanelElement(HWND window, std::wstring name) : window_(window), name_(std::move(name)) {}
    virtual ~PanelElement() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (!out) return E_POINTER;
        if (id == __uuidof(IUnknown) || id == __uuidof(IRawElementProviderSimple)) {
            *out = static_cast<IRawElementProviderSimple*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT STDMETHODCALLTYPE get_ProviderOptions(ProviderOptions* options) override {
        if (!options) return E_POINTER;
        *options = ProviderOptions_ServerSideProvider;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPatternProvider(PATTERNID, IUnknown** pattern) override {
        if (!pattern) return E_POINTER;
        *pattern = nullptr;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(PROPERTYID property, VARIANT* value) override {
        if (!value) return E_POINTER;
        VariantInit(value);
        if (property == name_property) {
            value->vt = VT_BSTR;
            value->bstrVal = SysAllocString(name_.c_str());
        } else if (property == control_type_property) {
            value->vt = VT_I4;
            value->lVal = pane_control_type;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE
    get_HostRawElementProvider(IRawElementProviderSimple** host) override {
        if (!host) return E_POINTER;
        *host = nullptr;
        const auto& uia = automation();
        return uia.host_provider ? uia.host_provider(window_, host) : S_OK;
    }

private:
    HWND window_;
    std::wstring name_;
    std::atomic<ULONG> references_{1};
};

// One element per window, made on first use and kept while the window lives.
IRawElementProviderSimple* element_of(HWND window) {
    static HWND owner = nullptr;
    static PanelElement* element = nullptr;
    if (owner != window) {
        if (element) element->Release();
        wchar_t title[256] = L"";
        GetWindowTextW(window, title, 256);
        element = new PanelElement(window, title);
        owner = window;
    }
    return element;
}

class ScreenReaderSpeech : public TextSpeech {
public:
    explicit ScreenReaderSpeech(const Window& window) : window_(window) {}

    bool connect() override {
        return automation().raise_notification && window_handle(window_) && chosen_by_system();
    }
    bool chosen_by_system() override {
        BOOL running = FALSE;
        return SystemParametersInfoW(SPI_GETSCREENREADER, 0, &running, 0) && running;
    }
    // The screen reader queues each one after what it is saying.
    void speak(const std::string& text) override {
        raise(text, replace_next_ ? processing_important_most_recent : processing_important_all);
        replace_next_ = false;
    }
    // There is no call that silences a screen reader; a notification marked
    // "most recent" replaces what is queued (NVDA, Narrator: and cuts what is
    // being said). The next utterance replaces too, for a reader that skips
    // an empty one.
    void cancel() override {
        raise("", processing_important_most_recent);
        replace_next_ = true;
    }

private:
    const Window& window_;
    bool replace_next_ = false;

    void raise(const std::string& text, NotificationProcessing processing) {
        HWND window = window_handle(window_);
        const auto& uia = automation();
        if (!window || !uia.raise_notification) return;
        BSTR said = SysAllocString(widen(text).c_str());
        BSTR activity = SysAllocString(L"Veloran.reading");
        uia.raise_notification(element_of(window), notification_other, processing, said, activity);
        SysFreeString(activity);
        SysFreeString(said);
    }
};

}  // namespace

bool answer_automation_request(HWND window, WPARAM wp, LPARAM lp, LRESULT& answer) {
    const auto& uia = automation();
    if (static_cast<LONG>(lp) != root_object_id || !uia.return_provider) return false;
    answer = uia.return_provider(window, wp, lp, element_of(window));
    return true;
}

std::unique_ptr<TextSpeech> make_screen_reader_speech(const Window& window) {
    return std::make_unique<ScreenReaderSpeech>(window);
}

}  // namespace vlr::platform
