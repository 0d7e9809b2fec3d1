#include "HelpWindow.h"

#include "HelpTopics.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace corvanth {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Corvanth Help"));

    cmdContents = new QPushButton(QStringLiteral("&Contents"), this);
    cmdContents->setObjectName(QStringLiteral("cmdContents"));
    cmdBack = new QPushButton(QStringLiteral("&Back"), this);
    cmdBack->setObjectName(QStringLiteral("cmdBack"));
    cmdBack->setEnabled(false);
    cmdForward = new QPushButton(QStringLiteral("&Forward"), this);
    cmdForward->setObjectName(QStringLiteral("cmdForward"));
    cmdForward->setEnabled(false);

    txtHelp = new QTextBrowser(this);
    txtHelp->setObjectName(QStringLiteral("txtHelp"));
    txtHelp->setOpenExternalLinks(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdContents);
    buttons->addWidget(cmdBack);
    buttons->addWidget(cmdForward);
    buttons->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(txtHelp, 1);

    connect(cmdBack, &QPushButton::clicked, txtHelp, &QTextBrowser::backward);
    connect(cmdForward, &QPushButton::clicked, txtHelp, &QTextBrowser::forward);
    connect(txtHelp, &QTextBrowser::backwardAvailable, cmdBack, &QPushButton::setEnabled);
    connect(txtHelp, &QTextBrowser::forwardAvailable, cmdForward, &QPushButton::setEnabled);
    connect(cmdContents, &QPushButton::clicked, this, [this] {
        if (!helpFilePath_.isEmpty()) showTopic(helpFilePath_, HelpTopics::Contents);
    });

    resize(720, 640);
}

void HelpWindow::showTopic(const QString& helpFilePath, const QString& topic) {
    helpFilePath_ = helpFilePath;
    if (!QFileInfo(helpFilePath).isFile()) {
        showMissingFile(helpFilePath);
        return;
    }
    QUrl url = QUrl::fromLocalFile(QFileInfo(helpFilePath).absoluteFilePath());
    url.setFragment(topic);
    // The file keeps its historic name, so its kind is given rather than guessed from the suffix.
    txtHelp->setSource(url, QTextDocument::HtmlResource);
}

void HelpWindow::showMissingFile(const QString& helpFilePath) {
    txtHelp->clearHistory();
    txtHelp->setHtml(
        QStringLiteral("<h2>Help is not available</h2><p>The help file was not found:</p><p><tt>%1</tt></p>")
            .arg(helpFilePath.toHtmlEscaped()));
}

} // namespace corvanth
