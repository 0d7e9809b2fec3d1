#pragma once

#include "Prompter.h"

class QWidget;

namespace corvanth {

// The real message boxes: modal QMessageBox with the given text, title, buttons and icon.
class MessageBoxPrompter : public Prompter {
public:
    explicit MessageBoxPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    Answer ask(const QString& text, const QString& title, Buttons buttons, Icon icon) override;
    Answer askOver(QWidget* owner, const QString& text, const QString& title, Buttons buttons,
                   Icon icon) override;

private:
    QWidget* parent_;
};

} // namespace corvanth
