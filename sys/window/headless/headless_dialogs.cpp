#include "sys/window/headless/headless_dialogs.h"

#include <deque>

#include "sys/window/dialogs.h"

namespace sys::dialogs::headless {

namespace {

struct Script {
    std::deque<int> answers;
    std::vector<MessageBoxRecord> shown;
};

Script& TheScript() {
    static Script script;
    return script;
}

}  // namespace

void Reset() { TheScript() = Script{}; }

void ScriptAnswer(int answer) { TheScript().answers.push_back(answer); }

size_t ScriptedAnswersLeft() { return TheScript().answers.size(); }

std::vector<MessageBoxRecord> Shown() { return TheScript().shown; }

int Answer(const std::string& text, const std::string& caption, uint32_t type) {
    Script& script = TheScript();
    int answer = DefaultAnswer(type);
    if (!script.answers.empty()) {
        answer = script.answers.front();
        script.answers.pop_front();
    }
    script.shown.push_back(MessageBoxRecord{text, caption, type, ButtonsOf(type), answer});
    return answer;
}

}  // namespace sys::dialogs::headless
