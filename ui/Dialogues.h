#pragma once

#include "core/Alarme.h"
#include "core/Etalonnage.h"
#include "core/Plan.h"
#include "core/ReglageTexte.h"

#include <QDateTime>
#include <QFileDialog>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;

namespace ui {

/// Caption of the program's message boxes.
inline const char* const kTitreApplication = "Plovar1.02";

/// Every message box, file dialog, beep and link the program uses, behind one
/// seam so that tests can answer them.
class Dialogues {
public:
    virtual ~Dialogues() = default;
    /// Yes/No question with a question-mark icon; true for Yes.
    virtual bool question(QWidget* parent, const QString& texte) = 0;
    /// Message with an OK button and no icon.
    virtual void message(QWidget* parent, const QString& texte) = 0;
    /// Warning with an OK button.
    virtual void avertissement(QWidget* parent, const QString& texte) = 0;
    /// Save dialog of a new record file; "" when cancelled.
    virtual QString nouveauFichier(QWidget* parent) = 0;
    /// Open dialog of the record viewer; "" when cancelled.
    virtual QString ouvreFichier(QWidget* parent) = 0;
    /// Save dialog for lines that could not reach the record file; "" when cancelled.
    virtual QString fichierSecours(QWidget* parent, const QString& propose) = 0;
    /// Save dialog of an image of the graph (PNG, SVG or PDF); "" when cancelled.
    /// `filtre` receives the filter chosen.
    virtual QString fichierImage(QWidget* parent, const QString& propose, QString* filtre) = 0;
    /// The calibration dialog; nullopt when cancelled.
    virtual std::optional<core::Etalonnage> etalonnage(QWidget* parent,
                                                       const core::Etalonnage& actuel) = 0;
    /// The alarm dialog (limits in `unite`); nullopt when cancelled.
    virtual std::optional<core::ReglageAlarme>
    alarme(QWidget* parent, const core::ReglageAlarme& actuel, const QString& unite) = 0;
    /// Asks for a comment about `ou` (a sample); nullopt when cancelled.
    virtual std::optional<QString> commentaire(QWidget* parent, const QString& ou) = 0;
    /// Save dialog of a measurement export, with a "visible part only" check box;
    /// "" when cancelled.
    virtual QString fichierExport(QWidget* parent, const QString& propose, bool* partieVisible) = 0;
    /// Asks for a date and time between min and max, `propose` shown first.
    virtual std::optional<QDateTime> allerA(QWidget* parent, const QDateTime& propose,
                                            const QDateTime& min, const QDateTime& max) = 0;
    /// The dialog that programs a run (levels in `unite`; `alarme`: an alarm is set);
    /// nullopt when cancelled.
    virtual std::optional<core::Plan> programme(QWidget* parent, const core::Plan& propose,
                                                qint64 maintenantMs, const QString& unite,
                                                bool alarme) = 0;
    /// The text-line board's dialog; nullopt when cancelled.
    virtual std::optional<core::ReglageTexte> sourceTexte(QWidget* parent,
                                                          const core::ReglageTexte& actuel) = 0;
    /// The system beep.
    virtual void bip() = 0;
    /// Hands a link to the desktop; its result is not looked at.
    virtual void ouvreLien(const QUrl& url) = 0;
};

/// Why a name typed in the new-record dialog cannot be taken ("" when it can):
/// `saisie` is the text typed, `choisi` the file it names.
QString refusNouveauFichier(const QString& saisie, const QString& choisi);

/// The new-record save dialog: it refuses, with a message and without closing, a
/// folder that does not exist and a name with a double quote.
class DialogueNouveauFichier : public QFileDialog {
    Q_OBJECT
public:
    explicit DialogueNouveauFichier(QWidget* parent);
    /// Shows a refusal; a message box unless replaced.
    std::function<void(const QString&)> avertit;

public slots:
    void accept() override;
};

/// The real dialogs. The file dialogs open in the folder last chosen in any of
/// them, remembered in `cheminSouvenirs` (an INI file) from one run to the next.
class DialoguesQt : public Dialogues {
public:
    explicit DialoguesQt(QString cheminSouvenirs = QString());
    bool question(QWidget* parent, const QString& texte) override;
    void message(QWidget* parent, const QString& texte) override;
    void avertissement(QWidget* parent, const QString& texte) override;
    QString nouveauFichier(QWidget* parent) override;
    QString ouvreFichier(QWidget* parent) override;
    QString fichierSecours(QWidget* parent, const QString& propose) override;
    QString fichierImage(QWidget* parent, const QString& propose, QString* filtre) override;
    std::optional<core::Etalonnage> etalonnage(QWidget* parent,
                                               const core::Etalonnage& actuel) override;
    std::optional<core::ReglageAlarme> alarme(QWidget* parent, const core::ReglageAlarme& actuel,
                                              const QString& unite) override;
    std::optional<QString> commentaire(QWidget* parent, const QString& ou) override;
    QString fichierExport(QWidget* parent, const QString& propose, bool* partieVisible) override;
    std::optional<QDateTime> allerA(QWidget* parent, const QDateTime& propose, const QDateTime& min,
                                    const QDateTime& max) override;
    std::optional<core::Plan> programme(QWidget* parent, const core::Plan& propose,
                                        qint64 maintenantMs, const QString& unite,
                                        bool alarme) override;
    std::optional<core::ReglageTexte> sourceTexte(QWidget* parent,
                                                  const core::ReglageTexte& actuel) override;
    void bip() override;
    void ouvreLien(const QUrl& url) override;

    /// The folder the file dialogs open in ("" until one was chosen).
    QString dossier() const { return m_dossier; }

private:
    /// `propose` (a name) in the last folder; as it stands when it names a folder.
    QString depart(const QString& propose) const;
    /// Keeps the folder of `chemin` for the next dialog; returns `chemin`.
    QString retiens(const QString& chemin);

    QString m_souvenirs;
    QString m_dossier;
};

} // namespace ui
