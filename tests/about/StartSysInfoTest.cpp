#include "StartSysInfo.h"
#include "DetachedProgramLauncher.h"
#include "Fakes.h"
#include "LocalFileProbe.h"
#include "NoSystemRegistry.h"
#include "RegistryValueText.h"

#include <QtTest>

using namespace corvanth;
using namespace corvanth::testing;

namespace {

const QString PathKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString FolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");

} // namespace

class StartSysInfoTest : public QObject {
    Q_OBJECT

    FakeRegistry registry;
    FakeFiles files;
    FakeLauncher launcher;
    ScriptedPrompter prompter;

    SysInfoServices services() { return SysInfoServices{registry, files, launcher, prompter}; }

    void verifyUnavailableMessage() {
        QCOMPARE(prompter.questions.size(), 1);
        const auto& q = prompter.questions.front();
        QCOMPARE(q.text, QStringLiteral("System Information Is Unavailable At This Time"));
        QCOMPARE(q.title, QStringLiteral("Corvanth"));
        QCOMPARE(q.buttons, Prompter::Buttons::Ok);
        QCOMPARE(q.icon, Prompter::Icon::None);
    }

private slots:
    void init() {
        registry = FakeRegistry();
        files = FakeFiles();
        launcher = FakeLauncher();
        prompter = ScriptedPrompter();
    }

    void pathValueStartsThatProgramWithoutAskingForTheFolder() {
        registry.set(PathKey, "PATH", {"C:\\Program Files\\Common Files\\msinfo32.exe"});
        registry.set(FolderKey, "MSINFO", {"C:\\Elsewhere"});
        StartSysInfo(services(), nullptr);
        QCOMPARE(launcher.started, QStringList{"C:\\Program Files\\Common Files\\msinfo32.exe"});
        QCOMPARE(registry.calls.size(), 1);
        QCOMPARE(registry.calls[0].root, RegistryRoot::LocalMachine);
        QCOMPARE(static_cast<unsigned int>(registry.calls[0].root), 0x80000002u);
        QCOMPARE(registry.calls[0].keyName, PathKey);
        QCOMPARE(registry.calls[0].valueName, QStringLiteral("PATH"));
        QVERIFY(files.asked.isEmpty());
        QVERIFY(prompter.questions.isEmpty());
    }

    void pathValueThatCannotBeStartedGivesTheMessage() {
        registry.set(PathKey, "PATH", {"C:\\gone\\msinfo32.exe"});
        launcher.failAll = true;
        StartSysInfo(services(), nullptr);
        QCOMPARE(launcher.started, QStringList{"C:\\gone\\msinfo32.exe"});
        QCOMPARE(registry.calls.size(), 1);
        verifyUnavailableMessage();
    }

    void folderValueWithTheProgramInItStartsIt() {
        registry.set(FolderKey, "MSINFO", {"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo"});
        const QString program = "C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\MSINFO32.EXE";
        files.existing << program;
        StartSysInfo(services(), nullptr);
        QCOMPARE(registry.calls.size(), 2);
        QCOMPARE(registry.calls[1].root, RegistryRoot::LocalMachine);
        QCOMPARE(registry.calls[1].keyName, FolderKey);
        QCOMPARE(registry.calls[1].valueName, QStringLiteral("MSINFO"));
        QCOMPARE(files.asked, QStringList{program});
        QCOMPARE(launcher.started, QStringList{program});
        QVERIFY(prompter.questions.isEmpty());
    }

    void folderValueWithoutTheProgramGivesTheMessage() {
        registry.set(FolderKey, "MSINFO", {"C:\\Empty"});
        StartSysInfo(services(), nullptr);
        QCOMPARE(files.asked, QStringList{"C:\\Empty\\MSINFO32.EXE"});
        QVERIFY(launcher.started.isEmpty());
        verifyUnavailableMessage();
    }

    void neitherValueGivesTheMessage() {
        StartSysInfo(services(), nullptr);
        QCOMPARE(registry.calls.size(), 2);
        QVERIFY(files.asked.isEmpty());
        QVERIFY(launcher.started.isEmpty());
        verifyUnavailableMessage();
    }

    void pathValueOfAnotherTypeIsFoundButEmpty() {
        registry.set(PathKey, "PATH", {"ignored", true});
        registry.set(FolderKey, "MSINFO", {"C:\\Folder"});
        files.existing << "C:\\Folder\\MSINFO32.EXE";
        StartSysInfo(services(), nullptr);
        QCOMPARE(registry.calls.size(), 1); // the folder is not consulted
        QCOMPARE(launcher.started, QStringList{QString()});
        verifyUnavailableMessage();
    }

    void aPathValueOfNoBytesGivesTheMessageWithoutAskingForTheFolder() {
        RawValueRegistry raw;
        raw.set(PathKey, "PATH", {1, QByteArray()});
        raw.set(FolderKey, "MSINFO", {1, QByteArray("C:\\Folder\0", 10)});
        files.existing << "C:\\Folder\\MSINFO32.EXE";
        StartSysInfo(SysInfoServices{raw, files, launcher, prompter}, nullptr);
        QCOMPARE(raw.keysAsked, QStringList{PathKey});
        QVERIFY(files.asked.isEmpty());
        QVERIFY(launcher.started.isEmpty());
        verifyUnavailableMessage();
    }

    void aFolderValueOfNoBytesGivesTheMessage() {
        RawValueRegistry raw;
        raw.set(FolderKey, "MSINFO", {1, QByteArray()});
        StartSysInfo(SysInfoServices{raw, files, launcher, prompter}, nullptr);
        QCOMPARE(raw.keysAsked, (QStringList{PathKey, FolderKey}));
        QVERIFY(files.asked.isEmpty());
        QVERIFY(launcher.started.isEmpty());
        verifyUnavailableMessage();
    }

    void aFailingLookUpGivesTheMessage() {
        registry.failWithException();
        StartSysInfo(services(), nullptr);
        QVERIFY(launcher.started.isEmpty());
        verifyUnavailableMessage();
    }

    void withoutARegistryTheMessageAppears() {
        NoSystemRegistry none;
        LocalFileProbe realFiles;
        DetachedProgramLauncher realLauncher;
        StartSysInfo(SysInfoServices{none, realFiles, realLauncher, prompter}, nullptr);
        verifyUnavailableMessage();
    }

    void noRegistryEmptiesTheValue() {
        NoSystemRegistry none;
        QString value = "before";
        QVERIFY(!none.getKeyValue(RegistryRoot::LocalMachine, PathKey, "PATH", value));
        QVERIFY(value.isEmpty());
    }

    void realLauncherRefusesAnEmptyCommandLine() {
        DetachedProgramLauncher realLauncher;
        QVERIFY(!realLauncher.runShellCommand(QString()));
        QVERIFY(!realLauncher.runShellCommand(QStringLiteral("   ")));
    }

    void realLauncherReportsAProgramThatDoesNotExist() {
        DetachedProgramLauncher realLauncher;
        QVERIFY(!realLauncher.runShellCommand(QStringLiteral("/nonexistent/corvanth-no-such-program --x")));
    }

    void localFileProbeSeesFilesOnly() {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        LocalFileProbe probe;
        QVERIFY(!probe.exists(dir.filePath("MSINFO32.EXE")));
        QVERIFY(!probe.exists(dir.path()));
        QFile file(dir.filePath("MSINFO32.EXE"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(probe.exists(dir.filePath("MSINFO32.EXE")));
    }

    void registryTextLosesItsTerminator() {
        QString value;
        RegistryValueText(1, QByteArray("C:\\x\\msinfo32.exe\0", 18), value);
        QCOMPARE(value, QStringLiteral("C:\\x\\msinfo32.exe"));
        RegistryValueText(1, QByteArray("abc"), value);
        QCOMPARE(value, QStringLiteral("abc"));
    }

    void registryNumbersAreSignedDecimal() {
        QString value;
        RegistryValueText(4, QByteArray("\x2a\x00\x00\x00", 4), value);
        QCOMPARE(value, QStringLiteral("42"));
        RegistryValueText(4, QByteArray("\xff\xff\xff\xff", 4), value);
        QCOMPARE(value, QStringLiteral("-1"));
        RegistryValueText(4, QByteArray("\x00\x01\x00\x80", 4), value);
        QCOMPARE(value, QString::number(static_cast<qint32>(0x80000100u)));
    }

    void registryOtherTypesLeaveTheValueAndEmptyValuesThrow() {
        QString value = "kept";
        RegistryValueText(3, QByteArray("\x01\x02", 2), value);
        QCOMPARE(value, QStringLiteral("kept"));
        bool threw = false;
        try {
            RegistryValueText(1, QByteArray(), value);
        } catch (const std::runtime_error&) {
            threw = true;
        }
        QVERIFY(threw);
        QCOMPARE(value, QStringLiteral("kept"));
    }
};

QTEST_MAIN(StartSysInfoTest)
#include "StartSysInfoTest.moc"
