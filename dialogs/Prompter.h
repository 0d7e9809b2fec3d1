#pragma once

#include <QString>

namespace corvanth {

// Every message box of the program goes through this interface, so tests can answer them.
class Prompter {
public:
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Icon { None, Information, Critical };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Prompter() = default;
    virtual Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon) = 0;
};

} // namespace corvanth
