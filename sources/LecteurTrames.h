#pragma once

#include <QByteArray>

#include <optional>

class QIODevice;

namespace sources {

/// Reads the instrument's frames from a device: a serial port, a pseudo-terminal,
/// or a buffer in tests. A frame is 4 bytes and its third byte is the raw reading.
class LecteurTrames {
public:
    static constexpr int kTailleTrame = 4;

    explicit LecteurTrames(QIODevice* appareil) : m_appareil(appareil) {}

    /// Takes the waiting bytes only when exactly one frame waits, and returns its
    /// raw reading (0 to 255); nullopt otherwise, leaving partial data waiting.
    std::optional<int> lit_port();
    /// Discards every byte waiting.
    void vide_buffer();
    /// The last frame taken.
    const QByteArray& BufferRS() const { return m_BufferRS; }

private:
    QIODevice* m_appareil;
    QByteArray m_BufferRS;
};

} // namespace sources
