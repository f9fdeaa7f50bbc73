// A prompt service that answers from a list first (the values of an
// observation file, in prompt order) and hands over to the user's own prompt
// service where the list ends. The stages cannot tell a replayed answer from
// a typed one.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "state/Services.h"

namespace kestrane {

class ReplayingPrompt : public PromptService {
public:
    // Told of every replayed prompt with its answer, and once when the list
    // has run out and the user's prompt service answers for the first time.
    struct Listener {
        std::function<void(const std::string& prompt, const std::string& title, const std::string& answer)> replayed;
        std::function<void()> handedOver;
    };

    ReplayingPrompt(PromptService& user, std::vector<std::string> answers, Listener listener = {});

    std::optional<std::string> ask(const std::string& prompt, const std::string& title) override;
    void showMessage(const std::string& text) override { user_.showMessage(text); }
    bool confirmAbandon() override { return user_.confirmAbandon(); }

    // True while answers are left.
    bool replaying() const { return next_ < answers_.size(); }

private:
    PromptService& user_;
    std::vector<std::string> answers_;
    Listener listener_;
    std::size_t next_ = 0;
    bool handedOver_ = false;
};

}  // namespace kestrane
