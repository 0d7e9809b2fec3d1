#include "AboutBox.h"
#include "AdvancedCommands.h"
#include "GuiFakes.h"
#include "HelpFileLocation.h"
#include "HelpTopics.h"
#include "HelpViewer.h"
#include "MessageBoxPrompter.h"
#include "ProgramIdentity.h"

#include <QAbstractTextDocumentLayout>
#include <QMessageBox>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QtTest>

using namespace corvanth;
using namespace corvanth::testing;

namespace {

// The block whose text carries the anchor `name`, or an invalid block.
QTextBlock AnchorBlock(const QTextDocument& document, const QString& name) {
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().anchorNames().contains(name)) return block;
    return {};
}

void WriteFile(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("/srv/games.log\"12\r\n") > 0);
}

} // namespace

// The About window, the help window and the Advanced-menu commands.
class AboutHelpTest : public QObject {
    Q_OBJECT
    ScriptedPrompter prompter_;
    const QString app_ = QString::fromUtf8(identity::Application);
    // The build puts the help file beside the programs; the tests read that copy.
    const QString helpFile_ = QStringLiteral(CORVANTH_BIN_DIR "/Zelvane.hlp");

private slots:
    // One About window at a time: showing it again brings the open one forward; Enter (OK is the
    // default button), Esc and a click on OK close and delete it, and the next show makes a fresh one;
    // the owner closes one still open. Title and version, modeless, a fixed border.
    void aboutWindow() {
        QPointer<frmAbout> about;
        {
            AboutBox box(prompter_);
            for (const int key : {int(Qt::Key_Return), int(Qt::Key_Escape), 0}) { // 0: click OK
                box.show();
                about = box.window();
                QVERIFY(about && about->isVisible());
                QCOMPARE(about->lblTitle->text(), app_);
                about->lblTitle->setText(QStringLiteral("changed while open"));
                box.show();
                QCOMPARE(box.window()->lblTitle->text(), QStringLiteral("changed while open"));
                if (key)
                    QTest::keyClick(about.data(), Qt::Key(key));
                else
                    QTest::mouseClick(about->cmdOK, Qt::LeftButton);
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the closed window goes
                QVERIFY(!about && !box.window());
            }
            box.show();
            about = box.window();
            QCOMPARE(about->windowTitle(), QStringLiteral("About ") + app_);
            QCOMPARE(about->lblVersion->text(),
                     QStringLiteral("Version ") + QString::fromUtf8(identity::Version));
            QVERIFY(about->lblTitle->font().bold() && !about->picIcon->pixmap().isNull());
            QCOMPARE(about->windowModality(), Qt::NonModal);
            QVERIFY(!(about->windowFlags() & Qt::WindowMaximizeButtonHint));
            QCOMPARE(about->minimumSize(), about->maximumSize());
            QVERIFY(about->cmdOK->isDefault());
        }
        QVERIFY(!about);
    }

    // The message opens over the About window that asked for it, not over the main window.
    void systemInfoSaysItIsUnavailableOverTheAboutWindow() {
        QWidget mainWindow;
        MessageBoxPrompter realPrompter(&mainWindow);
        AboutBox box(realPrompter);
        box.show();
        QStringList seen;
        QTimer::singleShot(0, [&] {
            auto* message = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!message) return;
            seen << message->text() << message->windowTitle();
            QCOMPARE(message->parentWidget(), static_cast<QWidget*>(box.window()));
            message->accept();
        });
        box.window()->cmdSysInfo->click();
        QCOMPARE(seen, QStringList({QStringLiteral("System Information Is Unavailable At This Time"), app_}));
    }

    // Every topic in one non-modal window, scrolled so that its heading is at the top of the view; the
    // Contents button goes back to the top; a missing file is named.
    void helpTopicsAtTheirHeadingsInOneWindow() {
        HelpViewer viewer;
        const std::pair<QString, const char*> topics[] = {{HelpTopics::FileStuff, "File Stuff"},
                                                          {HelpTopics::ProcessingStuff, "Processing Stuff"},
                                                          {HelpTopics::SearchStuff, "Search Stuff"},
                                                          {HelpTopics::Contents, "Corvanth Help"}};
        QPointer<HelpWindow> window;
        for (const auto& [topic, heading] : topics) {
            viewer.ShowHelpTopic(helpFile_, topic);
            if (!window) window = viewer.window();
            QCOMPARE(viewer.window(), window.data());
            QVERIFY(window->isVisible() && window->windowModality() == Qt::NonModal);
            QTextBrowser* browser = window->browser();
            QCOMPARE(browser->source().fragment(), topic);
            const QTextBlock block = AnchorBlock(*browser->document(), topic);
            QCOMPARE(block.text().trimmed(), QString::fromLatin1(heading));
            QScrollBar* bar = browser->verticalScrollBar();
            const qreal top = browser->document()->documentLayout()->blockBoundingRect(block).top();
            QVERIFY2(bar->maximum() > 0, "the manual is longer than one screen");
            QVERIFY2(qAbs(bar->value() - qMin<qreal>(top, bar->maximum())) <= 40,
                     qPrintable(QStringLiteral("scroll %1, anchor at %2").arg(bar->value()).arg(top)));
            QCOMPARE(bar->value() > browser->document()->documentMargin(), topic != HelpTopics::Contents);
        }
        viewer.ShowHelpTopic(helpFile_, HelpTopics::SearchStuff);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("cmdContents")), Qt::LeftButton);
        QCOMPARE(window->browser()->source().fragment(), HelpTopics::Contents);
        QVERIFY(window->browser()->verticalScrollBar()->value() <=
                window->browser()->document()->documentMargin());
        QTemporaryDir dir;
        const QString missing = dir.filePath(QStringLiteral("Zelvane.hlp"));
        viewer.ShowHelpTopic(missing, HelpTopics::FileStuff);
        const QString shown = window->browser()->toPlainText();
        QVERIFY2(shown.contains(QStringLiteral("not found")) && shown.contains(missing), qPrintable(shown));
    }

    // Where the help file is looked for from the program's folder `bin`: beside the program, then in
    // the installed data folder; without either, the path beside the program is named.
    void findHelpFile() {
        const std::pair<QStringList, QString> cases[] = {
            {{"bin/Zelvane.hlp", "share/corvanth/Zelvane.hlp"}, "bin/Zelvane.hlp"}, // beside first
            {{"share/corvanth/Zelvane.hlp"}, "share/corvanth/Zelvane.hlp"},
            {{}, "bin/Zelvane.hlp"}};
        for (const auto& [present, found] : cases) {
            QTemporaryDir dir;
            QDir().mkpath(dir.filePath("bin"));
            for (const QString& file : present)
                WriteFile(dir.filePath(file));
            QCOMPARE(FindHelpFile(dir.filePath("bin")), QDir::cleanPath(dir.filePath(found)));
        }
    }

    // The journal is opened only when there is one, else a message says so.
    void positionJournalOpensOnlyWhenThere() {
        QTemporaryDir dir;
        RecordingOpener opener;
        ScriptedPrompter prompter;
        OpenPositionJournal(dir.path(), opener, prompter);
        QVERIFY(opener.opened.isEmpty());
        QCOMPARE(prompter.asked.size(), std::size_t{1});
        QCOMPARE(prompter.asked[0].text, QStringLiteral("No positions have been logged yet!"));
        QCOMPARE(prompter.asked[0].title, QStringLiteral("No position file"));
        QCOMPARE(prompter.asked[0].icon, Prompter::Icon::Information);
        const QString journal = dir.filePath(QString::fromUtf8(identity::JournalFileName));
        WriteFile(journal);
        OpenPositionJournal(dir.path(), opener, prompter);
        QCOMPARE(opener.opened, QStringList{journal});
        QCOMPARE(prompter.asked.size(), std::size_t{1});
    }
};

QTEST_MAIN(AboutHelpTest)
#include "AboutHelpTest.moc"
