#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QMimeData;

namespace app {

/// The record files opened lately, newest first, shared by both windows and kept in
/// plovar.ini beside the configuration `cheminConfig`.
class Recents {
public:
    static constexpr int kMax = 8;
    explicit Recents(QString cheminConfig) : m_cheminConfig(std::move(cheminConfig)) {}
    QStringList liste() const;
    /// Puts `chemin` first (once).
    void retiens(const QString& chemin) const;

private:
    QString m_cheminConfig;
};

/// The one local file dropped, if that is what `donnees` hold (a folder, a web
/// address or several files are refused).
std::optional<QString> fichierDepose(const QMimeData* donnees);

} // namespace app
