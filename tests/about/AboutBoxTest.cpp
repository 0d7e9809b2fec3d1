#include "AboutBox.h"
#include "Fakes.h"
#include "MessageBoxPrompter.h"
#include "ProgramIdentity.h"
#include "frmAbout.h"

#include <QMessageBox>
#include <QtTest>

using namespace corvanth;
using namespace corvanth::testing;

class AboutBoxTest : public QObject {
    Q_OBJECT

    ScriptedPrompter prompter;

    static void deleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

private slots:
    void showsTitleAndVersionModelessWithAFixedBorder() {
        AboutBox box(prompter);
        box.show();
        frmAbout* about = box.window();
        QVERIFY(about && about->isVisible());
        QCOMPARE(about->windowTitle(), QStringLiteral("About ") + QString::fromUtf8(identity::Application));
        QCOMPARE(about->lblTitle->text(), QString::fromUtf8(identity::Application));
        QCOMPARE(about->lblVersion->text(),
                 QStringLiteral("Version ") + QString::fromUtf8(identity::Version));
        QVERIFY(about->lblTitle->font().bold());
        QVERIFY(!about->picIcon->pixmap().isNull());
        QCOMPARE(about->windowModality(), Qt::NonModal);
        QVERIFY(!(about->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(about->minimumSize(), about->maximumSize());
        QVERIFY(about->cmdOK->isDefault());
    }

    // Enter (OK is the default button), Esc and a click on OK close and delete the window.
    void closes_data() {
        QTest::addColumn<int>("key"); // 0: click OK
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
        QTest::newRow("OK") << 0;
    }
    void closes() {
        QFETCH(int, key);
        AboutBox box(prompter);
        box.show();
        QPointer<frmAbout> about = box.window();
        if (key)
            QTest::keyClick(about.data(), Qt::Key(key));
        else
            QTest::mouseClick(about->cmdOK, Qt::LeftButton);
        deleteClosedWindows();
        QVERIFY(!about);
        QVERIFY(!box.window());
    }

    // One window at a time: showing it again brings the open one forward; after a close the next
    // show makes a fresh one; the owner closes a window still open.
    void oneWindowAtATime() {
        QPointer<frmAbout> first;
        {
            AboutBox box(prompter);
            box.show();
            first = box.window();
            first->lblTitle->setText(QStringLiteral("changed while open"));
            box.show();
            QCOMPARE(box.window(), first.data());
            QCOMPARE(first->lblTitle->text(), QStringLiteral("changed while open")); // not loaded again
            first->close();
            deleteClosedWindows();
            QVERIFY(!first);
            box.show();
            first = box.window();
            QVERIFY(first && first->isVisible());
            QCOMPARE(first->lblTitle->text(), QString::fromUtf8(identity::Application));
        }
        QVERIFY(!first);
    }

    // The message opens over the About window that asked for it, not over the main window.
    void systemInfoSaysItIsUnavailableOverTheAboutWindow() {
        QWidget mainWindow;
        MessageBoxPrompter realPrompter(&mainWindow);
        AboutBox box(realPrompter);
        box.show();
        QWidget* owner = nullptr;
        QString text;
        QString title;
        QTimer::singleShot(0, [&] {
            auto* message = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!message) return;
            owner = message->parentWidget();
            text = message->text();
            title = message->windowTitle();
            message->accept();
        });
        box.window()->cmdSysInfo->click();
        QCOMPARE(text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(title, QString::fromUtf8(identity::Application));
        QCOMPARE(owner, static_cast<QWidget*>(box.window()));
    }
};

QTEST_MAIN(AboutBoxTest)
#include "AboutBoxTest.moc"
