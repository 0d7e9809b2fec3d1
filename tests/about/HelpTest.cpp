#include "AdvancedCommands.h"
#include "Fakes.h"
#include "HelpFileLocation.h"
#include "HelpTopics.h"
#include "HelpViewer.h"

#include <QAbstractTextDocumentLayout>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
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

void WriteFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class HelpTest : public QObject {
    Q_OBJECT

    QString helpFile;

private slots:
    void initTestCase() {
        // The build puts the help file beside the programs; the tests read that copy.
        helpFile = QStringLiteral(CORVANTH_BIN_DIR "/Zelvane.hlp");
        QVERIFY2(QFileInfo(helpFile).isFile(), qPrintable(helpFile));
        QFile built(helpFile);
        QFile source(QStringLiteral(CORVANTH_SOURCE_HELP_FILE));
        QVERIFY(built.open(QIODevice::ReadOnly));
        QVERIFY(source.open(QIODevice::ReadOnly));
        QCOMPARE(built.readAll(), source.readAll());
    }

    void showHelpTopic_data() {
        QTest::addColumn<QString>("topic");
        QTest::addColumn<QString>("heading");
        QTest::newRow("Contents10") << HelpTopics::Contents << "Corvanth Help";
        QTest::newRow("FileStuff") << HelpTopics::FileStuff << "File Stuff";
        QTest::newRow("ProcessingStuff") << HelpTopics::ProcessingStuff << "Processing Stuff";
        QTest::newRow("SearchStuff") << HelpTopics::SearchStuff << "Search Stuff";
    }

    void showHelpTopic() {
        QFETCH(QString, topic);
        QFETCH(QString, heading);
        HelpViewer viewer;
        viewer.ShowHelpTopic(helpFile, topic);
        HelpWindow* window = viewer.window();
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowModality(), Qt::NonModal);
        QTextBrowser* browser = window->browser();
        QCOMPARE(browser->source().fragment(), topic);
        QCOMPARE(QFileInfo(browser->source().toLocalFile()).canonicalFilePath(),
                 QFileInfo(helpFile).canonicalFilePath());

        const QTextBlock block = AnchorBlock(*browser->document(), topic);
        QVERIFY2(block.isValid(), "the anchor is in the shown document");
        QCOMPARE(block.text().trimmed(), heading);

        // The browser scrolled to the anchor: its heading is at the top of the view.
        QScrollBar* bar = browser->verticalScrollBar();
        const qreal top = browser->document()->documentLayout()->blockBoundingRect(block).top();
        QVERIFY2(bar->maximum() > 0, "the manual is longer than one screen");
        QVERIFY2(qAbs(bar->value() - qMin<qreal>(top, bar->maximum())) <= 40,
                 qPrintable(QStringLiteral("scroll %1, anchor at %2").arg(bar->value()).arg(top)));
        if (topic == HelpTopics::Contents)
            QVERIFY(bar->value() <= browser->document()->documentMargin()); // the very top
        else
            QVERIFY(bar->value() > 0);
    }

    void topicsFollowEachOtherInOneWindow() {
        HelpViewer viewer;
        viewer.ShowHelpTopic(helpFile, HelpTopics::FileStuff);
        HelpWindow* window = viewer.window();
        const int fileStuff = window->browser()->verticalScrollBar()->value();
        viewer.ShowHelpTopic(helpFile, HelpTopics::SearchStuff);
        QCOMPARE(viewer.window(), window);
        QCOMPARE(window->browser()->source().fragment(), HelpTopics::SearchStuff);
        QVERIFY(window->browser()->verticalScrollBar()->value() > fileStuff);
    }

    void contentsButtonReturnsToTheContents() {
        HelpViewer viewer;
        viewer.ShowHelpTopic(helpFile, HelpTopics::SearchStuff);
        auto* contents = viewer.window()->findChild<QPushButton*>(QStringLiteral("cmdContents"));
        QVERIFY(contents);
        QTest::mouseClick(contents, Qt::LeftButton);
        QCOMPARE(viewer.window()->browser()->source().fragment(), HelpTopics::Contents);
        QTextBrowser* browser = viewer.window()->browser();
        QVERIFY(browser->verticalScrollBar()->value() <= browser->document()->documentMargin());
    }

    void missingHelpFileIsSaidInTheWindow() {
        QTemporaryDir dir;
        HelpViewer viewer;
        const QString missing = dir.filePath(QStringLiteral("Zelvane.hlp"));
        viewer.ShowHelpTopic(missing, HelpTopics::FileStuff);
        QVERIFY(viewer.window()->isVisible());
        const QString shown = viewer.window()->browser()->toPlainText();
        QVERIFY2(shown.contains(QStringLiteral("not found")), qPrintable(shown));
        QVERIFY(shown.contains(missing));
    }

    // Where the help file is looked for from the program's folder `bin`: beside the program, then in
    // the installed data folder; without either, the path beside the program is named.
    void findHelpFile_data() {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("found");
        QTest::newRow("beside first")
            << QStringList{"bin/Zelvane.hlp", "share/corvanth/Zelvane.hlp"} << "bin/Zelvane.hlp";
        QTest::newRow("installed") << QStringList{"share/corvanth/Zelvane.hlp"}
                                   << "share/corvanth/Zelvane.hlp";
        QTest::newRow("none") << QStringList{} << "bin/Zelvane.hlp";
    }
    void findHelpFile() {
        QFETCH(QStringList, present);
        QFETCH(QString, found);
        QTemporaryDir dir;
        QDir().mkpath(dir.filePath("bin"));
        for (const QString& file : present)
            WriteFile(dir.filePath(file), "help");
        QCOMPARE(FindHelpFile(dir.filePath("bin")), QDir::cleanPath(dir.filePath(found)));
    }

    void openDatabaseOpensTheFileWithoutChecking() {
        QTemporaryDir dir;
        RecordingOpener opener;
        OpenDatabaseFile(dir.path(), opener);
        QCOMPARE(opener.opened, QStringList{dir.path() + "/IPLogging.mdb"});
    }

    void missingJournalIsReported() {
        QTemporaryDir dir;
        RecordingOpener opener;
        ScriptedPrompter prompter;
        OpenPositionJournal(dir.path(), opener, prompter);
        QVERIFY(opener.opened.isEmpty());
        QCOMPARE(prompter.questions.size(), 1);
        QCOMPARE(prompter.questions[0].text, QStringLiteral("No positions have been logged yet!"));
        QCOMPARE(prompter.questions[0].title, QStringLiteral("No position file"));
        QCOMPARE(prompter.questions[0].buttons, Prompter::Buttons::Ok);
        QCOMPARE(prompter.questions[0].icon, Prompter::Icon::Information);
    }

    void existingJournalIsOpened() {
        QTemporaryDir dir;
        WriteFile(dir.filePath("Positions.txt"), "/srv/games.log\"12\r\n");
        RecordingOpener opener;
        ScriptedPrompter prompter;
        OpenPositionJournal(dir.path(), opener, prompter);
        QCOMPARE(opener.opened, QStringList{dir.path() + "/Positions.txt"});
        QVERIFY(prompter.questions.isEmpty());
    }
};

QTEST_MAIN(HelpTest)
#include "HelpTest.moc"
