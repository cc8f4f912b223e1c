// The Esc test of a long read-back: the key state is read through the Qt
// event loop, so a press in any window of the program is seen between two
// steps of the loop.
#pragma once

#include <QObject>

namespace vd {

class EscKeyPoll : public QObject {
    Q_OBJECT
public:
    explicit EscKeyPoll(QObject* parent = nullptr);
    ~EscKeyPoll() override;

    // Lets pending events through, then says whether Esc was pressed since
    // the last Reset. A press is latched so that a short one between two
    // reads is not missed. Other keys and mouse clicks are dropped meanwhile,
    // so that no command starts inside the read-back.
    virtual bool EscPressed();
    void Reset() { pressed_ = false; }
    // Tests: as if the user pressed Esc.
    void Inject() { pressed_ = true; }
    // Whether a read-back is letting events through right now: the command
    // that polls is still running.
    static bool Polling() { return pollDepth_ > 0; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool pressed_ = false;
    bool polling_ = false;  // other input is held back while the read-back runs
    static inline int pollDepth_ = 0;
};

}  // namespace vd
