#pragma once

#include "HorlogeFixe.h"
#include "app/Enregistreur.h"
#include "core/Horloge.h"
#include "graph/ModeleListe.h"
#include "ui/Dialogues.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <deque>
#include <functional>
#include <memory>

namespace test {

/// Writes a whole file; false when it cannot be written.
bool ecritFichier(const QString& chemin, const QByteArray& contenu);

/// Dialogs answered from scripts; every message shown is recorded.
class DialoguesFactices : public ui::Dialogues {
public:
    std::deque<bool> reponses;    ///< answers to questions (Yes when empty: false)
    std::deque<QString> fichiers; ///< file names the file dialogs return ("" = cancel)
    QStringList questions, messages, avertissements;
    QList<QUrl> liens;
    int bips = 0;
    int dialoguesFichier = 0;

    bool question(QWidget*, const QString& t) override;
    void message(QWidget*, const QString& t) override { messages << t; }
    /// Called when a warning is shown, to look at the program at that moment.
    std::function<void()> surAvertissement;
    void avertissement(QWidget*, const QString& t) override {
        avertissements << t;
        if (surAvertissement)
            surAvertissement();
    }
    QString nouveauFichier(QWidget*) override { return prochainFichier(); }
    QString ouvreFichier(QWidget*) override { return prochainFichier(); }
    QString fichierSecours(QWidget*, const QString&) override { return prochainFichier(); }
    QString fichierImage(QWidget*, const QString&, QString*) override { return prochainFichier(); }
    /// Answers of the calibration dialog, in turn (none left: cancelled).
    std::deque<core::Etalonnage> etalonnages;
    std::optional<core::Etalonnage> etalonnage(QWidget*, const core::Etalonnage&) override {
        if (etalonnages.empty())
            return std::nullopt;
        const core::Etalonnage e = etalonnages.front();
        etalonnages.pop_front();
        return e;
    }
    /// Answers of the alarm and comment dialogs, in turn (none left: cancelled).
    std::deque<core::ReglageAlarme> alarmes;
    std::optional<core::ReglageAlarme> alarme(QWidget*, const core::ReglageAlarme&,
                                              const QString&) override {
        if (alarmes.empty())
            return std::nullopt;
        const core::ReglageAlarme a = alarmes.front();
        alarmes.pop_front();
        return a;
    }
    /// Answers of the text-line board's dialog, in turn (none left: cancelled).
    std::deque<core::ReglageTexte> sourcesTexte;
    std::optional<core::ReglageTexte> sourceTexte(QWidget*, const core::ReglageTexte&) override {
        if (sourcesTexte.empty())
            return std::nullopt;
        const core::ReglageTexte r = sourcesTexte.front();
        sourcesTexte.pop_front();
        return r;
    }
    std::deque<QString> commentaires;
    std::optional<QString> commentaire(QWidget*, const QString&) override {
        if (commentaires.empty())
            return std::nullopt;
        const QString c = commentaires.front();
        commentaires.pop_front();
        return c;
    }
    bool exportVisible = false;
    QString fichierExport(QWidget*, const QString&, bool* visible) override {
        *visible = exportVisible;
        return prochainFichier();
    }
    std::deque<QDateTime> dates; ///< answers to "Aller à" (cancel when empty)
    std::optional<QDateTime> allerA(QWidget*, const QDateTime&, const QDateTime&,
                                    const QDateTime&) override {
        if (dates.empty())
            return std::nullopt;
        const QDateTime d = dates.front();
        dates.pop_front();
        return d;
    }
    std::deque<core::Plan> plans; ///< answers of the programming dialog (cancel when empty)
    std::optional<core::Plan> programme(QWidget*, const core::Plan&, qint64, const QString&,
                                        bool) override {
        if (plans.empty())
            return std::nullopt;
        const core::Plan p = plans.front();
        plans.pop_front();
        return p;
    }
    void bip() override { ++bips; }
    void ouvreLien(const QUrl& u) override { liens << u; }

private:
    QString prochainFichier();
};

/// A main window in a temporary program directory, with fake clock and dialogs.
struct Banc {
    explicit Banc(const QByteArray& config = QByteArray(), const QString& portSerie = QString());
    ~Banc();
    QTemporaryDir dir;
    HorlogeFixe horloge;
    DialoguesFactices dialogues;
    std::unique_ptr<app::Poste> poste;
    /// The engine of `poste`.
    engine::Moteur* moteur = nullptr;
    std::unique_ptr<app::Enregistreur> fenetre;

    QString chemin(const QString& nom) const { return dir.filePath(nom); }
    QByteArray lit(const QString& nom) const;
    /// The engine's environment: files in the temporary directory, the fake clock.
    engine::Environnement environnement(const QString& portSerie);
    /// Builds and loads the window.
    app::Enregistreur& demarre();
    QString portSerie;
    QStringList bibliotheques;
};

} // namespace test
