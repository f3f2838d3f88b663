#include "CConfigApp.h"

#include "AppIcon.h"
#include "CConfigDlg.h"

namespace tavrel {

CConfigApp::CConfigApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("tavrel-config"));
    setWindowIcon(appIcon());
}

int CConfigApp::run() {
    CConfigDlg window;
    window.exec();
    return 0;
}

}  // namespace tavrel
