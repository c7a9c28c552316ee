#pragma once

#include "sources/LecteurTrames.h"

#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>

namespace sources {

/// Opens `port` read-only on device `nom` at `vitesse` bits per second, 8 data bits,
/// no parity, one stop bit. Returns why it could not, in French; "" once open.
QString ouvreLecture(QSerialPort& port, const QString& nom, qint32 vitesse);

/// What a port's error report means to a listener.
enum class SortPort {
    Rien,  ///< a poll that found nothing, modem lines a pseudo-terminal lacks
    Faute, ///< a fault, the port still open
    Perdu  ///< the device went away
};
SortPort sortPort(QSerialPort::SerialPortError e);

/// The device of open `port` went away: reading fails and Qt would report it again
/// and again. Closes it from the event loop (not from inside the port's own
/// notification), then calls `apres`; nothing when it is closed by then.
void fermePerdu(QSerialPort& port, QObject* contexte, std::function<void()> apres);

/// The serial instrument on COM1 at 2400 baud, 8 data bits, no parity, 1 stop bit.
/// The program only listens: the port is opened read-only. A frame is 4 bytes
/// and its third byte is the raw reading.
class Rs232 : public QObject {
    Q_OBJECT
public:
    explicit Rs232(QString nomPort, QObject* parent = nullptr);

    /// COM1 on this platform: on Linux a link named "com1" in the program's
    /// directory, or else in `autreRepertoire` (where the configuration lives),
    /// when there is one, otherwise /dev/ttyS0; "COM1" on Windows.
    static QString nomCom1(const QString& repertoireProgramme,
                           const QString& autreRepertoire = QString());

    const QString& nomPort() const { return m_nomPort; }
    bool estOuvert() const { return m_port.isOpen(); }

    /// Opens the port unless it is open. False when it cannot be opened.
    bool ouvre_port();
    /// Takes a frame only when exactly 4 bytes wait; returns its raw reading.
    std::optional<int> lit_port();
    /// The last frame received.
    const QByteArray& BufferRS() const { return m_lecteur.BufferRS(); }
    /// Closes the port when it is open.
    void ferme_port();
    /// Discards every byte waiting in the receive buffer.
    void vide_buffer();

    /// What a port error means, in French.
    static QString texteErreur(QSerialPort::SerialPortError e);

    /// Why the port is not open, in French ("" when it is, or was closed on purpose).
    const QString& probleme() const { return m_probleme; }
    /// Fault reports received from the port since construction.
    int nbErreurs() const { return m_nbErreurs; }

signals:
    /// The port opened, closed or failed; probleme() tells why it is not open.
    void etatChange();

private:
    void surErreur(QSerialPort::SerialPortError e);

    QString m_nomPort;
    QSerialPort m_port;
    LecteurTrames m_lecteur{&m_port};
    QString m_probleme;
    int m_nbErreurs = 0;
};

} // namespace sources
