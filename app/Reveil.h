#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace app {

/// Lets a second start of the program bring the running window to the front: the
/// second process sends SIGUSR1 to the first, whose event loop hears of it here
/// (the signal handler only writes a byte to a socket pair).
class Reveil : public QObject {
    Q_OBJECT
public:
    explicit Reveil(QObject* parent = nullptr);
    ~Reveil() override;

    /// Asks the process `pid` to show its window; false when it cannot be reached.
    static bool reveille(qint64 pid);
    /// True when process `pid` is a recording without a window.
    static bool estSansFenetre(qint64 pid);

signals:
    /// Another start asked for this window.
    void demande();

private:
    std::unique_ptr<QSocketNotifier> m_notificateur;
};

} // namespace app
