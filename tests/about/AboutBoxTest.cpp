#include "AboutBox.h"
#include "Fakes.h"
#include "MessageBoxPrompter.h"
#include "ProgramIdentity.h"
#include "frmAbout.h"

#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

using namespace corvanth;
using namespace corvanth::testing;

class AboutBoxTest : public QObject {
    Q_OBJECT

    ScriptedPrompter prompter;

    static void deleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

private slots:
    void formLoadSetsCaptionTitleAndVersion() {
        AboutBox box(prompter);
        box.show();
        frmAbout* about = box.window();
        QVERIFY(about);
        QCOMPARE(about->windowTitle(), QStringLiteral("About Corvanth"));
        QCOMPARE(about->lblTitle->text(), QStringLiteral("Corvanth"));
        QCOMPARE(about->lblVersion->text(),
                 QStringLiteral("Version ") + QString::fromUtf8(identity::Version));
        QCOMPARE(about->cmdOK->text(), QStringLiteral("OK"));
        QCOMPARE(about->cmdSysInfo->text(), QStringLiteral("&System Info..."));
        QVERIFY(!about->lblDescription->text().isEmpty());
        QVERIFY(!about->lblDisclaimer->text().isEmpty());
        QVERIFY(!about->picIcon->pixmap().isNull());
        QCOMPARE(about->objectName(), QStringLiteral("frmAbout"));
    }

    void isModelessWithAFixedBorder() {
        AboutBox box(prompter);
        box.show();
        frmAbout* about = box.window();
        QVERIFY(about->isVisible());
        QVERIFY(!about->isModal());
        QCOMPARE(about->windowModality(), Qt::NonModal);
        QVERIFY(!(about->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(about->windowFlags() & Qt::WindowMinimizeButtonHint));
        QCOMPARE(about->minimumSize(), about->maximumSize());
    }

    void okIsTheDefaultButton() {
        AboutBox box(prompter);
        box.show();
        QVERIFY(box.window()->cmdOK->isDefault());
        QVERIFY(!box.window()->cmdSysInfo->isDefault());
    }

    void enterCloses() {
        AboutBox box(prompter);
        box.show();
        QPointer<frmAbout> about = box.window();
        QTest::keyClick(about.data(), Qt::Key_Return);
        QVERIFY(!about || !about->isVisible());
        deleteClosedWindows();
        QVERIFY(!about);
        QVERIFY(!box.window());
    }

    void escapeCloses() {
        AboutBox box(prompter);
        box.show();
        QPointer<frmAbout> about = box.window();
        QTest::keyClick(about.data(), Qt::Key_Escape);
        QVERIFY(!about || !about->isVisible());
        deleteClosedWindows();
        QVERIFY(!about);
        QVERIFY(!box.window());
    }

    void okClickCloses() {
        AboutBox box(prompter);
        box.show();
        QPointer<frmAbout> about = box.window();
        QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        deleteClosedWindows();
        QVERIFY(!about);
    }

    void showingAgainReusesTheOpenWindow() {
        AboutBox box(prompter);
        box.show();
        frmAbout* first = box.window();
        first->lblTitle->setText(QStringLiteral("changed while open"));
        box.show();
        QCOMPARE(box.window(), first);
        QVERIFY(first->isVisible());
        QCOMPARE(first->lblTitle->text(), QStringLiteral("changed while open")); // not loaded again
        int aboutWindows = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<frmAbout*>(w)) ++aboutWindows;
        QCOMPARE(aboutWindows, 1);
    }

    void afterClosingTheNextShowCreatesItAfresh() {
        AboutBox box(prompter);
        box.show();
        QPointer<frmAbout> first = box.window();
        first->setWindowTitle(QStringLiteral("stale"));
        first->close();
        deleteClosedWindows();
        QVERIFY(!first);
        box.show();
        QVERIFY(box.window());
        QVERIFY(box.window()->isVisible());
        QCOMPARE(box.window()->windowTitle(), QStringLiteral("About Corvanth"));
        QCOMPARE(box.window()->lblVersion->text(),
                 QStringLiteral("Version ") + QString::fromUtf8(identity::Version));
    }

    void destroyingTheBoxClosesItsWindow() {
        QPointer<frmAbout> about;
        {
            AboutBox box(prompter);
            box.show();
            about = box.window();
        }
        QVERIFY(!about);
    }

    void systemInfoButtonSaysItIsUnavailable() {
        ScriptedPrompter ownPrompter;
        AboutBox box(ownPrompter);
        box.show();
        QTest::mouseClick(box.window()->cmdSysInfo, Qt::LeftButton);
        QCOMPARE(ownPrompter.questions.size(), 1);
        QCOMPARE(ownPrompter.questions[0].text,
                 QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(ownPrompter.questions[0].title, QStringLiteral("Corvanth"));
        QCOMPARE(ownPrompter.questions[0].buttons, Prompter::Buttons::Ok);
        QCOMPARE(ownPrompter.questions[0].icon, Prompter::Icon::None);
    }

    // The message opens over the About window that asked for it, not over the main window.
    void systemInfoMessageOpensOverTheAboutWindow() {
        QWidget mainWindow;
        MessageBoxPrompter realPrompter(&mainWindow);
        AboutBox box(realPrompter);
        box.show();
        QWidget* owner = nullptr;
        QString text;
        QTimer::singleShot(0, [&] {
            auto* message = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!message) return;
            owner = message->parentWidget();
            text = message->text();
            message->accept();
        });
        box.window()->cmdSysInfo->click();
        QCOMPARE(text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(owner, static_cast<QWidget*>(box.window()));
    }
};

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
