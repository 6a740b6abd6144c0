// A stand-in uiautomationcore.dll for wine (which has no notifications): it
// writes "<processing> <text>" for each notification, and "element <name>"
// when a window hands out its element, to the file VELORAN_UIA_RECORD names.
#include <ole2.h>
#include <uiautomationcore.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

void record(const std::string& head, const wchar_t* text) {
    wchar_t path[MAX_PATH];
    char utf8[1024] = "";
    if (!GetEnvironmentVariableW(L"VELORAN_UIA_RECORD", path, MAX_PATH)) return;
    if (text) WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    if (FILE* f = _wfopen(path, L"ab"))
        std::fprintf(f, "%s %s\n", head.c_str(), utf8), std::fclose(f);
}

}  // namespace

extern "C" {

__declspec(dllexport) HRESULT WINAPI
    UiaRaiseNotificationEvent(IRawElementProviderSimple* element, int, int processing, BSTR text,
                              BSTR activity) {
    if (!element || !activity) return E_INVALIDARG;
    record(std::to_string(processing), text);
    return S_OK;
}

__declspec(dllexport) LRESULT WINAPI
    UiaReturnRawElementProvider(HWND, WPARAM, LPARAM, IRawElementProviderSimple* element) {
    VARIANT name;
    VariantInit(&name);
    if (element && SUCCEEDED(element->GetPropertyValue(30005, &name)) && name.vt == VT_BSTR)
        record("element", name.bstrVal);
    VariantClear(&name);
    return 1;
}
}
