#include "AppIcon.h"
#include "DesktopDocumentOpener.h"
#include "FileDialogChooser.h"
#include "MessageBoxPrompter.h"
#include "ProcessingState.h"
#include "ProgramIdentity.h"
#include "RunClock.h"
#include "SettingsStore.h"
#include "WindowCommandLine.h"
#include "WindowDataFolder.h"
#include "frmMain.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // --help and --version answer without a display: before the window system is opened.
    if (const auto answered = corvanth::AnswerInformationOptions(argc, argv, stdout)) return *answered;
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromUtf8(corvanth::identity::Organization));
    QCoreApplication::setApplicationName(QString::fromUtf8(corvanth::identity::Application));
    QApplication::setWindowIcon(corvanth::ProgramIcon());

    corvanth::ProcessingState state;
    corvanth::MessageBoxPrompter prompter;
    corvanth::FileDialogChooser chooser;
    corvanth::SettingsStore settings;
    corvanth::DesktopDocumentOpener opener;
    corvanth::RunClock clock;
    corvanth::frmMain window(corvanth::frmMainServices{state, prompter, chooser, settings, opener, clock,
                                                       corvanth::WindowDataFolder()});
    prompter.setParent(&window);
    window.Form_Load();
    window.show();
    return QApplication::exec();
}
