#pragma once

#include <QString>

class QWidget;

namespace corvanth {

// Every message box of the program goes through this interface, so tests can answer them.
class Prompter {
public:
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Icon { None, Information, Critical };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Prompter() = default;
    // A message over the main window.
    virtual Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon) = 0;
    // A message over `owner`, the window that asks. Prompters that show nothing answer as ask() does.
    virtual Answer askOver(QWidget* owner, const QString& text, const QString& title, Buttons buttons,
                           Icon icon) {
        (void)owner;
        return ask(text, title, buttons, icon);
    }
};

} // namespace corvanth
