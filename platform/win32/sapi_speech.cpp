// The system voice (SAPI): the words as text in the voice, rate and volume
// the operator has chosen in the system's speech settings.
#include <windows.h>
#include <sapi.h>

#include "platform/win32/win32_platform.hpp"

namespace vlr::platform {
namespace {

// Written out here: mingw-w64 has no import library that defines them.
const CLSID sp_voice_class = {0x96749377, 0x3391, 0x11D2, {0x9E, 0xE3, 0x00, 0xC0, 0x4F, 0x79, 0x73, 0x96}};
const IID sp_voice_interface = {0x6C44DF74, 0x72B9, 0x4992, {0xA1, 0xEC, 0xEF, 0x99, 0x6E, 0x04, 0x22, 0xD4}};

class SapiSpeech : public TextSpeech {
public:
    ~SapiSpeech() override {
        if (voice_) {
            voice_->Speak(nullptr, SPF_PURGEBEFORESPEAK, nullptr);
            voice_->Release();
        }
        if (com_) CoUninitialize();
    }
    bool connect() override {
        if (voice_) return true;
        if (!com_) com_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
        void* voice = nullptr;
        if (FAILED(CoCreateInstance(sp_voice_class, nullptr, CLSCTX_ALL, sp_voice_interface, &voice))) return false;
        voice_ = static_cast<ISpVoice*>(voice);
        return true;
    }
    // Asynchronous: the voice speaks on its own thread while the program
    // goes on, as speech-dispatcher does.
    void speak(const std::string& text) override {
        if (voice_) voice_->Speak(widen(text).c_str(), SPF_ASYNC | SPF_IS_NOT_XML, nullptr);
    }
    void cancel() override {
        if (voice_) voice_->Speak(nullptr, SPF_ASYNC | SPF_PURGEBEFORESPEAK, nullptr);
    }

private:
    ISpVoice* voice_ = nullptr;
    bool com_ = false;
};

}  // namespace

std::unique_ptr<TextSpeech> make_sapi_speech() { return std::make_unique<SapiSpeech>(); }

}  // namespace vlr::platform
