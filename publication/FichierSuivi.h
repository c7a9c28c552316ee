#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <utility>

namespace publication {

/// A run's name as published: the local date ("mm-dd-yyyy") and time of its first
/// line with their offset from UTC, "2026-12-07T14:05:09+01:00".
QString texteSession(QByteArrayView date, QByteArrayView heure, int decalage);

/// A file read forward, whole lines only, while the program appends to it. It is
/// kept open between reads, unless its path now names another file. A file
/// replaced or rewritten under the reader is read again from its start. That is
/// the case when its first line, or the line before where reading stands, is no
/// longer the same, or when it is now shorter.
class FichierSuivi {
public:
    explicit FichierSuivi(QString chemin);
    virtual ~FichierSuivi() = default;
    FichierSuivi(const FichierSuivi&) = delete;
    FichierSuivi& operator=(const FichierSuivi&) = delete;

    const QString& chemin() const { return m_chemin; }
    /// Where reading stands.
    qint64 octet() const { return m_octet; }
    /// The print of the file's first line (0 while not known).
    quint64 premiere() const { return m_premiere; }
    /// The print of the line that ends where reading stands (0: not known).
    quint64 ancre() const { return m_ancre; }
    /// True once after reading started again from the start of a replaced file.
    bool remplace() { return std::exchange(m_remplace, false); }

protected:
    /// Reading goes on at `octet`, in the file whose first line has the print
    /// `premiere`, after the line whose print is `ancre` (0: not known).
    void place(qint64 octet, quint64 premiere, quint64 ancre);
    /// Opens the file, or checks that it is still the one read; false when there
    /// is none.
    bool ouvert();
    /// Goes to where reading stands; false when the file cannot be read.
    bool positionne() { return ouvert() && m_fichier.seek(m_octet); }
    /// The next whole line from where reading stands, its end included; false at
    /// the end of what is written (a line still being written waits). A "line" of
    /// a megabyte without an end is damage: it is passed over.
    bool ligneSuivante(QByteArray& brute);
    /// The file was replaced: reading starts again from its start.
    virtual void recommence() = 0;
    void signaleRemplace() { m_remplace = true; }
    /// Counts the whole lines from byte `depuis` that start with a digit (not a
    /// header, not a blank line), and moves `depuis` past the last whole line.
    qint64 compteLignes(qint64& depuis);

    QFile m_fichier;

private:
    bool memeFichier();

    QString m_chemin;
    QElapsedTimer m_verification;
    qint64 m_octet = 0;
    quint64 m_premiere = 0;
    quint64 m_ancre = 0;
    bool m_remplace = false;
};

} // namespace publication
