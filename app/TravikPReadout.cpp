// The program entry: the main window, its start-up routine, the event loop.
// A file named on the command line (the desktop's "Open with", a file dropped
// on the program on Windows) is opened as a saved readout once the window shows.
#include <QApplication>
#include <QDir>

#include "SessionEnd.h"
#include "StandardStreams.h"
#include "TravikTestUnit.h"

int main(int argc, char* argv[]) {
    travik::OpenMissingStandardStreams();
    QApplication application(argc, argv);
    // Watching before the start-up routine: a session ending from then on
    // closes the window like the user would.
    travik::SessionEndWatcher sessionEnd;
    travik::TSTestForm STestForm;
    QObject::connect(&sessionEnd, &travik::SessionEndWatcher::sessionEnding, &STestForm,
                     &travik::TSTestForm::endSession);
    STestForm.InitForm();
    // The session may have ended while a start-up message waited for the user.
    if (STestForm.sessionEnded()) return 0;
    STestForm.show();
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        STestForm.openReadoutFile(QDir::toNativeSeparators(arguments.at(1)).toStdString());
    return application.exec();
}
