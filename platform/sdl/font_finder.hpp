// Finding an installed font file for a face name as the window's text asks
// for it ("Ariel", weight 700), the way a font mapper substitutes the nearest
// face when the named one is not installed.
#pragma once

#include <string>

namespace vlr::platform {

struct FontFile {
    std::string path;  // empty when nothing at all was found
    int index = 0;     // face index inside a collection file
};

// The file of the installed face nearest to `face` at `weight` (0..1000, 700
// bold; 0 means regular). A misspelt well-known face ("Ariel") is taken as
// the face it is closest to; an unknown face falls back to the system's sans.
FontFile find_font(const std::string& face, int weight);

// The name the lookup actually asks for: `face` itself when a family of that
// name is installed, else the installed or well-known family nearest in
// spelling, else `face` unchanged.
std::string nearest_family(const std::string& face);

}  // namespace vlr::platform
