#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <optional>

namespace sources {

/// Cuts the bytes a board sends into text lines (ended by LF, CR or CR LF) and
/// reads a value from each: the first number of the line, or the value of a label
/// ("t" in "t:21.5 h:40" or "t=21.5,h=40"). A line it cannot read (noise at a wrong
/// speed, a start-up banner, a line far too long) is counted and never gives a value.
class LecteurLignes {
public:
    /// Longest line read, in bytes; a longer one is dropped up to its end.
    static constexpr int kLigneMax = 256;

    /// A value and when its line ended, in ms on the caller's clock.
    struct Lecture {
        double valeur = 0;
        qint64 instantMs = 0;
    };

    explicit LecteurLignes(QByteArray etiquette = {}) : m_etiquette(std::move(etiquette)) {}

    void setEtiquette(QByteArray etiquette) { m_etiquette = std::move(etiquette); }
    /// Takes bytes received at `instantMs`.
    void ajoute(QByteArrayView octets, qint64 instantMs);
    /// Forgets a line begun before a reconnection.
    void oubliePartielle();

    /// The value of the latest readable line, if any.
    const std::optional<Lecture>& derniere() const { return m_derniere; }
    /// Lines read and lines refused since construction.
    qint64 nbLues() const { return m_nbLues; }
    qint64 nbRefusees() const { return m_nbRefusees; }
    /// The start of the latest refused line, made printable (for a notice).
    const QByteArray& derniereRefusee() const { return m_derniereRefusee; }

    /// The value `ligne` (without its end) stands for; nullopt when it holds none
    /// that can be trusted. An empty `etiquette` takes the first number: at the
    /// start of the line or right after one word ending in ':' or '=' ("Temp: 21.5").
    static std::optional<double> valeurLigne(QByteArrayView ligne, QByteArrayView etiquette);

private:
    void finLigne(qint64 instantMs);
    void refuse(QByteArrayView ligne);

    QByteArray m_etiquette;
    QByteArray m_ligne;
    bool m_tropLongue = false;
    std::optional<Lecture> m_derniere;
    qint64 m_nbLues = 0;
    qint64 m_nbRefusees = 0;
    QByteArray m_derniereRefusee;
};

} // namespace sources
