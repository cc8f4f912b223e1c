// The application object of the program. A fault that no command
// handled must not end the program: it is reported and the command ends.
#pragma once

#include <QApplication>
#include <functional>
#include <string>

namespace vd {

// Runs deliver(); an exception escaping it goes to report and counts as an
// event not handled.
bool DeliverGuarded(const std::function<bool()>& deliver, const std::function<void(const std::string&)>& report);

// Clears the upper halves of the wide vector registers, where the processor
// has them; the application does so at start-up and around every event.
void ClearUpperVectorState();

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Where an unhandled error is reported; an OK-only message box by default.
    std::function<void(const std::string&)> report;
};

}  // namespace vd
