// File operations that need more than the standard library: replacing a file
// so that the old one stays whole until the new one is complete.
#pragma once

#include <string>

namespace vlr::platform {

// Writes `content` to a new file beside `path`, flushes it to the disk and
// renames it over `path`. On any failure the old file is left untouched, the
// temporary file is removed and false is returned. A file that may not be
// written (read-only for this user) is not replaced; a symbolic link is
// followed and its target replaced; the permissions of the old file stay.
bool replace_file(const std::string& path, const std::string& content);

// Deletes a file; a missing file is no error.
void remove_file(const std::string& path);

// Sleeps for the given time (used where a word has no sound to wait on).
void sleep_ms(int ms);

// Monotonic milliseconds.
long long now_ms();

// Local date "dd-MM-yyyy" and time "HH:mm:ss".
std::string local_date_text();
std::string local_time_text();

}  // namespace vlr::platform
