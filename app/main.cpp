#include <clocale>

#include "engine/model.h"
#include "grid/flex.h"
#include "platform/dialogs.h"
#include "profile_view/profile_control.h"
#include "workspace/guarded_application.h"
#include "workspace/main_window.h"

int main(int argc, char** argv) {
    vd::GuardedApplication app(argc, argv);
    QApplication::setApplicationName("VIDODUV");
    // The toolkit takes the user's locale; files and the libraries that write
    // them need a decimal point whatever it is.
    setlocale(LC_NUMERIC, "C");
    vd::Model model;
    vd::QtDialogs dialogs;
    vd::Vorlan::Views views;
    views.grid = new vd::Flex(model, dialogs);
    views.profile = new vd::ProfileControl(model, dialogs);
    vd::Form1 window(model, dialogs, views);
    dialogs.setParent(&window);
    window.show();
    int rc = app.exec();
    model.SetUi(nullptr);
    return rc;
}
