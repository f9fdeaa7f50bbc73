// The small interfaces through which the stages talk to the user: the modal
// prompt and the named fields and label captions of the main window.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "state/EntryRecord.h"

namespace kestrane {

// A modal text prompt. ask() returns the typed text, or nullopt when the
// prompt was cancelled (or, on a console, input ended).
class PromptService {
public:
    virtual ~PromptService() = default;
    virtual std::optional<std::string> ask(const std::string& prompt, const std::string& title) = 0;
    // Shows a message (a refused value, a fault) and waits until it is seen.
    virtual void showMessage(const std::string& text) = 0;
    // Called when a prompt that needs a value was cancelled: true abandons the
    // computation, false asks the same prompt again.
    virtual bool confirmAbandon() = 0;
};

// Told of every change of a field text or label caption.
class FieldObserver {
public:
    virtual ~FieldObserver() = default;
    virtual void textChanged(const std::string& name, const std::string& value) = 0;
    virtual void captionChanged(const std::string& name, const std::string& value) = 0;
};

// The named text fields (Text1..Text31) and label captions of the main window.
// The table holds the last text written to each; a front end binds the names
// to real controls through the observer.
class WindowFields {
public:
    void setText(const std::string& name, const std::string& value);
    void setCaption(const std::string& name, const std::string& value);
    // The last text written to a field ("" when never written).
    std::string text(const std::string& name) const;
    // The last caption written to a label, or nullopt when never changed.
    std::optional<std::string> caption(const std::string& name) const;

    void setObserver(FieldObserver* observer) { observer_ = observer; }

private:
    std::map<std::string, std::string> texts_;
    std::map<std::string, std::string> captions_;
    FieldObserver* observer_ = nullptr;
};

// What a computation talks to. The recorder, when there is one, is told of
// every accepted value.
struct Services {
    PromptService& prompt;
    WindowFields& window;
    EntryRecorder* recorder = nullptr;
};

}  // namespace kestrane
