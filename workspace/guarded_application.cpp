#include "workspace/guarded_application.h"

#include <QMessageBox>
#include <exception>

#include "engine/errors.h"

namespace vd {

bool DeliverGuarded(const std::function<bool()>& deliver, const std::function<void(const std::string&)>& report) {
    try {
        return deliver();
    } catch (const std::exception& e) {
        report(FaultText(e));
    } catch (...) {
        report("The command ended on an unexpected fault.");
    }
    return false;
}

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {
    report = [](const std::string& text) {
        QMessageBox::warning(activeWindow(), "VIDODUV", QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    };
}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
    return DeliverGuarded([&] { return QApplication::notify(receiver, event); }, report);
}

}  // namespace vd
