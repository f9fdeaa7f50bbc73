#include "state/Services.h"

namespace kestrane {

void WindowFields::setText(const std::string& name, const std::string& value) {
    texts_[name] = value;
    if (observer_) observer_->textChanged(name, value);
}

void WindowFields::setCaption(const std::string& name, const std::string& value) {
    captions_[name] = value;
    if (observer_) observer_->captionChanged(name, value);
}

std::string WindowFields::text(const std::string& name) const {
    auto it = texts_.find(name);
    return it == texts_.end() ? std::string() : it->second;
}

std::optional<std::string> WindowFields::caption(const std::string& name) const {
    auto it = captions_.find(name);
    if (it == captions_.end()) return std::nullopt;
    return it->second;
}

}  // namespace kestrane
