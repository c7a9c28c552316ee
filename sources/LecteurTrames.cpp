#include "sources/LecteurTrames.h"

#include <QIODevice>

namespace sources {

std::optional<int> LecteurTrames::lit_port() {
    if (!m_appareil->isOpen())
        return std::nullopt;
    // Pull in what the driver holds so the count is the bytes really waiting.
    m_appareil->waitForReadyRead(0);
    if (!m_appareil->isOpen() || m_appareil->bytesAvailable() != kTailleTrame)
        return std::nullopt;
    const QByteArray trame = m_appareil->read(kTailleTrame);
    if (trame.size() != kTailleTrame)
        return std::nullopt;
    m_BufferRS = trame;
    return static_cast<uint8_t>(trame.at(2));
}

void LecteurTrames::vide_buffer() {
    if (!m_appareil->isOpen())
        return;
    m_appareil->waitForReadyRead(0);
    if (m_appareil->isOpen())
        m_appareil->readAll();
}

} // namespace sources
