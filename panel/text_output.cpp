#include "panel/text_output.hpp"

#include <ostream>

namespace vlr {

namespace {

// The surface to draw on, or null while the main window does not exist.
platform::TextSurface* main_surface(Context& c) {
    if (!c.st.main_window.open || c.window == nullptr) return nullptr;
    return c.window->surface();
}

// Font face names are limited to 31 characters by the font mapper.
constexpr std::size_t max_face_length = 31;

}  // namespace

void move_to(Context& c, int x, int y) {
    if (!c.st.main_window.open || c.window == nullptr) return;
    c.st.main_window.x = x;
    c.st.main_window.y = y;
}

void set_font(Context& c, const std::string& face, int points, int weight) {
    if (!c.st.main_window.open || c.window == nullptr) return;
    std::string name = face.substr(0, max_face_length);
    c.st.main_window.face = name;
    c.st.main_window.points = points;
    c.st.main_window.weight = weight;
    if (auto* surface = c.window->surface()) surface->set_font(name, points, weight);
}

void print_text(Context& c, const std::string& text, bool names_window) {
    if (names_window) c.st.main_window.named = true;

    // Every panel call ends its text with "\r\n" only to close the item list:
    // it never moves the position to a new line.
    std::string shown = text;
    if (!shown.empty() && shown.back() == '\n') shown.pop_back();
    if (!shown.empty() && shown.back() == '\r') shown.pop_back();
    if (shown.empty()) return;

    if (!c.st.main_window.named) {
        if (c.console != nullptr) {
            *c.console << shown;
            c.console->flush();
        }
        return;
    }

    auto* surface = main_surface(c);
    if (surface == nullptr) return;
    auto& w = c.st.main_window;
    w.x += surface->draw_text(w.x, w.y, shown);
}

}  // namespace vlr
