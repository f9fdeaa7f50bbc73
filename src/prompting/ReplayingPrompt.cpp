#include "prompting/ReplayingPrompt.h"

#include <utility>

namespace kestrane {

ReplayingPrompt::ReplayingPrompt(PromptService& user, std::vector<std::string> answers, Listener listener)
    : user_(user), answers_(std::move(answers)), listener_(std::move(listener)) {}

std::optional<std::string> ReplayingPrompt::ask(const std::string& prompt, const std::string& title) {
    if (replaying()) {
        const std::string& answer = answers_[next_++];
        if (listener_.replayed) listener_.replayed(prompt, title, answer);
        return answer;
    }
    if (!handedOver_) {
        handedOver_ = true;
        if (listener_.handedOver) listener_.handedOver();
    }
    return user_.ask(prompt, title);
}

}  // namespace kestrane
