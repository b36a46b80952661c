// The program entry: the main window, its start-up routine, the event loop.
#include <QApplication>

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
    return application.exec();
}
