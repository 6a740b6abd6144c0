// The main window on Win32: virtual-key codes straight from WM_KEYDOWN and
// WM_KEYUP, WM_CLOSE as the close request, periodic ticks made by the waiting
// loop itself (so ticks missed while the program is busy merge into one), and
// a GDI off-screen image of the client area that every repaint copies from.
#include <windows.h>

#include <algorithm>
#include <deque>
#include <map>
#include <tuple>
#include <utility>

#include "platform/win32/win32_platform.hpp"

namespace vlr::platform {
namespace {

constexpr int min_image_width = 2000, min_image_height = 1200;
constexpr const wchar_t* window_class = L"VeloranPanel";

// With Num Lock off the pad's keys come as the navigation keys they double as;
// they are not extended keys, the cursor block's are. The pad keeps its digit
// codes either way: operators use it for entries without minding the lock.
int pad_key(int vk, LPARAM lp) {
    if (lp & (1 << 24)) return vk;
    switch (vk) {
        case VK_INSERT: return VK_NUMPAD0;
        case VK_END: return VK_NUMPAD1;
        case VK_DOWN: return VK_NUMPAD2;
        case VK_NEXT: return VK_NUMPAD3;
        case VK_LEFT: return VK_NUMPAD4;
        case VK_CLEAR: return VK_NUMPAD5;
        case VK_RIGHT: return VK_NUMPAD6;
        case VK_HOME: return VK_NUMPAD7;
        case VK_UP: return VK_NUMPAD8;
        case VK_PRIOR: return VK_NUMPAD9;
        case VK_DELETE: return VK_DECIMAL;
        default: return vk;
    }
}

// Left and right Shift and Control give the codes the program knows.
int plain_key(int vk) {
    if (vk == VK_LSHIFT || vk == VK_RSHIFT) return VK_SHIFT;
    if (vk == VK_LCONTROL || vk == VK_RCONTROL) return VK_CONTROL;
    return vk;
}

class GdiText : public TextSurface {
public:
    GdiText(HDC image, std::function<void(const RECT&)> present) : image_(image), present_(std::move(present)) {
        current_ = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    }
    ~GdiText() override {
        SelectObject(image_, GetStockObject(SYSTEM_FONT));
        for (auto& [key, font] : fonts_) DeleteObject(font);
    }
    GdiText(const GdiText&) = delete;
    GdiText& operator=(const GdiText&) = delete;

    // GDI's font mapper gives the nearest installed face to the name asked for.
    void set_font(const std::string& face, int points, int weight) override {
        const int pixels = MulDiv(points, 96, 72);
        if (pixels <= 0) return;
        auto key = std::make_tuple(face, pixels, weight);
        auto found = fonts_.find(key);
        if (found == fonts_.end()) {
            HFONT font = CreateFontW(-pixels, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                     DEFAULT_PITCH | FF_DONTCARE, widen(face).substr(0, LF_FACESIZE - 1).c_str());
            if (!font) return;  // the previous font stays: text stays readable
            found = fonts_.emplace(key, font).first;
        }
        current_ = found->second;
    }

    int draw_text(int x, int y, const std::string& text) override {
        if (text.empty()) return 0;
        const std::wstring wide = widen(text);
        SelectObject(image_, current_);
        SetTextColor(image_, RGB(0, 0, 0));
        SetBkColor(image_, RGB(255, 255, 255));
        SetBkMode(image_, OPAQUE);
        SIZE size{};
        GetTextExtentPoint32W(image_, wide.c_str(), static_cast<int>(wide.size()), &size);
        TextOutW(image_, x, y, wide.c_str(), static_cast<int>(wide.size()));
        if (present_) present_(RECT{x, y, x + size.cx, y + size.cy});
        return size.cx;
    }

private:
    HDC image_;
    std::function<void(const RECT&)> present_;
    HFONT current_;
    std::map<std::tuple<std::string, int, int>, HFONT> fonts_;
};

struct Timer {
    int id = 0;
    ULONGLONG period = 0, next_due = 0;
    bool running = false, pending = false;  // pending: a tick is queued and not yet delivered
};

class Win32Window : public Window {
public:
    ~Win32Window() override { close(); }

    bool open(const std::string& title, int x, int y, int width, int height) override {
        if (window_) return true;
        HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Win32Window::procedure;
        wc.hInstance = instance;
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.lpszClassName = window_class;
        RegisterClassExW(&wc);  // fails harmlessly when a second window registers again
        window_ = CreateWindowExW(0, window_class, widen(title).c_str(), WS_OVERLAPPEDWINDOW, x, y, width, height,
                                  nullptr, nullptr, instance, this);
        if (!window_) return false;
        // The image covers the whole screen so that text drawn beyond the
        // current window size is there when the window is enlarged.
        HDC screen = GetDC(window_);
        image_dc_ = CreateCompatibleDC(screen);
        image_width_ = std::max(min_image_width, GetSystemMetrics(SM_CXSCREEN));
        image_height_ = std::max(min_image_height, GetSystemMetrics(SM_CYSCREEN));
        bitmap_ = CreateCompatibleBitmap(screen, image_width_, image_height_);
        ReleaseDC(window_, screen);
        if (!image_dc_ || !bitmap_) return close(), false;
        old_bitmap_ = SelectObject(image_dc_, bitmap_);
        RECT all{0, 0, image_width_, image_height_};
        FillRect(image_dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        text_ = std::make_unique<GdiText>(image_dc_, [this](const RECT& area) { present(area); });
        ShowWindow(window_, SW_SHOWNORMAL);
        UpdateWindow(window_);
        SetForegroundWindow(window_);
        return true;
    }

    void close() override {
        timers_.clear();
        events_.clear();
        text_.reset();
        if (image_dc_) {
            SelectObject(image_dc_, old_bitmap_);
            DeleteDC(image_dc_), image_dc_ = nullptr;
        }
        if (bitmap_) DeleteObject(bitmap_), bitmap_ = nullptr;
        if (window_) {
            HWND w = std::exchange(window_, nullptr);
            SetWindowLongPtrW(w, GWLP_USERDATA, 0);
            DestroyWindow(w);
        }
    }

    void start_timer(int id, int period_ms) override {
        if (!window_ || period_ms <= 0) return;
        Timer& t = timers_[id];
        t.id = id;
        t.period = static_cast<ULONGLONG>(period_ms);
        t.next_due = GetTickCount64() + t.period;
        t.running = true;
    }

    void stop_timer(int id) override {
        auto found = timers_.find(id);
        if (found != timers_.end()) found->second.running = false;
    }

    void wait_events(const std::function<void(int, int)>& deliver) override {
        // Without a window no key or tick can come: the program is asked to close.
        if (!window_) return deliver(event_close, 0);
        for (;;) {
            pump();
            queue_due_ticks();
            if (!events_.empty() || !window_) break;
            const int timeout = ms_to_next_tick();
            MsgWaitForMultipleObjectsEx(0, nullptr, timeout < 0 ? INFINITE : static_cast<DWORD>(std::max(timeout, 1)),
                                        QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        }
        // What is queued now is delivered; what comes meanwhile waits for the
        // next call, so the caller sees a close request even under a stream of ticks.
        std::deque<std::pair<int, int>> now;
        now.swap(events_);
        for (const auto& [id, param] : now) {
            if (id == event_timer) {
                auto found = timers_.find(param);
                if (found == timers_.end()) continue;
                found->second.pending = false;
                // A tick queued before its timer was stopped is not delivered.
                if (!found->second.running) continue;
            }
            deliver(id, param);
        }
    }

    TextSurface* surface() override { return text_.get(); }
    HWND native() const { return window_; }

    // Only the stop key's own press is taken; every other event keeps its
    // place in the queue.
    bool take_stop_key() override {
        if (!window_) return false;
        pump();
        const auto at = std::find(events_.begin(), events_.end(), std::pair<int, int>(event_key_down, vk::escape));
        if (at == events_.end()) return false;
        events_.erase(at);
        return true;
    }

private:
    HWND window_ = nullptr;
    HDC image_dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_bitmap_ = nullptr;
    int image_width_ = 0, image_height_ = 0;
    std::unique_ptr<GdiText> text_;
    std::map<int, Timer> timers_;
    std::deque<std::pair<int, int>> events_;

    void pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    // A tick for every timer fallen due that has none queued; the next falls
    // due a whole period later, as a periodic timer's would.
    void queue_due_ticks() {
        const ULONGLONG now = GetTickCount64();
        for (auto& [id, t] : timers_) {
            if (!t.running || now < t.next_due) continue;
            t.next_due += t.period * ((now - t.next_due) / t.period + 1);
            if (t.pending) continue;
            t.pending = true;
            events_.emplace_back(event_timer, id);
        }
    }

    int ms_to_next_tick() const {
        const ULONGLONG now = GetTickCount64();
        ULONGLONG next = ~0ULL;
        for (const auto& [id, t] : timers_)
            if (t.running && !t.pending) next = std::min(next, t.next_due);
        if (next == ~0ULL) return -1;
        return next <= now ? 0 : static_cast<int>(std::min<ULONGLONG>(next - now, 1'000'000));
    }

    void present(const RECT& area) {
        if (!window_) return;
        HDC dc = GetDC(window_);
        BitBlt(dc, area.left, area.top, area.right - area.left, area.bottom - area.top, image_dc_, area.left,
               area.top, SRCCOPY);
        ReleaseDC(window_, dc);
    }

    LRESULT handle(UINT message, WPARAM wp, LPARAM lp) {
        switch (message) {
            case WM_CLOSE:  // the close button, Alt+F4 and the system menu
                events_.emplace_back(event_close, 0);
                return 0;
            case WM_KEYDOWN:
            case WM_KEYUP:
                events_.emplace_back(message == WM_KEYDOWN ? event_key_down : event_key_up,
                                     plain_key(pad_key(static_cast<int>(wp), lp)));
                return 0;
            case WM_SYSKEYDOWN:
            case WM_SYSKEYUP:
                // F10 comes as a system key without Alt: it is the program's.
                if (!(lp & (1 << 29))) {
                    events_.emplace_back(message == WM_SYSKEYDOWN ? event_key_down : event_key_up,
                                         static_cast<int>(wp));
                    return 0;
                }
                // Alt combinations are the system's; Alt+F4 asks to close.
                if (message == WM_SYSKEYDOWN && wp == VK_F4) events_.emplace_back(event_close, 0);
                return 0;
            case WM_GETOBJECT:
                if (LRESULT answer = 0; answer_automation_request(window_, wp, lp, answer)) return answer;
                return DefWindowProcW(window_, message, wp, lp);
            case WM_ERASEBKGND:
                return 1;
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(window_, &ps);
                BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
                       ps.rcPaint.bottom - ps.rcPaint.top, image_dc_, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
                EndPaint(window_, &ps);
                return 0;
            }
            default:
                return DefWindowProcW(window_, message, wp, lp);
        }
    }

    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
        if (message == WM_NCCREATE) {
            auto* self = static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
            self->window_ = hwnd;
        }
        auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (!self || !self->image_dc_) return DefWindowProcW(hwnd, message, wp, lp);
        return self->handle(message, wp, lp);
    }
};

}  // namespace

std::unique_ptr<Window> make_win32_window() { return std::make_unique<Win32Window>(); }

HWND window_handle(const Window& window) {
    const auto* own = dynamic_cast<const Win32Window*>(&window);
    return own ? own->native() : nullptr;
}

}  // namespace vlr::platform
