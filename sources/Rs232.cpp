#include "sources/Rs232.h"

#include <QDir>
#include <QFileInfo>

namespace sources {

QString Rs232::texteErreur(QSerialPort::SerialPortError e) {
    switch (e) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("le port n'existe pas");
    case QSerialPort::PermissionError:
        return QStringLiteral("le port est déjà utilisé par un autre programme, ou l'accès est "
                              "refusé (l'utilisateur doit être dans le groupe dialout)");
    case QSerialPort::OpenError:
        return QStringLiteral("le port est déjà ouvert");
    case QSerialPort::ResourceError:
        return QStringLiteral("l'appareil a été débranché");
    case QSerialPort::ReadError:
        return QStringLiteral("erreur de lecture sur le port");
    case QSerialPort::UnsupportedOperationError:
        return QStringLiteral("réglage refusé par le port");
    default:
        return QStringLiteral("erreur du port série");
    }
}

Rs232::Rs232(QString nomPort, QObject* parent) : QObject(parent), m_nomPort(std::move(nomPort)) {
    connect(&m_port, &QSerialPort::errorOccurred, this, &Rs232::surErreur);
}

QString Rs232::nomCom1(const QString& repertoireProgramme, const QString& autreRepertoire) {
#ifdef _WIN32
    Q_UNUSED(repertoireProgramme);
    Q_UNUSED(autreRepertoire);
    return QStringLiteral("COM1");
#else
    for (const QString& dir : {repertoireProgramme, autreRepertoire}) {
        if (dir.isEmpty())
            continue;
        const QFileInfo lien(QDir(dir).filePath(QStringLiteral("com1")));
        if (lien.isSymLink() || lien.exists())
            return lien.absoluteFilePath();
    }
    return QStringLiteral("/dev/ttyS0");
#endif
}

QString ouvreLecture(QSerialPort& port, const QString& nom, qint32 vitesse) {
    // A link (com1 -> /dev/ttyUSB0, /dev/serial/by-id/…) is followed to the device
    // itself, again at each opening: re-plugging may give another device.
    const QFileInfo info(nom);
    port.setPortName(info.isSymLink() ? info.symLinkTarget() : nom);
    port.setBaudRate(vitesse);
    port.setParity(QSerialPort::NoParity);
    port.setDataBits(QSerialPort::Data8);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::ReadOnly)) {
        const QString raison = Rs232::texteErreur(port.error());
        port.clearError();
        return raison;
    }
    // USB serial boards send only once the terminal is "ready"; some ports (a
    // pseudo-terminal) have no modem lines, and work all the same.
    port.setDataTerminalReady(true);
    port.setRequestToSend(true);
    port.clearError();
    return {};
}

bool Rs232::ouvre_port() {
    if (m_port.isOpen())
        return true;
    m_probleme = ouvreLecture(m_port, m_nomPort, QSerialPort::Baud2400);
    emit etatChange();
    return m_probleme.isEmpty();
}

std::optional<int> Rs232::lit_port() {
    const std::optional<int> v = m_lecteur.lit_port();
    // A poll that finds nothing leaves a timeout behind; it is not a fault.
    m_port.clearError();
    return v;
}

void Rs232::ferme_port() {
    if (!m_port.isOpen())
        return;
    m_port.close();
    m_probleme.clear();
    emit etatChange();
}

void Rs232::vide_buffer() {
    if (!m_port.isOpen())
        return;
    m_lecteur.vide_buffer();
    m_port.clearError();
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
}

SortPort sortPort(QSerialPort::SerialPortError e) {
    // A poll that finds nothing reports a timeout, and a port without modem lines
    // refuses DTR and RTS: neither is a fault.
    if (e == QSerialPort::NoError || e == QSerialPort::TimeoutError ||
        e == QSerialPort::UnsupportedOperationError)
        return SortPort::Rien;
    return e == QSerialPort::ResourceError || e == QSerialPort::ReadError ? SortPort::Perdu
                                                                          : SortPort::Faute;
}

void fermePerdu(QSerialPort& port, QObject* contexte, std::function<void()> apres) {
    QMetaObject::invokeMethod(
        contexte,
        [&port, apres = std::move(apres)] {
            if (!port.isOpen())
                return;
            port.close();
            port.clearError();
            apres();
        },
        Qt::QueuedConnection);
}

void Rs232::surErreur(QSerialPort::SerialPortError e) {
    const SortPort sort = sortPort(e);
    if (sort == SortPort::Rien)
        return;
    ++m_nbErreurs;
    // The adapter unplugged: the caller opens the port again later.
    if (sort == SortPort::Perdu && m_port.isOpen()) {
        m_probleme = texteErreur(e);
        fermePerdu(m_port, this, [this] { emit etatChange(); });
    }
}

} // namespace sources
