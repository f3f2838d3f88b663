#pragma once
// The application object: runs the main window modally; the program ends when it closes.
#include <QtWidgets/QApplication>

namespace tavrel {

class CConfigApp : public QApplication {
    Q_OBJECT
  public:
    CConfigApp(int& argc, char** argv);

    int run();
};

}  // namespace tavrel
