#pragma once

#include <QString>
#include <QWidget>

class QPushButton;
class QTextBrowser;

namespace corvanth {

// The program's own help viewer: a window with the help file in a browser, opened at a topic
// anchor. Modeless; it never runs an event loop of its own, so a processing run keeps going while
// it is open.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Loads `helpFilePath` (when it is not already shown) and scrolls to the anchor `topic`.
    // A missing help file is said in the window itself.
    void showTopic(const QString& helpFilePath, const QString& topic);

    QTextBrowser* browser() const { return txtHelp; }
    const QString& helpFilePath() const { return helpFilePath_; }

private:
    void showMissingFile(const QString& helpFilePath);

    QPushButton* cmdContents;
    QPushButton* cmdBack;
    QPushButton* cmdForward;
    QTextBrowser* txtHelp;
    QString helpFilePath_;
};

} // namespace corvanth
