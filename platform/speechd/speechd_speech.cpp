#include "platform/speechd/speechd_speech.hpp"

#include <libspeechd.h>

namespace vlr::platform {
namespace {

class SpeechdSpeech : public TextSpeech {
public:
    ~SpeechdSpeech() override {
        if (connection_) spd_close(connection_);
    }
    bool connect() override {
        if (connection_) return true;
        char* error = nullptr;
        // Threaded mode: replies are read by the library's own thread, so a
        // busy service never holds up the program's one thread for long.
        // The service is started when it is installed but not running.
        connection_ = spd_open2("veloran", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
        free(error);
        return connection_ != nullptr;
    }
    void speak(const std::string& text) override {
        if (connection_) spd_say(connection_, SPD_MESSAGE, text.c_str());
    }
    void cancel() override {
        if (connection_) spd_cancel(connection_);
    }

private:
    SPDConnection* connection_ = nullptr;
};

}  // namespace

std::unique_ptr<TextSpeech> make_speechd_speech() { return std::make_unique<SpeechdSpeech>(); }

}  // namespace vlr::platform
