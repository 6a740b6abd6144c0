// The emulated radio as the far end of an in-process serial line: bytes
// written to the line are cut into commands at ";" and each answered by the
// model, so a program can run against the emulated radio where no
// pseudo-terminal exists (Windows).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "emulator/radio_model.hpp"

namespace vlr::emu {

// Answers every complete command in the bytes written and keeps a partial one
// for the next write. Copies of the function share the model and the partial
// command, so a reopened line talks to the same radio.
inline std::function<std::string(const std::string&)> model_line(std::shared_ptr<RadioModel> model) {
    auto pending = std::make_shared<std::string>();
    return [model, pending](const std::string& written) {
        std::string answers;
        *pending += written;
        for (std::size_t end; (end = pending->find(';')) != std::string::npos;) {
            answers += model->handle(pending->substr(0, end + 1));
            pending->erase(0, end + 1);
        }
        // A line that never sees ";", and the record of a demo left running
        // for days, must not grow without end.
        if (pending->size() > 4096) pending->clear();
        if (model->record().size() > 10000) model->clear_record();
        return answers;
    };
}

}  // namespace vlr::emu
