// The program entry: the main window, its start-up routine, the event loop.
#include <QApplication>

#include "StandardStreams.h"
#include "TravikTestUnit.h"

int main(int argc, char* argv[]) {
    travik::OpenMissingStandardStreams();
    QApplication application(argc, argv);
    travik::TSTestForm STestForm;
    STestForm.InitForm();
    STestForm.show();
    return application.exec();
}
