#include "CConfigApp.h"

#include <QtWidgets/QMessageBox>

#include "Environment.h"

#include "AppIcon.h"
#include "CConfigDlg.h"

namespace tavrel {

CConfigApp::CConfigApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("tavrel-config"));
    setWindowIcon(appIcon());
}

int CConfigApp::run() {
    if (auto problem = environmentProblem()) {
        QMessageBox::critical(nullptr, QStringLiteral("tavrel-config"),
                              QString::fromStdString(*problem) + QStringLiteral("; nothing was sent."));
        return 2;
    }
    CConfigDlg window;
    window.exec();
    return 0;
}

}  // namespace tavrel
