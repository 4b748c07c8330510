// The signals that ask the program to end (SIGTERM from a log-out or kill, SIGINT from a
// terminal, SIGHUP when the terminal goes) delivered through the event loop.
#pragma once

#include <QObject>

class QSocketNotifier;

namespace app {

// Blocks the stop signals in the calling thread and so in every thread started after it, the
// database client's among them: a library's handler never sees them and they wait in the
// process until StopSignals reads them. Called first thing in main, before any thread exists.
void holdStopSignals();

// Reads the held signals (signalfd) while the event loop runs and reports each one.
class StopSignals : public QObject {
    Q_OBJECT
public:
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;

signals:
    void received(int signalNumber);

private:
    void readPending();
    int descriptor_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace app
