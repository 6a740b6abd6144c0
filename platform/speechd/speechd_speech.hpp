// The desktop's speech service (speech-dispatcher): the operator's own voice,
// rate and output module speak the words as text.
#pragma once

#include <memory>

#include "platform/interfaces.hpp"

namespace vlr::platform {

// A service connection made on the first connect(). Null when the program
// was built without speech-dispatcher.
std::unique_ptr<TextSpeech> make_speechd_speech();

}  // namespace vlr::platform
